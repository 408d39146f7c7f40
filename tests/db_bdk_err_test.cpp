// Proposals and error rows against a real schema directory: the insert, the
// counts of open proposals, and the clearing of error rows on three levels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/Bdk.hpp"
#include "db/Bdp.hpp"
#include "db/Bsm.hpp"
#include "db/Err.hpp"
#include "base/Laufkontext.hpp"
#include "support/TestDb.hpp"

using testdb::dayOffset;
using testdb::jd;
using testdb::TestDb;

TESTDB_BOTH_BACKENDS(BdkInsert);
TESTDB_BOTH_BACKENDS(BdkCounts);
TESTDB_BOTH_BACKENDS(ErrInsert);
TESTDB_BOTH_BACKENDS(ErrDelete);

namespace {

const char* const kTag = "20261208";

// A proposal of the optimisation: person 4711 from E1/A1 08:00 kind 1 to
// E2/A2 10:00 kind 2.
Dvm735Bdk vorschlag() {
    Dvm735Bdk k;
    k.BdkKey = "K0000000000000000000000000000001";
    k.BdkLfd = 1;
    k.BdkPnr = "4711";
    k.BdkBdt = kTag;
    k.BdkEso = "E1";
    k.BdkEsa = "A1";
    k.BdkSzv = 480;
    k.BdkSzb = 960;
    k.BdkBsz = "FR";
    k.BdkJhr = 2026;
    k.BdkTtp = "WT";
    k.BdkZtv = 480;
    k.BdkZtb = 960;
    k.BdkKst = "KST-1";
    k.BdkFc1 = "   ";
    k.BdkFc2 = "   ";
    k.BdkFc3 = "K  ";
    k.BdkOso = "E2";
    k.BdkOsa = "A2";
    k.BdkOsv = 600;
    k.BdkOsb = 1080;
    k.BdkOsz = "SP";
    k.BdkPlg = "P1";
    k.BdkAsw = 1;
    k.BdkSts = " ";
    k.BdkFnr = 3;
    k.BdkSta = 9;
    k.BdkTxt = "Umbesetzung";
    k.BdkErf = "OPTIMIERUNG";
    k.BdkAzt = 480;
    k.BdkId1 = 1;
    k.BdkId8 = 8;
    k.BdkAkt = 2;
    k.BdkRnd = 5;
    k.BdkOsw = 2;
    k.BdkZvo = "20261201";
    k.BdkZbi = "20261231";
    return k;
}

Dvm725Bsm slot(const char* eso, const char* esa, int szv, int asw) {
    Dvm725Bsm b;
    b.BsmPlg = "P9";  // the plan group is not compared
    b.BsmEso = eso;
    b.BsmEsa = esa;
    b.BsmBdt = kTag;
    b.BsmSzv = szv;
    b.BsmAsw = asw;
    return b;
}

Dvm730Bdp einsatz() {
    Dvm730Bdp d;
    d.BdpPnr = "4711";
    d.BdpBdt = kTag;
    d.BdpEso = "E1";
    d.BdpEsa = "A1";
    d.BdpSzv = 480;
    d.BdpAsw = 7;  // the slot kind is not compared
    return d;
}

}  // namespace

TEST_P(BdkInsert, WritesEveryFieldAndStampsTheTime) {
    TestDb db(backend());
    ASSERT_EQ(Bdk_Insert(vorschlag()), 0);
    auto rows = db.rows(
        "select BdkKey,BdkLfd,BdkPnr,BdkBdt=" + jd(kTag) +
        ",BdkEso,BdkEsa,BdkSzv,BdkSzb,BdkBsz,BdkJhr,BdkTtp,BdkZtv,BdkZtb,BdkKst,BdkFc1,BdkFc3,"
        "BdkOso,BdkOsa,BdkOsv,BdkOsb,BdkOsz,BdkPlg,BdkAsw,BdkSts,BdkFnr,BdkSta," +
        testdb::recent("BdkDat") + ",BdkTxt,BdkErf,BdkAzt,BdkId1,BdkId8,"
        "BdkAkt,BdkRnd,BdkOsw,BdkZvo,BdkZbi from Dvm735Bdk");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{
                           "K0000000000000000000000000000001", "1", "4711", "1", "E1", "A1",
                           "480", "960", "FR", "2026", "WT", "480", "960", "KST-1", "   ", "K  ",
                           "E2", "A2", "600", "1080", "SP", "P1", "1", " ", "3", "9", "1",
                           "Umbesetzung", "OPTIMIERUNG", "480", "1", "8", "2", "5", "2",
                           "20261201", "20261231"}));
}

TEST_P(BdkInsert, FailingInsertLeavesNoRowAndReturnsItsCode) {
    TestDb db(backend());
    Dvm735Bdk k = vorschlag();
    k.BdkKey.clear();  // an empty key binds as NULL
    EXPECT_EQ(Bdk_Insert(k), -1400);
    EXPECT_EQ(db.count("select count(*) from Dvm735Bdk"), 0);
}

TEST_P(BdkCounts, OpenOptimisationProposalsOutOfAndIntoTheSlot) {
    TestDb db(backend());
    ASSERT_EQ(Bdk_Insert(vorschlag()), 0);
    Dvm735Bdk k = vorschlag();
    k.BdkPnr = "0815";
    ASSERT_EQ(Bdk_Insert(k), 0);
    k.BdkSta = 1;  // no longer open
    ASSERT_EQ(Bdk_Insert(k), 0);
    k = vorschlag();
    k.BdkErf = "planer";  // made by hand
    ASSERT_EQ(Bdk_Insert(k), 0);

    int32_t aus = -1, ein = -1;
    ASSERT_EQ(Count_OptVorschlaege(slot("E1", "A1", 480, 1), aus, ein), 0);
    EXPECT_EQ(aus, 2);
    EXPECT_EQ(ein, 0);
    ASSERT_EQ(Count_OptVorschlaege(slot("E2", "A2", 600, 2), aus, ein), 0);
    EXPECT_EQ(aus, 0);
    EXPECT_EQ(ein, 2);
    // The slot kind belongs to the slot.
    ASSERT_EQ(Count_OptVorschlaege(slot("E2", "A2", 600, 1), aus, ein), 0);
    EXPECT_EQ(ein, 0);

    // The person count takes every origin but only the open state.
    int32_t anz = -1;
    ASSERT_EQ(Bdk_isPnrVerplant(einsatz(), anz), 0);
    EXPECT_EQ(anz, 2);
    Dvm730Bdp anders = einsatz();
    anders.BdpSzv = 600;
    ASSERT_EQ(Bdk_isPnrVerplant(anders, anz), 0);
    EXPECT_EQ(anz, 0);
}

TEST_P(BdkCounts, FailingCountsKeepTheirRules) {
    TestDb db(backend());
    db.exec("drop table Dvm735Bdk");
    int32_t anz = 5;
    EXPECT_EQ(Bdk_isPnrVerplant(einsatz(), anz), -942);
    EXPECT_EQ(anz, 0);  // cleared before the statement

    int32_t aus = 5, ein = 6;
    EXPECT_EQ(Count_OptVorschlaege(slot("E1", "A1", 480, 1), aus, ein), -942);
    EXPECT_EQ(aus, 5);
    EXPECT_EQ(ein, 6);
}

TEST_P(ErrInsert, WritesTheRowAndFailsWithoutTrace) {
    TestDb db(backend());
    Dvm746Err e;
    e.ErrPlg = "P1";
    e.ErrKng = "OPT";
    e.ErrDat = "19990101000000";
    e.ErrLfn = 3;
    e.ErrPnr = "4711";
    e.ErrEso = "E1";
    e.ErrEsa = "A1";
    e.ErrKnz = "UNT";
    e.ErrBdt = kTag;
    e.ErrZtv = 480;
    e.ErrZtb = 960;
    e.ErrFnr = 12;
    e.ErrErf = "OPTIMIERUNG";
    e.ErrJbd = "20261208101500";
    e.ErrJbk = "JOB-1";
    ASSERT_EQ(Err_Insert(e), 0);
    auto rows = db.rows("select ErrPlg,ErrKng," + testdb::recent("ErrDat") + ","
                        "ErrLfn,ErrPnr,ErrEso,ErrEsa,ErrKnz,ErrBdt=" + jd(kTag) +
                        ",ErrZtv,ErrZtb,ErrFnr,ErrErf,ErrJbd,ErrJbk from Dvm746Err");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"P1", "OPT", "1", "3", "4711", "E1", "A1", "UNT",
                                                "1", "480", "960", "12", "OPTIMIERUNG",
                                                "20261208101500", "JOB-1"}));

    // Without a date the row gets none.
    e.ErrBdt.clear();
    e.ErrLfn = 4;
    ASSERT_EQ(Err_Insert(e), 0);
    EXPECT_EQ(db.count("select count(*) from Dvm746Err where ErrLfn=4 and ErrBdt is null"), 1);

    e.ErrKng.clear();
    e.ErrLfn = 5;
    EXPECT_EQ(Err_Insert(e), -1400);
    EXPECT_EQ(db.count("select count(*) from Dvm746Err"), 2);
}

namespace {

// Error rows, numbered through ErrLfn, around a run period of today+1 to
// today+5 (ErrBdt: "" = NULL).
void insertErr(TestDb& db, int lfn, const char* plg, const char* kng, const char* eso,
               const char* esa, const std::string& bdt) {
    db.exec(std::string("insert into Dvm746Err (ErrPlg,ErrKng,ErrEso,ErrEsa,ErrBdt,ErrLfn) "
                        "values ('") +
            plg + "','" + kng + "','" + eso + "','" + esa + "'," +
            (bdt.empty() ? std::string("NULL") : jd(bdt)) + "," + std::to_string(lfn) + ")");
}

void insertErrRows(TestDb& db) {
    insertErr(db, 1, "P1", "OPT", "E1", "A1", dayOffset(2));   // in the period
    insertErr(db, 2, "P1", "OPT", "E1", "A2", "");             // without date
    insertErr(db, 3, "P1", "OPT", "E2", "A1", dayOffset(-1));  // yesterday
    insertErr(db, 4, "P1", "OPT", "E1", "A1", dayOffset(10));  // after the period
    insertErr(db, 5, "P1", "XYZ", "E1", "A1", dayOffset(2));   // other kind
    insertErr(db, 6, "P2", "OPT", "E1", "A1", dayOffset(2));   // other plan group
    insertErr(db, 7, "P1", "OPT", "E1", "A2", dayOffset(5));   // last day of the period
}

std::string remaining(TestDb& db) {
    std::string out;
    for (const auto& r : db.rows("select ErrLfn from Dvm746Err order by ErrLfn"))
        out += r[0];
    return out;
}

Laufkontext lauf(const char* eso, const char* esa) {
    Laufkontext lk;
    lk.Eso = eso;
    lk.Esa = esa;
    lk.Von = dayOffset(1);
    lk.Bis = dayOffset(5);
    return lk;
}

}  // namespace

TEST_P(ErrDelete, ClearsThePlanGroupLevelAndIgnoresAWorkplaceWithoutUnit) {
    TestDb db(backend());
    insertErrRows(db);
    EXPECT_EQ(Err_Delete(lauf("", "A1"), "P1", "OPT"), 0);
    EXPECT_EQ(remaining(db), "456");
}

TEST_P(ErrDelete, ClearsTheUnitLevel) {
    TestDb db(backend());
    insertErrRows(db);
    EXPECT_EQ(Err_Delete(lauf("E1", ""), "P1", "OPT"), 0);
    EXPECT_EQ(remaining(db), "3456");
    // Yesterday's row of another unit goes with that unit's run.
    EXPECT_EQ(Err_Delete(lauf("E2", ""), "P1", "OPT"), 0);
    EXPECT_EQ(remaining(db), "456");
}

TEST_P(ErrDelete, ClearsTheWorkplaceLevelAndReportsNothingToDelete) {
    TestDb db(backend());
    insertErrRows(db);
    EXPECT_EQ(Err_Delete(lauf("E1", "A2"), "P1", "OPT"), 0);
    EXPECT_EQ(remaining(db), "13456");
    EXPECT_EQ(Err_Delete(lauf("E1", "A2"), "P1", "OPT"), 1403);
    EXPECT_EQ(remaining(db), "13456");
}

TEST_P(ErrDelete, FailingDeleteLeavesNoTrace) {
    TestDb db(backend());
    insertErrRows(db);
    db.refuse("after delete", "Dvm746Err", "old.ErrLfn = 7", true);
    EXPECT_LT(Err_Delete(lauf("", ""), "P1", "OPT"), 0);
    EXPECT_EQ(remaining(db), "1234567");
    EXPECT_EQ(db.count("select count(*) from Spur"), 0);
}
