// The run of one plan group on real data: level, marks, plan period, old
// error rows and the error review of the staffing matrix.
#include <gtest/gtest.h>

#include "db/Bsm.hpp"
#include "db/Err.hpp"
#include "db/Plg.hpp"
#include "run/BsmError.hpp"
#include "run/Einsatzplan.hpp"
#include "base/Laufkontext.hpp"
#include "base/Log.hpp"
#include "support/TestDb.hpp"

using testdb::dayOffset;
using testdb::jd;
using testdb::TestDb;
using testdb::today;

namespace {

class PlanGroupRun : public testdb::BackendTest {
protected:
    TestDb t{GetParam()};
    Laufkontext lk;
    Dvm746Err err;
    std::string logFile;

    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped()) return;
        BsmOvaOve_Aktiv = 1;
        PlgOptOpl_Aktiv = 1;
        t.fillCalendar(10, 60);
        logFile = t.dir() + "/run.log";
        Log_Pfade_Setzen(logFile, t.dir() + "/run.bak");
        lk.Usr = "planer";
        lk.PlanBeg = "00000000";
        lk.PlanEnd = "00000000";
        lk.Zeitstempel = (today() + "063000").c_str();
        lk.Jbd = "JOB";
        lk.Jbk = "KEY";
    }

    void plangruppe(const std::string& plg, int opl, int hzt = 1) {
        t.exec("INSERT INTO Dvm701Plg (PlgPlg, PlgTxt, PlgKal, PlgHzt, PlgUsr, PlgPgm, PlgFts, PlgOpl) VALUES ('" +
               plg + "', 'Gruppe', 'K1', " + std::to_string(hzt) + ", 'alt', 'FRONT', 5, " + std::to_string(opl) + ")");
    }
    void fehlerzeile(const std::string& plg, const std::string& kng, const std::string& datum,
                     const std::string& eso = "E1") {
        std::string d = datum.empty() ? "NULL" : jd(datum);
        t.exec("INSERT INTO Dvm746Err (ErrPlg, ErrKng, ErrLfn, ErrEso, ErrEsa, ErrBdt, ErrFnr) VALUES ('" + plg + "', '" +
               kng + "', 1, '" + eso + "', 'A1', " + d + ", 1601)");
    }
    void matrixzeile(const std::string& plg, const std::string& eso, const std::string& datum, int szv, int sol,
                     int min, int max, int ist, int htg = 0, int htv = 0, int htn = 0) {
        t.exec("INSERT INTO Dvm725Bsm (BsmBdt, BsmEso, BsmEsa, BsmSzv, BsmSzb, BsmBsz, BsmSol, BsmMin, BsmMax, BsmIst, "
               "BsmPlg, BsmHtg, BsmHtv, BsmHtn, BsmAsw) VALUES (" + jd(datum) + ", '" + eso + "', 'A1', " +
               std::to_string(szv) + ", " + std::to_string(szv + 480) + ", 'F', " + std::to_string(sol) + ", " +
               std::to_string(min) + ", " + std::to_string(max) + ", " + std::to_string(ist) + ", '" + plg + "', " +
               std::to_string(htg) + ", " + std::to_string(htv) + ", " + std::to_string(htn) + ", 1)");
    }
    std::vector<std::string> log() {
        std::vector<std::string> out;
        std::string s = testdb::readFile(logFile);
        std::size_t pos = 0;
        while (pos < s.size()) {
            std::size_t nl = s.find('\n', pos);
            std::string line = s.substr(pos, nl - pos);
            out.push_back(line.size() > 21 ? line.substr(21) : line);
            pos = nl == std::string::npos ? s.size() : nl + 1;
        }
        return out;
    }
};

TEST_P(PlanGroupRun, LevelOutsideOneToThreeLeavesThePlanGroupUntouched) {
    for (int opl : {0, 4}) {
        std::string plg = "P" + std::to_string(opl);
        plangruppe(plg, opl);
        fehlerzeile(plg, "PLANO", today());
        Einsatzplan_Optimieren(lk, plg.c_str(), "", "", err);
        EXPECT_EQ(t.scalar("SELECT PlgUsr || PlgPgm || PlgFts FROM Dvm701Plg WHERE PlgPlg='" + plg + "'"), "altFRONT5");
        EXPECT_EQ(t.count("SELECT count(*) FROM Dvm746Err WHERE ErrPlg='" + plg + "'"), 1);
    }
    // A plan group that is not there is reported and skipped.
    Einsatzplan_Optimieren(lk, "NONE", "", "", err);
    EXPECT_EQ(log(), std::vector<std::string>{"-Fehler: Einsatzplan_Optimieren()->Plg_PKey_Read() RC: 1403! PLG: NONE"});
}

TEST_P(PlanGroupRun, MarksAreClearedAndTheStartTimeKept) {
    plangruppe("PG", 3);
    Einsatzplan_Optimieren(lk, "PG", "", "", err);
    EXPECT_EQ(lk.Ebene, "ESA");
    auto row = t.rows("SELECT coalesce(PlgUsr,'-'), coalesce(PlgPgm,'-'), PlgFts, " + testdb::stampText("PlgBeg") +
                      ", PlgTxt, PlgKal, PlgHzt FROM Dvm701Plg");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0], (std::vector<std::string>{"-", "-", "0", today() + "063000", "Gruppe", "K1", "1"}));
    EXPECT_TRUE(log().empty());
}

TEST_P(PlanGroupRun, PeriodFollowsHorizonWeekdayAndCalendarEnd) {
    plangruppe("PG", 1, 2);
    int wtg = std::stoi(t.scalar("SELECT BakWtg FROM DVMASTER.Dvm133Bak WHERE BakDtm=" + jd(today())));
    Planzeitraum_Ermitteln("PG", lk);
    EXPECT_EQ(lk.Von, today());
    EXPECT_EQ(lk.Bis, dayOffset(2 * 7 + 7 - wtg));

    // Given dates are taken as they are.
    lk.PlanBeg = dayOffset(1).c_str();
    lk.PlanEnd = dayOffset(3).c_str();
    Planzeitraum_Ermitteln("PG", lk);
    EXPECT_EQ(lk.Von, dayOffset(1));
    EXPECT_EQ(lk.Bis, dayOffset(3));

    // A horizon past the calendar's end ends on its last date.
    lk.PlanBeg = "00000000";
    lk.PlanEnd = "00000000";
    t.exec("UPDATE Dvm701Plg SET PlgHzt = 52");
    Planzeitraum_Ermitteln("PG", lk);
    EXPECT_EQ(lk.Bis, dayOffset(60));

    // Unreadable horizon and weekday: seven days.
    t.exec("DELETE FROM DVMASTER.Dvm133Bak WHERE BakDtm=" + jd(today()));
    Planzeitraum_Ermitteln("NONE", lk);
    EXPECT_EQ(lk.Bis, dayOffset(7));
}

TEST_P(PlanGroupRun, OldErrorRowsOfTheKindGoInPeriodUndatedAndBeforeToday) {
    plangruppe("PG", 1, 0);
    lk.PlanEnd = dayOffset(5).c_str();
    fehlerzeile("PG", "PLANO", today());      // in the period
    fehlerzeile("PG", "PLANO", "");           // without date
    fehlerzeile("PG", "PLANO", dayOffset(-3));  // before today, outside the period
    fehlerzeile("PG", "PLANO", dayOffset(9));   // after the period: stays
    fehlerzeile("PG", "PLANG", today());      // other kind: stays
    fehlerzeile("XX", "PLANO", today());      // other plan group: stays
    Einsatzplan_Optimieren(lk, "PG", "", "", err);
    EXPECT_EQ(t.count("SELECT count(*) FROM Dvm746Err WHERE ErrPlg='PG' AND ErrKng='PLANO'"), 1);
    EXPECT_EQ(t.count("SELECT count(*) FROM Dvm746Err WHERE ErrPlg='PG' AND ErrKng='PLANO' AND ErrBdt=" + jd(dayOffset(9))), 1);
    EXPECT_EQ(t.count("SELECT count(*) FROM Dvm746Err"), 3);
}

TEST_P(PlanGroupRun, ErrorReviewWritesOneNumberedRowPerMissedTarget) {
    plangruppe("PG", 1, 0);
    lk.PlanEnd = dayOffset(1).c_str();
    const std::string d = today();
    matrixzeile("PG", "E1", d, 360, 3, 2, 5, 4, 1, 2, 1);   // E = 2 < 3, min 2 -> 1603
    matrixzeile("PG", "E1", d, 420, 3, 3, 5, 4, 1, 2, 1);   // E = 2 < min 3 -> 1602
    matrixzeile("PG", "E1", d, 480, 1, 0, 2, 2, 2);         // E = 0, Sol 1 -> 1601 only
    matrixzeile("PG", "E1", d, 540, 0, 0, 0, 0);            // Sol 0, E 0 -> none
    matrixzeile("PG", "E2", d, 600, 2, 1, 3, 3);            // E = Sol + 1 <= Max -> 1604
    matrixzeile("PG", "E2", d, 660, 2, 1, 2, 3);            // E > Max -> 1605
    matrixzeile("PG", "E2", d, 720, 2, 1, 3, 2);            // E = Sol -> none
    Einsatzplan_Optimieren(lk, "PG", "", "", err);
    auto rows = t.rows("SELECT ErrLfn, ErrEso, ErrZtv, ErrFnr, ErrKng, ErrErf, ErrJbd, ErrJbk, coalesce(ErrPnr,'-'), ErrKnz, " +
                       testdb::dateText("ErrBdt") + " FROM Dvm746Err ORDER BY ErrLfn");
    ASSERT_EQ(rows.size(), 5u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"360", "1603"}, {"420", "1602"}, {"480", "1601"}, {"600", "1604"}, {"660", "1605"}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][0], std::to_string(i + 1));
        EXPECT_EQ(rows[i][2], expected[i].first);
        EXPECT_EQ(rows[i][3], expected[i].second);
        EXPECT_EQ(rows[i][4], "PLANO");
        EXPECT_EQ(rows[i][5], "planer");
        EXPECT_EQ(rows[i][6] + rows[i][7], "JOBKEY");
        EXPECT_EQ(rows[i][8], "-");
        EXPECT_EQ(rows[i][9], "F");
        EXPECT_EQ(rows[i][10], d);
    }
}

TEST_P(PlanGroupRun, TargetsBelowZeroAreComparedAsTheyStand) {
    // Targets of -1 and below are the row's own values in the review; only
    // the recount's deviation reads them as 0. E below 0 comes from more
    // deployments with function code 1 than deployments.
    plangruppe("PG", 1, 0);
    lk.PlanEnd = today().c_str();
    const std::string d = today();
    matrixzeile("PG", "E1", d, 300, -1, -1, -1, 0);     // E 0 > Sol -1, > Max -1 -> 1605
    matrixzeile("PG", "E1", d, 360, -1, -1, 0, 0);      // E 0 > Sol -1, <= Max 0 -> 1604
    matrixzeile("PG", "E1", d, 420, 2, -1, 3, 0, 1);    // E -1 < Sol 2, >= Min -1 -> 1603
    matrixzeile("PG", "E1", d, 480, -2, -3, -2, 0);     // E 0 > Max -2 -> 1605
    matrixzeile("PG", "E1", d, 540, 1, -1, 1, 0, 1);    // E -1 < Sol 1, >= Min -1 -> 1603
    matrixzeile("PG", "E1", d, 600, 2, 2, 3, 0);        // E 0, Sol 2 -> 1601, numbered after them
    Einsatzplan_Optimieren(lk, "PG", "", "", err);
    EXPECT_EQ(t.joined("SELECT ErrLfn || ':' || ErrZtv || ':' || ErrFnr FROM Dvm746Err ORDER BY ErrLfn"),
              "1:300:1605,2:360:1604,3:420:1603,4:480:1605,5:540:1603,6:600:1601");
    EXPECT_TRUE(log().empty());
}

TEST_P(PlanGroupRun, EmptyCalendarGivesAnEmptyPeriodByHorizon) {
    // No calendar row: the date cannot be moved, the calendar's last date is
    // NULL and comes back empty with result 0, and the period ends there.
    plangruppe("PG", 1, 2);
    matrixzeile("PG", "E1", today(), 360, 3, 2, 5, 0);  // would be 1601 in any period holding today
    fehlerzeile("PG", "PLANO", today());  // the empty period holds no date: stays
    fehlerzeile("PG", "PLANO", "");       // without date: goes
    t.exec("DELETE FROM DVMASTER.Dvm133Bak");
    Einsatzplan_Optimieren(lk, "PG", "", "", err);
    EXPECT_EQ(lk.Von, today());
    EXPECT_EQ(lk.Bis, "");
    EXPECT_EQ(t.joined("SELECT " + testdb::dateText("ErrBdt") + " || ':' || ErrFnr FROM Dvm746Err"),
              today() + ":1601");
    auto row = t.rows("SELECT coalesce(PlgUsr,'-'), coalesce(PlgPgm,'-'), PlgFts, " + testdb::stampText("PlgBeg") +
                      " FROM Dvm701Plg");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0], (std::vector<std::string>{"-", "-", "0", today() + "063000"}));
    EXPECT_TRUE(log().empty());

    // Without the calendar table the last date cannot be read either, and
    // the period is today alone.
    t.exec("DROP TABLE DVMASTER.Dvm133Bak");
    Planzeitraum_Ermitteln("PG", lk);
    EXPECT_EQ(lk.Von, today());
    EXPECT_EQ(lk.Bis, today());
}

TEST_P(PlanGroupRun, ReviewIsRestrictedToTheUnitOfTheRunContext) {
    plangruppe("PG", 1, 0);
    matrixzeile("PG", "E1", today(), 360, 3, 2, 5, 0);
    matrixzeile("PG", "E2", today(), 360, 3, 2, 5, 0);
    lk.Eso = "E2";
    lk.Von = today().c_str();
    lk.Bis = today().c_str();
    ErrSatz_Init("PG", err, lk, FehlerArt::Plano);
    BsmError_Work(lk, "PG", err);
    EXPECT_EQ(t.joined("SELECT ErrEso FROM Dvm746Err"), "E2");
}

TEST_P(PlanGroupRun, RunningNumberWrapsAfter9999AndAFailedInsertLeavesAGap) {
    lk.Von = today().c_str();
    ErrSatz_Init("PG", err, lk, FehlerArt::Plano);
    Dvm725Bsm row;
    row.BsmBdt = today().c_str();
    row.BsmEso = "E1";
    row.BsmEsa = "A1";
    err.ErrLfn = 9998;
    Err_Write(row, 1601, err);
    EXPECT_EQ(err.ErrLfn, 0);
    Err_Write(row, 1601, err);
    EXPECT_EQ(t.joined("SELECT ErrLfn FROM Dvm746Err ORDER BY rowid"), "9999,1");

    // Without a kind word the row cannot be stored: logged, number skipped.
    err.ErrKng.clear();
    Err_Write(row, 1602, err);
    err.ErrKng = "PLANO";
    Err_Write(row, 1603, err);
    EXPECT_EQ(t.joined("SELECT ErrLfn FROM Dvm746Err ORDER BY rowid"), "9999,1,3");
    EXPECT_EQ(log(), std::vector<std::string>{"-Fehler: Err_Write->Err_Insert() RC: -1400!"});
}

TESTDB_INSTANTIATE_BOTH(PlanGroupRun);

}  // namespace
