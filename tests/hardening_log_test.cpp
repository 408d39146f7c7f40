// The run log under faults: several processes writing past the rotation
// size, and a log folder the program cannot write to.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/Log.hpp"
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

// A log of exactly the rotation size, beginning with a marker line: the next
// line is still appended to it, the one after that rotates it.
void fullLog(const std::string& path, const std::string& marker) {
    std::string text = marker + "\n";
    text.resize(static_cast<std::size_t>(kLogRotationBytes) - 1, 'x');
    text += '\n';
    std::ofstream(path, std::ios::binary) << text;
}

// Forks `writers` processes that wait at a common start and then each write
// `count` lines "W<writer>-<n>" through Log_Write.
void writeConcurrently(const std::string& log, const std::string& bak, int writers, int count) {
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    std::vector<pid_t> pids;
    for (int w = 0; w < writers; ++w) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(start[1]);
            char c;
            (void)!read(start[0], &c, 1);  // returns when the parent closes its end
            Log_Pfade_Setzen(log, bak);
            for (int n = 0; n < count; ++n) Log_Write(("W" + std::to_string(w) + "-" + std::to_string(n)).c_str());
            _exit(0);
        }
        pids.push_back(pid);
    }
    close(start[0]);
    close(start[1]);
    for (pid_t pid : pids) {
        int st = 0;
        ASSERT_EQ(waitpid(pid, &st, 0), pid);
        ASSERT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
    }
}

TEST(RunLogRotation, TwoWritersPastTheLimitRotateOnceAndLoseNoLine) {
    const std::string dir = testdb::makeTempDir();
    const std::string log = dir + "/dorvelian_PLAN.log";
    const std::string bak = dir + "/dorvelian_PLAN.bak";
    constexpr int kWriters = 2;
    constexpr int kLines = 40;
    // The race between the size check and the rename is narrow; several
    // rounds make a double rotation or a lost line show.
    for (int round = 0; round < 8; ++round) {
        const std::string marker = "full log of round " + std::to_string(round);
        fullLog(log, marker);
        writeConcurrently(log, bak, kWriters, kLines);

        const std::vector<std::string> backup = lines(testdb::readFile(bak));
        const std::vector<std::string> current = lines(testdb::readFile(log));
        ASSERT_FALSE(backup.empty()) << "round " << round;
        // Rotated once: the backup is the full log plus the one line that
        // still fitted, the new log holds every other line.
        EXPECT_EQ(backup.front(), marker) << "round " << round;
        EXPECT_EQ(backup.size(), 3u) << "round " << round;
        EXPECT_EQ(current.size(), static_cast<std::size_t>(kWriters * kLines - 1)) << "round " << round;

        std::map<std::string, int> seen;
        for (std::size_t i = 2; i < backup.size(); ++i) ++seen[backup[i].substr(21)];
        for (const std::string& l : current) {
            ASSERT_GT(l.size(), 21u);
            EXPECT_EQ(l.substr(19, 2), "  ");
            ++seen[l.substr(21)];
        }
        for (int w = 0; w < kWriters; ++w)
            for (int n = 0; n < kLines; ++n)
                EXPECT_EQ(seen["W" + std::to_string(w) + "-" + std::to_string(n)], 1)
                    << "round " << round << " W" << w << "-" << n;
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(kWriters * kLines)) << "round " << round;
        if (HasFailure()) break;
    }
    testdb::removeTree(dir);
}

// A plan group whose one staffing-matrix row lacks staff: a run that got
// through leaves its error row and its marks, whatever became of the log.
class RunWithoutLog : public ::testing::Test {
protected:
    testdb::TestDb t{testdb::Layout::Newer, false};
    testdb::Workspace w;

    void SetUp() override {
        t.fillCalendar(5, 30);
        t.exec("INSERT INTO Dvm701Plg (PlgPlg, PlgKal, PlgHzt, PlgUsr, PlgFts, PlgOpl) VALUES ('P1', 'K1', 1, 'alt', 3, 1)");
        t.exec("INSERT INTO Dvm725Bsm (BsmBdt, BsmEso, BsmEsa, BsmSzv, BsmSzb, BsmBsz, BsmSol, BsmMin, BsmMax, BsmIst, "
               "BsmPlg, BsmAsw) VALUES (" + testdb::jd(testdb::today()) + ", 'E1', 'A1', 360, 840, 'F', 2, 1, 3, 0, 'P1', 1)");
        w.writeConfig(t.service(), "PLAN", "u", "p");
    }
    int run() {
        return w.run(testdb::RunLine{.plg = "P1"}.args());
    }
    void expectTheRunWasDone() {
        EXPECT_EQ(t.count("SELECT count(*) FROM Dvm746Err WHERE ErrPlg='P1' AND ErrFnr=1601"), 1);
        EXPECT_EQ(t.scalar("SELECT ifnull(PlgUsr,'') || '/' || PlgFts || '/' || (PlgBeg IS NOT NULL) FROM Dvm701Plg"),
                  "/0/1");
    }
};

TEST_F(RunWithoutLog, MissingLogFolder) {
    fs::remove_all(w.logDir());
    EXPECT_EQ(run(), 0);
    expectTheRunWasDone();
    EXPECT_FALSE(fs::exists(w.logDir()));
}

TEST_F(RunWithoutLog, LogThatCannotBeOpened) {
    // A directory in place of the log file refuses the open also to root;
    // a folder without write permission does so for everyone else.
    fs::create_directory(w.logPath("PLAN"));
    EXPECT_EQ(run(), 0);
    expectTheRunWasDone();
    EXPECT_TRUE(fs::is_directory(w.logPath("PLAN")));
    if (geteuid() != 0) {
        fs::remove(w.logPath("PLAN"));
        t.exec("DELETE FROM Dvm746Err");
        ASSERT_EQ(chmod(w.logDir().c_str(), 0555), 0);
        EXPECT_EQ(run(), 0);
        chmod(w.logDir().c_str(), 0755);
        expectTheRunWasDone();
        EXPECT_FALSE(fs::exists(w.logPath("PLAN")));
    }
}

TEST_F(RunWithoutLog, FullLogThatCannotBeRotatedIsAppendedTo) {
    // A non-empty directory at the backup path defeats both the removal of
    // the old backup and the rename.
    const std::string bak = w.logDir() + "/dorvelian_PLAN.bak";
    fs::create_directories(bak + "/keep");
    fullLog(w.logPath("PLAN"), "full");
    std::ofstream(w.logPath("PLAN"), std::ios::app) << "one more line past the limit\n";
    const auto before = fs::file_size(w.logPath("PLAN"));
    EXPECT_EQ(run(), 0);
    expectTheRunWasDone();
    const std::vector<std::string> all = lines(testdb::readFile(w.logPath("PLAN")));
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(all.front(), "full");
    EXPECT_EQ(all[all.size() - 2].substr(21), "*** Programmstart Dorvelian ***");
    EXPECT_EQ(all.back().substr(21), "*** Programmende Dorvelian ***");
    EXPECT_GT(fs::file_size(w.logPath("PLAN")), before);
    EXPECT_TRUE(fs::is_directory(bak + "/keep"));
}

}  // namespace
