// The command lines of the three programs: help and version on standard
// output with exit 0, the optimiser's eleven parameters untouched by option
// parsing, and the companion tools' options in any order, with "=value",
// unknown ones named and misuse answered with exit 2.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "run/Config.hpp"
#include "support/Program.hpp"
#include "support/TestDb.hpp"

namespace {

namespace fs = std::filesystem;

// One program run in a scratch working directory, with its exit code and
// both output streams.
class Cli : public ::testing::Test {
protected:
    std::string root = testdb::makeTempDir();
    std::string out, err;

    void TearDown() override { testdb::removeTree(root); }

    int run(const std::string& program, const std::vector<std::string>& args, const std::string& input = "") {
        testdb::Outcome o = testdb::runProgram({.program = program, .args = args, .dir = root, .input = input});
        out = std::move(o.out);
        err = std::move(o.err);
        return o.code;
    }
    // Everything in the scratch directory.
    std::size_t otherFiles() {
        return static_cast<std::size_t>(std::distance(fs::recursive_directory_iterator(root), {}));
    }
};

TEST_F(Cli, OptimiserAnswersHelpAndVersionOnlyAsTheSingleArgument) {
    ASSERT_EQ(run("dorvelian", {"--help"}), 0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(out.rfind("usage: dorvelian CONFIG USER BEGIN END LEVEL JOBSTAMP JOBKEY PLANGROUP UNIT WORKPLACE MODE\n", 0),
              0u)
        << out;
    for (const char* word : {"PLANGROUP", "WORKPLACE", "DORVELIAN_STATS", "dorvelian_SCHEMA.log"})
        EXPECT_NE(out.find(word), std::string::npos) << word;

    ASSERT_EQ(run("dorvelian", {"--version"}), 0);
    EXPECT_EQ(out, std::string("dorvelian ") + DORVELIAN_VERSION + "\n");
    EXPECT_EQ(err, "");
    EXPECT_EQ(otherFiles(), 0u) << "help and version neither read a configuration nor write a log";

    // With anything after it, "--help" is the configuration path of a run:
    // the run writes its log (one level up), never to standard output.
    fs::create_directories(root + "/work");
    fs::create_directories(root + "/zentravis_php/log");
    std::vector<std::string> args = testdb::RunLine{.user = "u", .job = "J", .key = "K"}.args();
    args.insert(args.begin(), "--help");
    const testdb::Outcome o = testdb::runProgram({.program = "dorvelian", .args = args, .dir = root + "/work"});
    ASSERT_EQ(o.code, 0);
    EXPECT_EQ(o.out, "");
    const auto log = testdb::logMessages(root + "/zentravis_php/log/dorvelian_.log");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "*** Programmstart Dorvelian ***");
    EXPECT_NE(log.back().find("Fehlerhafter Connect mit der DB! RC: "), std::string::npos) << log.back();
}

TEST_F(Cli, ConfigToolHelpVersionAndOptionForms) {
    ASSERT_EQ(run("dorvelian-config", {"--help"}), 0);
    EXPECT_EQ(out.rfind("usage: dorvelian-config FILE", 0), 0u) << out;
    EXPECT_NE(out.find("--password-stdin"), std::string::npos);
    EXPECT_EQ(err, "");
    ASSERT_EQ(run("dorvelian-config", {"--version"}), 0);
    EXPECT_EQ(out, std::string("dorvelian-config ") + DORVELIAN_VERSION + "\n");

    // The file last, options as --opt=value and in another order.
    const std::string file = root + "/a.cfg";
    ASSERT_EQ(run("dorvelian-config",
                  {"--password-stdin", "--login=planer", "--schema=PLAN7", "--service=sqlite:/srv", file},
                  "pw\n"),
              0)
        << err;
    Config_Read("", "SCHEMA", 0, file.c_str());
    EXPECT_EQ(Config_Ergebnis().wert.str(), "PLAN7.");
    ASSERT_EQ(run("dorvelian-config", {"--show=" + file}), 0) << err;
    EXPECT_EQ(out, "NET8=sqlite:/srv\nSCHEMA=PLAN7\nLOGIN=planer\nPASS=********\n"
                   "RULE-CHECK=after-move (default)\nPERSON-CHOICE=first (default)\nMINIMUM-PASS=off (default)\n");

    struct Misuse {
        std::vector<std::string> args;
        std::string named;
    } misuses[] = {
        {{"--colour=red", file}, "unknown option --colour"},
        {{"-x", file}, "unknown option -x"},
        {{file, "--service"}, "option --service needs a value"},
        {{"--service", "s", "--schema", "S", "--login", "u", "--password", "p"}, "no configuration file"},
        {{file, "other.cfg", "--service", "s", "--schema", "S", "--login", "u", "--password", "p"},
         "also given: other.cfg"},
        {{file, "--schema", "S", "--login", "u", "--password", "p"}, "--service, --schema and --login"},
        {{"--show", file, "--login", "u"}, "--show takes only the file"},
        {{}, "no configuration file"},
    };
    for (const Misuse& m : misuses) {
        SCOPED_TRACE(testing::PrintToString(m.args));
        EXPECT_EQ(run("dorvelian-config", m.args), 2);
        EXPECT_NE(err.find(m.named), std::string::npos) << err;
        EXPECT_NE(err.find("--help"), std::string::npos);
        EXPECT_EQ(out, "");
    }
    // None of them touched the file.
    ASSERT_EQ(run("dorvelian-config", {"--show", file}), 0);
    EXPECT_EQ(out, "NET8=sqlite:/srv\nSCHEMA=PLAN7\nLOGIN=planer\nPASS=********\n"
                   "RULE-CHECK=after-move (default)\nPERSON-CHOICE=first (default)\nMINIMUM-PASS=off (default)\n");
}

TEST_F(Cli, DemoHelpVersionOptionFormsAndAPrivateConfiguration) {
    ASSERT_EQ(run("dorvelian-demo", {"--help"}), 0);
    EXPECT_EQ(out.rfind("usage: dorvelian-demo --dir DEMO", 0), 0u) << out;
    EXPECT_EQ(err, "");
    ASSERT_EQ(run("dorvelian-demo", {"--version"}), 0);
    EXPECT_EQ(out, std::string("dorvelian-demo ") + DORVELIAN_VERSION + "\n");
    // --version is an option of its own, not a value-taking one.
    ASSERT_EQ(run("dorvelian-demo", {"--days", "2", "--version"}), 0);
    EXPECT_EQ(out, std::string("dorvelian-demo ") + DORVELIAN_VERSION + "\n");
    EXPECT_EQ(otherFiles(), 0u);

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--colour=red", "--dir", "d"}, {"--dir", "d", "--days"}, {"--dir=d", "--days=0"}, {"--dir", "d", "extra"},
             {"-q", "--dir", "d"}}) {
        SCOPED_TRACE(testing::PrintToString(bad));
        EXPECT_EQ(run("dorvelian-demo", bad), 2);
        EXPECT_EQ(out, "");
        EXPECT_NE(err.find("--help"), std::string::npos);
        EXPECT_FALSE(fs::exists(root + "/d"));
    }
    for (const auto& [args, named] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--dir", "d", "--colour=red"}, "unknown option --colour"},
             {{"--dir", "d", "--days"}, "--days needs a value"},
             {{"--dir", "d", "extra"}, "unexpected argument extra"}})
        EXPECT_NE((run("dorvelian-demo", args), err).find(named), std::string::npos) << named;

    // An older configuration open to all is replaced by one only its owner
    // can read.
    fs::create_directories(root + "/d/work");
    const std::string cfg = root + "/d/work/dorvelian.cfg";
    std::ofstream(cfg) << "old\n";
    ASSERT_EQ(chmod(cfg.c_str(), 0644), 0);
    ASSERT_EQ(run("dorvelian-demo", {"--seed=4", "--units=1", "--force", "--days=2", "--plangroups", "1", "--dir=d",
                                     "--schema=DEMO_7"}),
              0)
        << err;
    struct stat st {};
    ASSERT_EQ(stat(cfg.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    Config_Read("", "SCHEMA", 0, cfg.c_str());
    EXPECT_EQ(Config_Ergebnis().wert.str(), "DEMO_7.");
    EXPECT_TRUE(fs::exists(root + "/d/db/DEMO_7.db"));
}

}  // namespace
