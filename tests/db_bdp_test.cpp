// Deployment records against a real schema directory: what the three cursors
// deliver and leave out, the day's working time and the per-slot counts.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "db/Bdp.hpp"
#include "db/Bsm.hpp"
#include "db/PnrSatz.hpp"
#include "support/TestDb.hpp"

using testdb::jd;
using testdb::TestDb;

TESTDB_BOTH_BACKENDS(BdpBszPnr);
TESTDB_BOTH_BACKENDS(BdpPnrDat);
TESTDB_BOTH_BACKENDS(BdpVorNchBsz);
TESTDB_BOTH_BACKENDS(BdpTagArbZt);
TESTDB_BOTH_BACKENDS(BdpBszCount);

namespace {

const std::string kTag = "20261208";

using Cols = std::map<std::string, std::string>;

// One deployment record of person 4711 in slot P1/E1/A1, 08:00-16:00, kind 1,
// working the slot's time; `over` replaces or adds columns (SQL values).
void insertBdp(TestDb& db, const Cols& over) {
    Cols c = {{"BdpPnr", "'4711'"}, {"BdpBdt", jd(kTag)}, {"BdpEso", "'E1'"},
              {"BdpEsa", "'A1'"},   {"BdpSzv", "480"},    {"BdpSzb", "960"},
              {"BdpPlg", "'P1'"},   {"BdpAsw", "1"},      {"BdpAkt", "1"},
              {"BdpZtv", "480"},    {"BdpZtb", "960"}};
    for (const auto& [k, v] : over) c[k] = v;
    std::string names, vals;
    for (const auto& [k, v] : c) {
        names += (names.empty() ? "" : ",") + k;
        vals += (vals.empty() ? "" : ",") + v;
    }
    db.exec("insert into Dvm730Bdp (" + names + ") values (" + vals + ")");
}

Dvm725Bsm slot() {
    Dvm725Bsm b;
    b.BsmPlg = "P1";
    b.BsmEso = "E1";
    b.BsmEsa = "A1";
    b.BsmBdt = kTag.c_str();
    b.BsmSzv = 480;
    b.BsmAsw = 1;
    return b;
}

BszZaehlSatz zaehlSatz() {
    BszZaehlSatz z;
    z.Datum = kTag.c_str();
    z.Plg = "P1";
    z.Eso = "E1";
    z.Esa = "A1";
    z.Asw = 1;
    z.Szv = 480;
    z.Szb = 960;
    return z;
}

// Reads a cursor to its end and returns the BdpRnd of every row (the tests
// number their records through BdpRnd) and the final result.
template <typename Read>
std::vector<int> readAll(Read read, int32_t& last) {
    std::vector<int> out;
    Dvm730Bdp r;
    while ((last = read(r)) == 0) out.push_back(r.BdpRnd);
    return out;
}

}  // namespace

TEST_P(BdpBszPnr, DeliversOnlyMovableRecordsOfTheSlotInDeploymentOrder) {
    TestDb db(backend());
    insertBdp(db, {{"BdpPnr", "'A'"}, {"BdpRnd", "3"}});
    insertBdp(db, {{"BdpPnr", "'B'"}, {"BdpRnd", "1"}});
    insertBdp(db, {{"BdpPnr", "'C'"}, {"BdpRnd", "2"}});
    // Left out: inactive, each function code, status letters, status number,
    // other slot kind, other slot start, other date.
    insertBdp(db, {{"BdpPnr", "'X1'"}, {"BdpRnd", "11"}, {"BdpAkt", "9999"}});
    insertBdp(db, {{"BdpPnr", "'X2'"}, {"BdpRnd", "12"}, {"BdpFc1", "'K'"}});
    insertBdp(db, {{"BdpPnr", "'X3'"}, {"BdpRnd", "13"}, {"BdpFc2", "'K'"}});
    insertBdp(db, {{"BdpPnr", "'X4'"}, {"BdpRnd", "14"}, {"BdpFc3", "'K'"}});
    insertBdp(db, {{"BdpPnr", "'X5'"}, {"BdpRnd", "15"}, {"BdpSts", "'D'"}});
    insertBdp(db, {{"BdpPnr", "'X6'"}, {"BdpRnd", "16"}, {"BdpSts", "'U'"}});
    insertBdp(db, {{"BdpPnr", "'X7'"}, {"BdpRnd", "17"}, {"BdpSta", "1"}});
    insertBdp(db, {{"BdpPnr", "'X8'"}, {"BdpRnd", "18"}, {"BdpAsw", "2"}});
    insertBdp(db, {{"BdpPnr", "'X9'"}, {"BdpRnd", "19"}, {"BdpSzv", "481"}});
    insertBdp(db, {{"BdpPnr", "'XA'"}, {"BdpRnd", "20"}, {"BdpBdt", jd("20261209")}});

    ASSERT_EQ(Bdp_BszPnr_Open(slot()), 0);
    int32_t last = 0;
    EXPECT_EQ(readAll(Bdp_BszPnr_Read, last), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(last, 1403);
    EXPECT_EQ(Bdp_BszPnr_Close(), 0);
}

TEST_P(BdpBszPnr, CopiesEveryColumnAndReadsNullsThroughTheIndicator) {
    TestDb db(backend());
    insertBdp(db, {{"BdpBsz", "'FR'"}, {"BdpJhr", "2026"}, {"BdpMon", "12"}, {"BdpWoc", "50"},
                   {"BdpJwc", "202650"}, {"BdpTag", "2"}, {"BdpTtp", "'WT'"},
                   {"BdpKst", "'KST-1'"}, {"BdpOso", "'E9'"}, {"BdpOsa", "'A9'"},
                   {"BdpOsv", "600"}, {"BdpOsb", "700"}, {"BdpOsz", "'SP'"}, {"BdpOsw", "3"},
                   {"BdpAwp", "4"}, {"BdpFnr", "5"},
                   {"BdpDat", testdb::stamp("2026-12-07 13:14:15")}, {"BdpTxt", "'Text'"},
                   {"BdpErf", "'planer'"}, {"BdpAzt", "450"}, {"BdpId1", "1"},
                   {"BdpId8", "8"}, {"BdpRnd", "7"}, {"BdpBnr", "6"}, {"BdpPau", "30"},
                   {"BdpBzt", "9"}, {"BdpKos", "12.5"}});
    // Second person of the slot with every optional column NULL.
    db.exec("insert into Dvm730Bdp (BdpPnr,BdpBdt,BdpEso,BdpEsa,BdpSzv,BdpPlg,BdpAsw,BdpAkt,"
            "BdpRnd) values ('N'," + jd(kTag) + ",'E1','A1',480,'P1',1,1,8)");
    db.exec("update Dvm730Bdp set BdpFnr=NULL,BdpId1=NULL,BdpId8=NULL where BdpPnr='N'");

    ASSERT_EQ(Bdp_BszPnr_Open(slot()), 0);
    Dvm730Bdp r;
    ASSERT_EQ(Bdp_BszPnr_Read(r), 0);
    EXPECT_EQ(r.BdpPnr, "4711");
    EXPECT_EQ(r.BdpBdt, "20261208");
    EXPECT_EQ(r.BdpEso, "E1");
    EXPECT_EQ(r.BdpEsa, "A1");
    EXPECT_EQ(r.BdpBsz, "FR");
    EXPECT_EQ(r.BdpSzv, 480);
    EXPECT_EQ(r.BdpSzb, 960);
    EXPECT_EQ(r.BdpJhr, 2026);
    EXPECT_EQ(r.BdpMon, 12);
    EXPECT_EQ(r.BdpWoc, 50);
    EXPECT_EQ(r.BdpJwc, 202650);
    EXPECT_EQ(r.BdpTag, 2);
    EXPECT_EQ(r.BdpTtp, "WT");
    EXPECT_EQ(r.BdpZtv, 480);
    EXPECT_EQ(r.BdpZtb, 960);
    EXPECT_EQ(r.BdpKst, "KST-1");
    EXPECT_EQ(r.BdpFc1, "   ");
    EXPECT_EQ(r.BdpOso, "E9");
    EXPECT_EQ(r.BdpOsa, "A9");
    EXPECT_EQ(r.BdpOsv, 600);
    EXPECT_EQ(r.BdpOsb, 700);
    EXPECT_EQ(r.BdpOsz, "SP");
    EXPECT_EQ(r.BdpOsw, 3);
    EXPECT_EQ(r.BdpPlg, "P1");
    EXPECT_EQ(r.BdpAsw, 1);
    EXPECT_EQ(r.BdpAwp, 4);
    EXPECT_EQ(r.BdpSts, " ");
    EXPECT_EQ(r.BdpFnr, 5);
    EXPECT_EQ(r.BdpDat, "20261207131415");
    EXPECT_EQ(r.BdpTxt, "Text");
    EXPECT_EQ(r.BdpErf, "planer");
    EXPECT_EQ(r.BdpAzt, 450);
    EXPECT_EQ(r.BdpId1, 1);
    EXPECT_EQ(r.BdpId8, 8);
    EXPECT_EQ(r.BdpRnd, 7);
    EXPECT_EQ(r.BdpAkt, 1);
    EXPECT_EQ(r.BdpBnr, 6);
    EXPECT_EQ(r.BdpPau, 30);
    EXPECT_EQ(r.BdpBzt, 9);
    EXPECT_DOUBLE_EQ(r.BdpKos, 12.5);

    ASSERT_EQ(Bdp_BszPnr_Read(r), 0);
    EXPECT_EQ(r.BdpPnr, "N");
    EXPECT_EQ(r.BdpRnd, 8);
    EXPECT_TRUE(r.BdpKst.empty());
    EXPECT_TRUE(r.BdpDat.empty());

    // End of rows leaves the record as it was.
    Dvm730Bdp before = r;
    EXPECT_EQ(Bdp_BszPnr_Read(r), 1403);
    EXPECT_EQ(r.BdpPnr, before.BdpPnr);
    EXPECT_EQ(r.BdpRnd, 8);
    Bdp_BszPnr_Close();
}

TEST_P(BdpPnrDat, DeliversTheActiveRecordsOfTheDayAndKeepsTheChangeStamp) {
    TestDb db(backend());
    insertBdp(db, {{"BdpSzv", "900"}, {"BdpRnd", "2"}, {"BdpFc1", "'K'"}});
    insertBdp(db, {{"BdpSzv", "300"}, {"BdpRnd", "1"}, {"BdpSts", "'U'"},
                   {"BdpDat", testdb::stamp("2026-12-07 10:00:00")}});
    insertBdp(db, {{"BdpSzv", "100"}, {"BdpRnd", "11"}, {"BdpAkt", "9999"}});
    insertBdp(db, {{"BdpSzv", "110"}, {"BdpRnd", "12"}, {"BdpSts", "'O'"}});
    insertBdp(db, {{"BdpSzv", "120"}, {"BdpRnd", "13"}, {"BdpSts", "'D'"}});
    insertBdp(db, {{"BdpPnr", "'0815'"}, {"BdpRnd", "14"}});
    insertBdp(db, {{"BdpBdt", jd("20261209")}, {"BdpRnd", "15"}});

    ASSERT_EQ(Bdp_PnrDat_Open("4711", kTag.c_str()), 0);
    Dvm730Bdp r;
    r.BdpDat = "20000101000000";
    ASSERT_EQ(Bdp_PnrDat_Read(r), 0);
    EXPECT_EQ(r.BdpRnd, 1);
    EXPECT_EQ(r.BdpSzv, 300);
    EXPECT_EQ(r.BdpBdt, "20261208");
    EXPECT_EQ(r.BdpSts, "U");
    EXPECT_EQ(r.BdpAkt, 1);
    EXPECT_EQ(r.BdpDat, "20000101000000");
    ASSERT_EQ(Bdp_PnrDat_Read(r), 0);
    EXPECT_EQ(r.BdpRnd, 2);
    EXPECT_EQ(r.BdpFc1, "K");
    EXPECT_EQ(Bdp_PnrDat_Read(r), 1403);
    Bdp_PnrDat_Close();

    // A person with only a placeholder record that day has nothing.
    insertBdp(db, {{"BdpPnr", "'DUMMY'"}, {"BdpSts", "'D'"}});
    ASSERT_EQ(Bdp_PnrDat_Open("DUMMY", kTag.c_str()), 0);
    EXPECT_EQ(Bdp_PnrDat_Read(r), 1403);
    EXPECT_EQ(r.BdpRnd, 2);
    Bdp_PnrDat_Close();
}

TEST_P(BdpVorNchBsz, CoversTheDayBeforeToTheDayAfter) {
    TestDb db(backend());
    insertBdp(db, {{"BdpBdt", jd("20261209")}, {"BdpRnd", "3"}});
    insertBdp(db, {{"BdpBdt", jd("20261207")}, {"BdpRnd", "1"}});
    insertBdp(db, {{"BdpRnd", "2"}, {"BdpAkt", "2"}, {"BdpSts", "'M'"}});
    insertBdp(db, {{"BdpBdt", jd("20261206")}, {"BdpRnd", "11"}});
    insertBdp(db, {{"BdpBdt", jd("20261210")}, {"BdpRnd", "12"}});
    insertBdp(db, {{"BdpRnd", "13"}, {"BdpAkt", "9999"}});
    insertBdp(db, {{"BdpRnd", "14"}, {"BdpAkt", "3"}, {"BdpFc2", "'K'"}});
    insertBdp(db, {{"BdpRnd", "15"}, {"BdpAkt", "4"}, {"BdpSts", "'D'"}});
    insertBdp(db, {{"BdpRnd", "16"}, {"BdpAkt", "5"}, {"BdpSts", "'O'"}});
    insertBdp(db, {{"BdpRnd", "17"}, {"BdpPnr", "'0815'"}});

    PnrSatz p;
    PnrSatz_Init(p);
    p.Pnr = "4711";
    p.Datum = kTag.c_str();
    ASSERT_EQ(Bdp_VorNchBsz_Open(p), 0);
    int32_t last = 0;
    EXPECT_EQ(readAll(Bdp_VorNchBsz_Read, last), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(last, 1403);
    EXPECT_EQ(Bdp_VorNchBsz_Close(), 0);
}

TEST_P(BdpTagArbZt, SumsTheActiveWorkingTimeAndGivesZeroWithoutRecords) {
    TestDb db(backend());
    insertBdp(db, {{"BdpAzt", "300"}});
    insertBdp(db, {{"BdpAzt", "120"}, {"BdpSzv", "1000"}, {"BdpSts", "'D'"}});
    insertBdp(db, {{"BdpAzt", "999"}, {"BdpSzv", "1100"}, {"BdpAkt", "9999"}});
    insertBdp(db, {{"BdpAzt", "50"}, {"BdpBdt", jd("20261209")}});

    PnrSatz p;
    PnrSatz_Init(p);
    p.Pnr = "4711";
    p.Datum = kTag.c_str();
    ASSERT_EQ(TagArbZt_Brutto(p), 0);
    EXPECT_EQ(p.ArbZtBrutto, 420);

    p.Datum = "20261231";
    ASSERT_EQ(TagArbZt_Brutto(p), 0);
    EXPECT_EQ(p.ArbZtBrutto, 0);
}

TEST_P(BdpBszCount, EmptySlotGivesZeroEverywhere) {
    TestDb db(backend());
    insertBdp(db, {{"BdpSzv", "481"}, {"BdpKos", "5"}, {"BdpId1", "3"}});  // other slot
    BszZaehlSatz z = zaehlSatz();
    z.AnzZtGleich = z.AnzZtAbw = z.AnzGesamt = z.AnzFc1 = z.AnzFc2 = z.AnzFc3 = 9;
    z.AnzStsUM = z.AnzKos = z.SumId1 = z.SumId8 = 9;
    z.SumKos = z.SumKosOhneM = 9.0;
    ASSERT_EQ(Bdp_Bsz_Count(z), 0);
    EXPECT_EQ(z.AnzZtGleich, 0);
    EXPECT_EQ(z.AnzZtAbw, 0);
    EXPECT_EQ(z.AnzGesamt, 0);
    EXPECT_EQ(z.AnzFc1 + z.AnzFc2 + z.AnzFc3, 0);
    EXPECT_EQ(z.AnzStsUM, 0);
    EXPECT_EQ(z.AnzKos, 0);
    EXPECT_EQ(z.SumId1, 0);
    EXPECT_EQ(z.SumId8, 0);
    EXPECT_DOUBLE_EQ(z.SumKos, 0.0);
    EXPECT_DOUBLE_EQ(z.SumKosOhneM, 0.0);
}

TEST_P(BdpBszCount, CountsAndSumsAMixedSlot) {
    TestDb db(backend());
    // Plain, on the slot's time, with cost and counters.
    insertBdp(db, {{"BdpPnr", "'A'"}, {"BdpKos", "10"}, {"BdpId1", "1"}, {"BdpId8", "2"}});
    // Working time off at the end; function code 1; cost.
    insertBdp(db, {{"BdpPnr", "'B'"}, {"BdpZtb", "900"}, {"BdpFc1", "'K'"}, {"BdpKos", "20"},
                   {"BdpId1", "4"}});
    // Working time off at the start; codes 2 and 3; status M (counted, no cost in OhneM).
    insertBdp(db, {{"BdpPnr", "'C'"}, {"BdpZtv", "500"}, {"BdpFc2", "'K'"}, {"BdpFc3", "'L'"},
                   {"BdpSts", "'M'"}, {"BdpKos", "40"}});
    // No working time at all: neither equal nor different.
    db.exec("insert into Dvm730Bdp (BdpPnr,BdpBdt,BdpEso,BdpEsa,BdpSzv,BdpPlg,BdpAsw,BdpAkt,"
            "BdpSts) values ('N'," + jd(kTag) + ",'E1','A1',480,'P1',1,1,'U')");
    // Placeholder and "O" records count only where their letters are allowed.
    insertBdp(db, {{"BdpPnr", "'D'"}, {"BdpSts", "'D'"}, {"BdpKos", "100"}, {"BdpId1", "50"},
                   {"BdpFc1", "'K'"}});
    insertBdp(db, {{"BdpPnr", "'O'"}, {"BdpSts", "'O'"}, {"BdpKos", "200"}, {"BdpId1", "60"},
                   {"BdpZtb", "100"}});
    // Another slot kind is not part of the slot.
    insertBdp(db, {{"BdpPnr", "'Z'"}, {"BdpAsw", "2"}, {"BdpKos", "1000"}});

    BszZaehlSatz z = zaehlSatz();
    ASSERT_EQ(Bdp_Bsz_Count(z), 0);
    EXPECT_EQ(z.AnzStsUM, 2);      // C, N
    EXPECT_EQ(z.AnzZtGleich, 1);   // A
    EXPECT_EQ(z.AnzZtAbw, 2);      // B, C
    EXPECT_EQ(z.AnzGesamt, 3);
    EXPECT_EQ(z.AnzFc1, 1);
    EXPECT_EQ(z.AnzFc2, 1);
    EXPECT_EQ(z.AnzFc3, 1);
    EXPECT_EQ(z.AnzKos, 3);        // A, B, C
    EXPECT_EQ(z.SumId1, 5);
    EXPECT_EQ(z.SumId8, 2);
    EXPECT_DOUBLE_EQ(z.SumKos, 10.0);        // only A is plain without codes
    EXPECT_DOUBLE_EQ(z.SumKosOhneM, 230.0);  // A, B and the "O" record
}

TEST_P(BdpBszCount, FailingIdSumsAreClearedAndTheRestIsNotRun) {
    TestDb db(backend());
    // Two counters that overflow the 32-bit host value only in their sum.
    insertBdp(db, {{"BdpPnr", "'A'"}, {"BdpId3", "2000000000"}, {"BdpKos", "1"}});
    insertBdp(db, {{"BdpPnr", "'B'"}, {"BdpId3", "2000000000"}});

    BszZaehlSatz z = zaehlSatz();
    z.SumId1 = z.SumId3 = z.SumId8 = 7;
    z.AnzKos = 77;
    int32_t rc = Bdp_Bsz_Count(z);
    EXPECT_LT(rc, 0);
    EXPECT_EQ(z.AnzGesamt, 2);      // the steps before ran
    EXPECT_DOUBLE_EQ(z.SumKos, 1.0);
    EXPECT_EQ(z.SumId1, 0);
    EXPECT_EQ(z.SumId3, 0);
    EXPECT_EQ(z.SumId8, 0);
    EXPECT_EQ(z.AnzKos, 77);        // the last step did not run

    db.exec("drop table Dvm730Bdp");
    z = zaehlSatz();
    z.AnzStsUM = 5;
    EXPECT_EQ(Bdp_Bsz_Count(z), -942);
    EXPECT_EQ(z.AnzStsUM, 5);
}

// Records of one random rank come by person number on both backends, not in
// the order they were written.
TEST_P(BdpBszPnr, RecordsOfOneRankComeByPersonNumber) {
    TestDb db(backend());
    insertBdp(db, {{"BdpPnr", "'C'"}, {"BdpRnd", "5"}});
    insertBdp(db, {{"BdpPnr", "'D'"}, {"BdpRnd", "4"}});
    insertBdp(db, {{"BdpPnr", "'A'"}, {"BdpRnd", "5"}});
    insertBdp(db, {{"BdpPnr", "'B'"}, {"BdpRnd", "5"}});
    ASSERT_EQ(Bdp_BszPnr_Open(slot()), 0);
    std::string order;
    Dvm730Bdp r;
    int32_t rc;
    while ((rc = Bdp_BszPnr_Read(r)) == 0) order += r.BdpPnr.c_str();
    EXPECT_EQ(rc, 1403);
    EXPECT_EQ(order, "DABC");
    EXPECT_EQ(Bdp_BszPnr_Close(), 0);
}
