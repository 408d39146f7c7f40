// What a run leaves for its operator besides the rows: the run summary of
// DORVELIAN_STATS, checked against the rows the run wrote, and the log lines
// on standard error when the run log cannot take them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/PlanRows.hpp"
#include "support/Program.hpp"
#include "support/TestDb.hpp"
#include "support/Workspace.hpp"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l)) out.push_back(l);
    return out;
}

// The summary file as key -> value, in file order.
std::vector<std::pair<std::string, long long>> summary(const std::string& path) {
    std::vector<std::pair<std::string, long long>> out;
    for (const std::string& l : lines(testdb::readFile(path))) {
        std::istringstream in(l);
        std::string key;
        long long value = -1;
        in >> key >> value;
        EXPECT_TRUE(in && in.peek() == EOF) << "not 'key value': " << l;
        out.emplace_back(key, value);
    }
    return out;
}

// A demo plan on SQLite, run by the optimiser with the summary on.
class RunSummary : public ::testing::Test {
protected:
    std::string root = testdb::makeTempDir();
    std::string demo = root + "/demo";
    std::unique_ptr<testdb::PlanRows> db;

    void SetUp() override {
        ASSERT_EQ(testdb::runDemo({"--dir", demo, "--days", "4", "--plangroups", "2", "--units", "2", "--workplaces",
                                    "2", "--seed", "7"})
                      .code,
                  0);
        db = std::make_unique<testdb::PlanRows>(testdb::Backend::Sqlite, "sqlite:" + demo + "/db");
    }
    void TearDown() override {
        db.reset();
        testdb::removeTree(root);
    }
    std::vector<std::vector<long long>> rows(const std::string& sql) {
        std::vector<std::vector<long long>> out;
        for (const auto& z : db->cells(sql)) {
            std::vector<long long>& zeile = out.emplace_back();
            for (const std::string& t : z) zeile.push_back(t == "~" ? 0 : std::stoll(t));
        }
        return out;
    }
    long long count(const std::string& sql) { return rows(sql).at(0).at(0); }
    // The optimiser on the demo plan with DORVELIAN_STATS set to `stats`.
    testdb::Outcome run(const std::string& stats) {
        testdb::Call c = testdb::demoRun(demo, {.user = "demo", .job = "JOB1", .key = "KEY1"});
        c.env = {{"DORVELIAN_STATS", stats}};
        return testdb::runProgram(c);
    }
};

TEST_F(RunSummary, CountsAgreeWithTheRowsAndTheLog) {
    // Every third error row is refused, so that the run has failure lines
    // and the summary must count only the rows that were written.
    db->exec("CREATE TRIGGER refuse_some BEFORE INSERT ON Dvm746Err WHEN new.ErrLfn % 3 = 0 "
         "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    ASSERT_EQ(count("SELECT count(*) FROM Dvm735Bdk"), 0);
    const std::string datei = root + "/stats.txt";
    ASSERT_EQ(run(datei).code, 0);

    const auto s = summary(datei);
    ASSERT_GE(s.size(), 9u) << testdb::readFile(datei);
    // The two lines that bench/whole_run.sh reads stay first.
    EXPECT_EQ(s[0].first, "statements");
    EXPECT_EQ(s[1].first, "fetches");
    EXPECT_GT(s[0].second, 0);
    EXPECT_GT(s[1].second, 0);
    std::map<std::string, long long> m(s.begin(), s.end());
    EXPECT_EQ(m.size(), s.size()) << "a key twice";

    EXPECT_EQ(m["plangroups"], count("SELECT count(*) FROM Dvm701Plg WHERE PlgOpl IN (1, 2, 3)"));
    EXPECT_EQ(m["plangroups"], 2);
    const long long vorschlaege = count("SELECT count(*) FROM Dvm735Bdk");
    EXPECT_GT(vorschlaege, 0);
    EXPECT_EQ(m["proposals"], vorschlaege);

    const auto nachNummer = rows("SELECT ErrFnr, count(*) FROM Dvm746Err GROUP BY ErrFnr ORDER BY ErrFnr");
    ASSERT_FALSE(nachNummer.empty());
    long long summe = 0;
    for (const auto& z : nachNummer) {
        EXPECT_EQ(m["error_rows_" + std::to_string(z[0])], z[1]) << "error number " << z[0];
        summe += z[1];
    }
    EXPECT_EQ(m["error_rows"], summe);
    std::size_t nummern = 0;
    for (const auto& [key, value] : s) nummern += key.rfind("error_rows_", 0) == 0;
    EXPECT_EQ(nummern, nachNummer.size()) << "a number without rows";

    long long fehlerzeilen = 0;
    for (const std::string& l : testdb::logMessages(demo + "/zentravis_php/log/dorvelian_PLAN.log"))
        fehlerzeilen += l.rfind("-Fehler", 0) == 0;
    EXPECT_GT(fehlerzeilen, 0);
    EXPECT_EQ(m["failure_lines"], fehlerzeilen);

    ASSERT_TRUE(m.count("wall_ms") && m.count("cpu_ms"));
    EXPECT_GE(m["wall_ms"], 0);
    EXPECT_GE(m["cpu_ms"], 0);
    EXPECT_GE(m["wall_ms"] + 20, m["cpu_ms"]) << "one thread cannot use more processor time than wall time";
}

TEST_F(RunSummary, AnEmptyVariableWritesNothingAndAnUnwritableFileIsReported) {
    // An empty value names no file; the run leaves only its log.
    ASSERT_EQ(run("").code, 0);
    std::vector<std::string> dateien;
    for (const auto& e : fs::recursive_directory_iterator(demo))
        if (e.is_regular_file() && e.path().parent_path().filename() != "db")
            dateien.push_back(e.path().lexically_relative(demo).string());
    std::sort(dateien.begin(), dateien.end());
    EXPECT_EQ(dateien, (std::vector<std::string>{"work/dorvelian.cfg", "zentravis_php/log/dorvelian_PLAN.log"}));

    const testdb::Outcome o = run("/no/such/dir/stats");
    ASSERT_EQ(o.code, 0);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "dorvelian: cannot write the run summary to /no/such/dir/stats\n");
}

// ---- the log's lines on standard error -----------------------------------------

class LogFallback : public ::testing::Test {
protected:
    testdb::TestDb t{testdb::Layout::Newer, false};
    testdb::Workspace w;
    std::string out, err;

    void SetUp() override {
        t.fillCalendar(5, 30);
        t.exec("INSERT INTO Dvm701Plg (PlgPlg, PlgKal, PlgHzt, PlgUsr, PlgFts, PlgOpl) VALUES ('P1', 'K1', 1, 'alt', 3, 1)");
        w.writeConfig(t.service(), "PLAN", "u", "p");
    }
    int run(const std::string& beginn = "00000000") {
        return w.run(testdb::RunLine{.from = beginn, .plg = "P1"}.args(), out, err);
    }
    // The messages of standard error without their time stamps.
    std::vector<std::string> errMessages() {
        std::vector<std::string> m;
        for (const std::string& l : lines(err)) {
            EXPECT_GT(l.size(), 21u) << l;
            EXPECT_EQ(l.substr(19, 2), "  ") << l;
            m.push_back(l.size() > 21 ? l.substr(21) : l);
        }
        return m;
    }
};

TEST_F(LogFallback, LinesGoToStandardErrorOnlyWhenTheLogCannotTakeThem) {
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "") << "a writable log takes every line";
    EXPECT_EQ(w.logMessages("PLAN").size(), 2u);

    // No log folder: the lines of a run with a failure reach standard error.
    fs::remove_all(w.logDir());
    ASSERT_EQ(run(testdb::dayOffset(-1)), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(errMessages(), (std::vector<std::string>{"*** Programmstart Dorvelian ***",
                                                        "-Fehler: Main()->Planzeitraum_OK(): Planbeginn/-Ende unzulaessig!",
                                                        "*** Programmende Dorvelian ***"}));
    EXPECT_FALSE(fs::exists(w.logDir()));

    // A directory in place of the log file.
    fs::create_directories(w.logPath("PLAN"));
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(errMessages(), (std::vector<std::string>{"*** Programmstart Dorvelian ***", "*** Programmende Dorvelian ***"}));
}

}  // namespace
