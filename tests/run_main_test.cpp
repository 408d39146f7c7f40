// The program as the scheduler starts it: configuration, log, logon,
// parameter count and plan period.
#include <gtest/gtest.h>

#include "support/TestDb.hpp"
#include "support/Workspace.hpp"

using testdb::TestDb;
using testdb::Workspace;

namespace {
std::vector<std::string> params(const std::string& beg, const std::string& end, const std::string& plg = "ZZZZZ") {
    return testdb::RunLine{.from = beg, .to = end, .plg = plg}.args();
}
}  // namespace

TESTDB_BOTH_BACKENDS(ProgramRun);

TEST(Program, RefusedLogonEndsTheRunWithoutEndLine) {
    Workspace w;
    w.writeConfig("sqlite:/no/such/dir", "PLAN", "u", "p");
    EXPECT_EQ(w.run(params("00000000", "00000000")), 0);
    auto log = w.logMessages("PLAN");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "*** Programmstart Dorvelian ***");
    EXPECT_EQ(log[1], "-Fehler: Main()->dbConnect() Fehlerhafter Connect mit der DB! RC: -12154");
}

TEST_P(ProgramRun, TenParametersAfterAGoodLogonAreTooFew) {
    TestDb t(backend(), testdb::Layout::Newer, false);
    Workspace w;
    w.writeConfig(t.service(), t.schema(), t.login(), t.password());
    auto p = params("00000000", "00000000");
    p.pop_back();
    EXPECT_EQ(w.run(p), 0);
    auto log = w.logMessages("PLAN");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1], "-Fehler: Main() Mindestanzahl Parameter(12) unterschritten! Anzahl uebergeben: 11.");
}

TEST_P(ProgramRun, PlanPeriodIsCheckedAndTheEndLineFollows) {
    TestDb t(backend(), testdb::Layout::Newer, false);
    t.fillCalendar();
    Workspace w;
    w.writeConfig(t.service(), t.schema(), t.login(), t.password());
    const std::string rejected = "-Fehler: Main()->Planzeitraum_OK(): Planbeginn/-Ende unzulaessig!";
    struct Fall {
        std::string beg, end;
        bool ok;
    } faelle[] = {
        {testdb::today(), "00000000", true},
        {"00000000", testdb::today(), true},
        {testdb::dayOffset(-1), "00000000", false},
        {testdb::dayOffset(3), testdb::dayOffset(2), false},
        // Not calendar dates, though they compare above today.
        {"99999999", "00000000", false},
        {"2999ab01", "00000000", false},
        {"00000000", "29990230", false},
    };
    for (const Fall& f : faelle) {
        std::remove(w.logPath("PLAN").c_str());
        EXPECT_EQ(w.run(params(f.beg, f.end)), 0);
        auto log = w.logMessages("PLAN");
        ASSERT_GE(log.size(), 2u) << f.beg << " " << f.end;
        EXPECT_EQ(log.front(), "*** Programmstart Dorvelian ***");
        EXPECT_EQ(log.back(), "*** Programmende Dorvelian ***");
        bool rejectedSeen = false;
        for (const auto& l : log) rejectedSeen = rejectedSeen || l == rejected;
        EXPECT_EQ(rejectedSeen, !f.ok) << f.beg << " " << f.end;
    }
}
