// Bad data in a real plan: NULL where a column is read without indicator,
// dates that do not exist, texts longer than their fields, targets of -1, a
// missing table and an older-layout table. The run of the plan group logs
// the failing operation with its result code, goes on, and writes only
// counts it has really made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/Bsm.hpp"
#include "db/Err.hpp"
#include "db/Plg.hpp"
#include "run/Einsatzplan.hpp"
#include "base/Laufkontext.hpp"
#include "base/Log.hpp"
#include "base/Zufall.hpp"
#include "support/TestDb.hpp"

namespace {

using testdb::jd;
using Liste = std::vector<std::string>;

constexpr int kFrueh = 360;  // 06:00 - 14:00
constexpr int kSpaet = 840;  // 14:00 - 22:00

std::string q(const std::string& s) { return "'" + s + "'"; }

// Plan group PG on level "ESA", one day (today): unit E1, workplace A1, an
// early slot with four persons for a target of 2 (maximum 2) and an empty
// late slot that needs 2 (minimum 2). Undisturbed, the run proposes P1 and
// P2 from early to late, recounts both rows to balance, and the error
// review writes 1601 for the late row (nobody deployed there yet) and 1605
// for the early one (four deployed, maximum 2).
class BadData : public ::testing::Test {
protected:
    testdb::TestDb db;
    const std::string tag = testdb::today();
    Laufkontext lk;
    Dvm746Err err;

    void SetUp() override {
        BsmOvaOve_Aktiv = 1;
        PlgOptOpl_Aktiv = 1;
        db.fillCalendar(30, 30);
        Log_Pfade_Setzen(db.dir() + "/run.log", db.dir() + "/run.bak");
        Zufall_Seed(1);
        db.exec("insert into Dvm701Plg (PlgPlg, PlgTxt, PlgKal, PlgHzt, PlgUsr, PlgFts, PlgOpl) "
                "values ('PG', 'Gruppe', '01', 0, 'alt', 5, 3)");
        db.exec("insert into Dvm133Ka2 values ('01', " + jd(tag) + ", 'WT', 'WT', 0)");
        db.exec("insert into Dvm140Azv values ('M1', " + jd(testdb::dayOffset(-30)) +
                ", null, 360, 1080, 0, 1439, 480)");
        slot(kFrueh, "FR", 2, 1, 2, 4, 190);
        slot(kSpaet, "SP", 2, 2, 3, 0, -166);
        db.exec("insert into Dvm712Pgz values ('PG', 'E1', 'A1', 10, 11)");
        for (int i = 1; i <= 4; ++i) {
            const std::string p = q("P" + std::to_string(i));
            db.exec("insert into Dvm710Pbv values (" + p + ", " + jd(testdb::dayOffset(-10)) +
                    ", null, 2, 'E1', 'A1', 1, null)");
            db.exec("insert into Dvm329Ztg values (" + p + ", " + jd(tag) + ", 'M1', 'K1', null)");
            db.exec("insert into Dvm730Bdp (BdpPnr, BdpBdt, BdpEso, BdpEsa, BdpSzv, BdpSzb, BdpBsz, "
                    "BdpTtp, BdpZtv, BdpZtb, BdpFc1, BdpFc2, BdpFc3, BdpPlg, BdpAsw, BdpSts, BdpSta, "
                    "BdpAzt, BdpRnd, BdpAkt, BdpKos) values (" + p + ", " + jd(tag) +
                    ", 'E1', 'A1', 360, 840, 'X', 'WT', 360, 840, '   ', '   ', '   ', 'PG', 1, ' ', 0, "
                    "480, " + std::to_string(i) + ", 1, 0.0)");
        }
        lk.Usr = "planer";
        lk.PlanBeg = "00000000";
        lk.PlanEnd = tag.c_str();
        lk.Zeitstempel = (tag + "063000").c_str();
        lk.Jbd = "JOB";
        lk.Jbk = "KEY";
    }

    void slot(int szv, const char* bsz, int sol, int min, int max, int ist, int fkt) {
        db.exec("insert into Dvm725Bsm (BsmBdt, BsmEso, BsmEsa, BsmSzv, BsmSzb, BsmBsz, BsmTtp, BsmSol, "
                "BsmMin, BsmMax, BsmIst, BsmPlg, BsmFkt, BsmAsw, BsmOva, BsmOve) values (" + jd(tag) +
                ", 'E1', 'A1', " + std::to_string(szv) + ", " + std::to_string(szv + 480) + ", " + q(bsz) +
                ", 'WT', " + std::to_string(sol) + ", " + std::to_string(min) + ", " + std::to_string(max) +
                ", " + std::to_string(ist) + ", 'PG', " + std::to_string(fkt) + ", 1, 0, 0)");
        db.exec("insert into Dvm720Bss (BssPlg, BssEso, BssEsa, BssTtp, BssVon, BssBis, BssBsz, BssSol, BssMax, "
                "BssMin, BssAsw) values ('PG', 'E1', 'A1', 'WT', " + std::to_string(szv) + ", " +
                std::to_string(szv + 480) + ", " + q(bsz) + ", " + std::to_string(sol) + ", " +
                std::to_string(max) + ", " + std::to_string(min) + ", 1)");
    }

    // Replaces the table by a copy without keys, NOT NULL and CHECK
    // constraints, as a front end without the project's DDL might have made
    // it; the rows stay.
    void loosen(const std::string& table) {
        db.exec("create table Lose as select * from " + table + "; drop table " + table +
                "; alter table Lose rename to " + table);
    }

    void run() { Einsatzplan_Optimieren(lk, "PG", "", "", err); }

    // "PNR SZV->OSV" of this run's proposals.
    Liste vorschlaege() {
        Liste l;
        for (auto& r : db.rows("select BdkPnr || ' ' || BdkSzv || '->' || BdkOsv from Dvm735Bdk "
                               "where BdkKey like 'OPTVS%' order by rowid"))
            l.push_back(r[0]);
        return l;
    }
    // "BsmIst/BsmOva/BsmOve/BsmFkt" of a row.
    std::string zeile(int szv) {
        return db.scalar("select BsmIst || '/' || BsmOva || '/' || BsmOve || '/' || BsmFkt from Dvm725Bsm "
                         "where BsmSzv=" + std::to_string(szv));
    }
    // "SZV:FNR" of the error rows.
    Liste fehler() {
        Liste l;
        for (auto& r : db.rows("select ErrZtv || ':' || ErrFnr from Dvm746Err order by ErrLfn")) l.push_back(r[0]);
        return l;
    }
    // The plan-group marks "PlgUsr/PlgFts/PlgBeg set".
    std::string marken() {
        return db.scalar("select ifnull(PlgUsr,'') || '/' || PlgFts || '/' || (PlgBeg is not null) from Dvm701Plg");
    }
    Liste meldungen() { return testdb::logMessages(db.dir() + "/run.log"); }
};

const std::string kBalanced[] = {"4/2/0/0", "0/0/2/0"};  // early, late after P1 and P2

TEST_F(BadData, NullInADeploymentKeyEndsThatSlotsPersonsOnly) {
    // P2's record has no person number: the second reading of the early
    // slot stops there, after P1 was proposed and both rows recounted for
    // that one proposal.
    loosen("Dvm730Bdp");
    db.exec("update Dvm730Bdp set BdpPnr = null where BdpPnr = 'P2'");
    run();
    EXPECT_EQ(vorschlaege(), (Liste{"P1 360->840"}));
    EXPECT_EQ(zeile(kFrueh), "4/1/0/190");
    EXPECT_EQ(zeile(kSpaet), "0/0/1/-133");
    EXPECT_EQ(fehler(), (Liste{"360:1605", "840:1601"}));
    EXPECT_EQ(marken(), "/0/1");
    EXPECT_EQ(meldungen(), (Liste{"-Fehler: Prf_UebBsz_Pers()->Bdp_BszPnr_Read() RC: -1405! PLG: PG ESO: E1 "
                                  "ESA: A1 DAT: " + tag + " VON: 360."}));
}

TEST_F(BadData, NullInAStaffingMatrixKeyEndsTheReviewAndChangesNothing) {
    // The early row lacks its unit: no search finds it, and the error review
    // stops at it. A NULL unit sorts after every unit, so the late row is
    // reviewed before it.
    loosen("Dvm725Bsm");
    db.exec("update Dvm725Bsm set BsmEso = null where BsmSzv = 360");
    run();
    EXPECT_TRUE(vorschlaege().empty());
    EXPECT_EQ(zeile(kFrueh), "4/0/0/190");
    EXPECT_EQ(zeile(kSpaet), "0/0/0/-166");
    EXPECT_EQ(fehler(), (Liste{"840:1601"}));
    EXPECT_EQ(marken(), "/0/1");
    EXPECT_EQ(meldungen(), (Liste{"-Fehler: BsmError_Work->Bsm_PlgVonBis_Read() RC: -1405! PLG: PG VON: " + tag +
                                  " BIS: " + tag}));
}

TEST_F(BadData, TextInANumberColumnFailsTheReadAndIsNotOverwritten) {
    // SQLite keeps a text that is no number as text, also in an INTEGER
    // column; the runtime answers -1722 for it and never turns it into 0.
    db.exec("update Dvm725Bsm set BsmIst = 'vier' where BsmSzv = 360");
    run();
    EXPECT_TRUE(vorschlaege().empty());
    EXPECT_EQ(db.scalar("select typeof(BsmIst) || ' ' || BsmIst from Dvm725Bsm where BsmSzv = 360"), "text vier");
    EXPECT_EQ(zeile(kSpaet), "0/0/0/-166");
    EXPECT_TRUE(fehler().empty());
    EXPECT_EQ(meldungen(),
              (Liste{"-Fehler: Get_UebBszEsa()->Bsm_EsaUebC_Read() RC: -1722! PLG: PG ESO: E1 ESA: A1 DAT: " + tag,
                     "-Fehler: BsmError_Work->Bsm_PlgVonBis_Read() RC: -1722! PLG: PG VON: " + tag + " BIS: " + tag}));
}

TEST_F(BadData, TextInADeploymentNumberStopsTheSlotsPersons) {
    db.exec("update Dvm730Bdp set BdpAzt = 'acht' where BdpPnr = 'P1'");
    run();
    EXPECT_TRUE(vorschlaege().empty());
    EXPECT_EQ(zeile(kFrueh), "4/0/0/190");
    EXPECT_EQ(zeile(kSpaet), "0/0/0/-166");
    EXPECT_EQ(fehler(), (Liste{"360:1605", "840:1601"}));
    EXPECT_EQ(meldungen(), (Liste{"-Fehler: Prf_UebBsz_Pers()->Bdp_BszPnr_Read() RC: -1722! PLG: PG ESO: E1 "
                                  "ESA: A1 DAT: " + tag + " VON: 360."}));
}

TEST_F(BadData, TimeStampOfADayThatDoesNotExistFailsTheMarksOnly) {
    // A front end left 30 February as text in a time-stamp column: the row
    // reads, but cannot be written back; both marks fail with the date
    // error, the row keeps what it had, and the optimisation itself runs.
    db.exec("update Dvm701Plg set PlgPdt = '2026-02-30 12:00:00'");
    run();
    EXPECT_EQ(vorschlaege(), (Liste{"P1 360->840", "P2 360->840"}));
    EXPECT_EQ(zeile(kFrueh), kBalanced[0]);
    EXPECT_EQ(zeile(kSpaet), kBalanced[1]);
    EXPECT_EQ(fehler(), (Liste{"360:1605", "840:1601"}));
    EXPECT_EQ(marken(), "alt/5/0");
    EXPECT_EQ(db.scalar("select PlgPdt from Dvm701Plg"), "2026-02-30 12:00:00");
    EXPECT_EQ(meldungen(), (Liste{"-Fehler: Einsatzplan_Optimieren()->Plg_PKey_Upd(1) RC: -1858! PLG: PG",
                                  "-Fehler: Einsatzplan_Optimieren()->Plg_PKey_Upd(2) RC: -1858! PLG: PG"}));
}

TEST_F(BadData, KeyTextLongerThanItsFieldFailsTheRead) {
    // The late row's workplace has 9 characters for a field of 5: the
    // understaffed scan cannot read it (no message, as for every failed
    // fetch of the scan), the review logs it after the early row's error.
    loosen("Dvm725Bsm");
    db.exec("update Dvm725Bsm set BsmEsa = 'A1XXXXXXX' where BsmSzv = 840");
    run();
    EXPECT_TRUE(vorschlaege().empty());
    EXPECT_EQ(zeile(kFrueh), "4/0/0/190");
    EXPECT_EQ(zeile(kSpaet), "0/0/0/-166");
    EXPECT_EQ(fehler(), (Liste{"360:1605"}));
    EXPECT_EQ(meldungen(), (Liste{"-Fehler: BsmError_Work->Bsm_PlgVonBis_Read() RC: -1406! PLG: PG VON: " + tag +
                                  " BIS: " + tag}));
}

TEST_F(BadData, TargetsOfMinusOneAskForNobodyInTheRecount) {
    // Early: no targets entered (-1) and four persons, so two can go; the
    // row stays overstaffed. Night: no targets and nobody: balanced for the
    // recount, which reads -1 as 0; the error review compares the row's own
    // -1, so E = 0 lies above the maximum there.
    db.exec("update Dvm725Bsm set BsmSol = -1, BsmMin = -1, BsmMax = -1 where BsmSzv = 360");
    slot(1320, "NA", -1, -1, -1, 0, 0);
    run();
    EXPECT_EQ(vorschlaege(), (Liste{"P1 360->840", "P2 360->840"}));
    EXPECT_EQ(zeile(kFrueh), "4/2/0/190");
    EXPECT_EQ(zeile(kSpaet), kBalanced[1]);
    EXPECT_EQ(zeile(1320), "0/0/0/0");
    EXPECT_EQ(fehler(), (Liste{"360:1605", "840:1601", "1320:1605"}));
    EXPECT_TRUE(meldungen().empty());
}

TEST_F(BadData, MissingProposalTableIsLoggedPerPersonAndNothingIsRecounted) {
    db.exec("drop table Dvm735Bdk");
    run();
    EXPECT_EQ(zeile(kFrueh), "4/0/0/190");
    EXPECT_EQ(zeile(kSpaet), "0/0/0/-166");
    EXPECT_EQ(fehler(), (Liste{"360:1605", "840:1601"}));
    EXPECT_EQ(marken(), "/0/1");
    Liste erwartet;
    for (const char* p : {"P1", "P2", "P3", "P4"}) {
        erwartet.push_back(std::string("-Fehler: Prf_UebBsz_Pers()->Bdk_isPnrVerplant() RC: -942! PLG: PG PNR: ") + p +
                           " ESO: E1 ESA: A1 DAT: " + tag + " VON: 360.");
        erwartet.push_back(std::string("-Fehler: Erstelle_Umbesetzungsvorschlag()->Bdk_Insert() RC: -942! PLG: PG "
                                       "PNR: ") + p + " DAT: " + tag +
                           "\n    Von: ESO: E1 ESA: A1 VON: 360 KNZ: X Art: 1 \n   Nach: ESO: E1 ESA: A1 VON: 840 "
                           "KNZ: SP Art: 1 ");
    }
    EXPECT_EQ(meldungen(), erwartet);
}

TEST_F(BadData, MissingErrorTableLosesOnlyTheErrorRows) {
    db.exec("drop table Dvm746Err");
    run();
    EXPECT_EQ(vorschlaege(), (Liste{"P1 360->840", "P2 360->840"}));
    EXPECT_EQ(zeile(kFrueh), kBalanced[0]);
    EXPECT_EQ(zeile(kSpaet), kBalanced[1]);
    EXPECT_EQ(marken(), "/0/1");
    EXPECT_EQ(meldungen(), (Liste{"-Fehler: ErrLog_Loeschen->Err_Delete() RC: -942!",
                                  "-Fehler: Err_Write->Err_Insert() RC: -942!",
                                  "-Fehler: Err_Write->Err_Insert() RC: -942!"}));
}

TEST_F(BadData, OlderLayoutStaffingMatrixAmidNewerTables) {
    // Only the staffing matrix lacks BsmOva and BsmOve: the fallback is
    // silent, and the deviations still count the open proposals.
    db.exec("alter table Dvm725Bsm drop column BsmOva; alter table Dvm725Bsm drop column BsmOve");
    run();
    EXPECT_EQ(BsmOvaOve_Aktiv, 0);
    EXPECT_EQ(vorschlaege(), (Liste{"P1 360->840", "P2 360->840"}));
    EXPECT_EQ(db.joined("select BsmIst || '/' || BsmFkt from Dvm725Bsm order by BsmSzv"), "4/0,0/0");
    EXPECT_EQ(fehler(), (Liste{"360:1605", "840:1601"}));
    EXPECT_EQ(marken(), "/0/1");
    EXPECT_TRUE(meldungen().empty());
}

}  // namespace
