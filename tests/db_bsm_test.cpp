// Staffing matrix and staffing targets against a real schema directory, in
// the newer and in the older table layout.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "db/Bsm.hpp"
#include "support/TestDb.hpp"

using testdb::jd;
using testdb::Layout;
using testdb::TestDb;

namespace {

const char* const kTag = "20261208";
const char* const kTag2 = "20261209";

// One row; BsmKor carries the row's number so that the order shows, and in
// the newer layout BsmOva/BsmOve carry 10x and 100x that number.
void insertBsm(TestDb& db, bool newer, int nr, const char* plg, const char* eso,
               const char* esa, const char* bdt, int szv, int asw, int fkt) {
    std::string cols = "BsmPlg,BsmEso,BsmEsa,BsmBdt,BsmSzv,BsmSzb,BsmAsw,BsmFkt,BsmKor";
    std::string vals = std::string("'") + plg + "','" + eso + "','" + esa + "'," + jd(bdt) + "," +
                       std::to_string(szv) + "," + std::to_string(szv + 60) + "," +
                       std::to_string(asw) + "," + std::to_string(fkt) + "," +
                       std::to_string(nr);
    if (newer) {
        cols += ",BsmOva,BsmOve";
        vals += "," + std::to_string(nr * 10) + "," + std::to_string(nr * 100);
    }
    db.exec("insert into Dvm725Bsm (" + cols + ") values (" + vals + ")");
}

void insertMatrix(TestDb& db, bool newer) {
    insertBsm(db, newer, 1, "P1", "E1", "A1", kTag, 480, 1, -1);
    insertBsm(db, newer, 2, "P1", "E1", "A1", kTag, 600, 1, -3);
    insertBsm(db, newer, 3, "P1", "E1", "A2", kTag, 480, 1, -2);
    insertBsm(db, newer, 4, "P1", "E2", "A1", kTag, 480, 1, -5);
    insertBsm(db, newer, 5, "P1", "E1", "A1", kTag, 720, 1, 2);
    insertBsm(db, newer, 6, "P1", "E1", "A2", kTag, 600, 1, 4);
    insertBsm(db, newer, 7, "P1", "E2", "A1", kTag, 600, 1, 1);
    insertBsm(db, newer, 8, "P1", "E1", "A1", kTag, 840, 2, 9);   // other slot kind
    insertBsm(db, newer, 9, "P1", "E1", "A1", kTag, 900, 1, 0);   // balanced
    insertBsm(db, newer, 10, "P1", "E1", "A1", kTag2, 480, 1, -7);
    insertBsm(db, newer, 11, "P2", "E1", "A1", kTag, 480, 1, -9);
}

// Reads a cursor to its end; gives the row numbers, checks the newer fields
// of each row and expects the normal end.
std::vector<int> readAll(const std::function<int32_t(Dvm725Bsm&)>& read,
                         const std::function<int32_t()>& close, bool newer) {
    std::vector<int> out;
    Dvm725Bsm r;
    r.BsmOva = r.BsmOve = -1;
    int32_t rc;
    while ((rc = read(r)) == 0) {
        out.push_back(r.BsmKor);
        EXPECT_EQ(r.BsmOva, newer ? r.BsmKor * 10 : 0);
        EXPECT_EQ(r.BsmOve, newer ? r.BsmKor * 100 : 0);
    }
    EXPECT_EQ(rc, 1403);
    EXPECT_EQ(close(), 0);
    return out;
}

using V = std::vector<int>;

// Every cursor family on the same matrix.
void checkAllFamilies(bool newer) {
    ASSERT_EQ(Bsm_PlgUntC_Open("P1", kTag), 0);
    EXPECT_EQ(BsmOvaOve_Aktiv, newer ? 1 : 0);
    EXPECT_EQ(readAll(Bsm_PlgUntC_Read, Bsm_PlgUntC_Close, newer), (V{4, 2, 3, 1}));
    ASSERT_EQ(Bsm_EsoUntC_Open("P1", "E1", kTag), 0);
    EXPECT_EQ(readAll(Bsm_EsoUntC_Read, Bsm_EsoUntC_Close, newer), (V{2, 3, 1}));
    ASSERT_EQ(Bsm_EsaUntC_Open("P1", "E1", "A1", kTag), 0);
    EXPECT_EQ(readAll(Bsm_EsaUntC_Read, Bsm_EsaUntC_Close, newer), (V{2, 1}));

    Dvm725Bsm unt;
    unt.BsmPlg = "P1";
    unt.BsmEso = "E1";
    unt.BsmEsa = "A1";
    unt.BsmBdt = kTag;
    unt.BsmAsw = 1;
    ASSERT_EQ(Bsm_PlgUebC_Open(unt), 0);
    EXPECT_EQ(readAll(Bsm_PlgUebC_Read, Bsm_PlgUebC_Close, newer), (V{6, 5, 7}));
    ASSERT_EQ(Bsm_EsoUebC_Open(unt), 0);
    EXPECT_EQ(readAll(Bsm_EsoUebC_Read, Bsm_EsoUebC_Close, newer), (V{6, 5}));
    ASSERT_EQ(Bsm_EsaUebC_Open(unt), 0);
    EXPECT_EQ(readAll(Bsm_EsaUebC_Read, Bsm_EsaUebC_Close, newer), (V{5}));
    unt.BsmAsw = 2;
    ASSERT_EQ(Bsm_EsaUebC_Open(unt), 0);
    EXPECT_EQ(readAll(Bsm_EsaUebC_Read, Bsm_EsaUebC_Close, newer), (V{8}));

    ASSERT_EQ(Bsm_PlgVonBis_Open("P1", kTag, kTag2), 0);
    EXPECT_EQ(readAll(Bsm_PlgVonBis_Read, Bsm_PlgVonBis_Close, newer),
              (V{1, 2, 5, 8, 9, 3, 6, 4, 7, 10}));
    ASSERT_EQ(Bsm_PlgVonBis_Open("P1", kTag2, kTag2), 0);
    EXPECT_EQ(readAll(Bsm_PlgVonBis_Read, Bsm_PlgVonBis_Close, newer), (V{10}));
    ASSERT_EQ(Bsm_EsoVonBis_Open("P1", "E1", kTag, kTag), 0);
    EXPECT_EQ(readAll(Bsm_EsoVonBis_Read, Bsm_EsoVonBis_Close, newer), (V{1, 2, 5, 8, 9, 3, 6}));
    ASSERT_EQ(Bsm_EsaVonBis_Open("P1", "E1", "A2", kTag, kTag2), 0);
    EXPECT_EQ(readAll(Bsm_EsaVonBis_Read, Bsm_EsaVonBis_Close, newer), (V{3, 6}));

    // A date without understaffed rows ends at once, the record untouched.
    ASSERT_EQ(Bsm_PlgUntC_Open("P1", "20261210"), 0);
    Dvm725Bsm r;
    r.BsmKor = 42;
    EXPECT_EQ(Bsm_PlgUntC_Read(r), 1403);
    EXPECT_EQ(r.BsmKor, 42);
    Bsm_PlgUntC_Close();
}

class BsmTest : public testdb::BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        BsmOvaOve_Aktiv = 1;
    }
    // Later tests in the same program expect a fresh flag too.
    void TearDown() override { BsmOvaOve_Aktiv = 1; }
};

Dvm725Bsm keyOf(const char* plg, const char* eso, const char* esa, const char* bdt, int szv,
                int asw) {
    Dvm725Bsm b;
    b.BsmPlg = plg;
    b.BsmEso = eso;
    b.BsmEsa = esa;
    b.BsmBdt = bdt;
    b.BsmSzv = szv;
    b.BsmAsw = asw;
    return b;
}

void fillNonKey(Dvm725Bsm& b) {
    b.BsmSzb = 555;
    b.BsmBsz = "FR";
    b.BsmJhr = 2026;
    b.BsmMon = 12;
    b.BsmWoc = 50;
    b.BsmJwc = 202650;
    b.BsmTag = 2;
    b.BsmTtp = "WT";
    b.BsmSol = 4;
    b.BsmMin = 3;
    b.BsmMax = 6;
    b.BsmIst = 5;
    b.BsmHtg = 1;
    b.BsmHtv = 2;
    b.BsmHtn = 3;
    b.BsmKng = 7;
    b.BsmFkt = 1;
    b.BsmSta = 8;
    b.BsmDat = "19990101000000";
    b.BsmErf = "OPTIMIERUNG";
    b.BsmId1 = 11;
    b.BsmId8 = 18;
    b.BsmKor = 99;
    b.BsmKos = 1.5;
    b.BsmKo2 = 2.5;
    b.BsmOva = 31;
    b.BsmOve = 32;
}

}  // namespace

TESTDB_INSTANTIATE_BOTH(BsmTest);
TESTDB_BOTH_BACKENDS(BssPKeyRead);

TEST_P(BsmTest, CursorsOfTheNewerLayoutSelectAndOrderTheirRows) {
    TestDb db(backend());
    insertMatrix(db, true);
    checkAllFamilies(true);
    EXPECT_EQ(BsmOvaOve_Aktiv, 1);
}

TEST_P(BsmTest, OlderLayoutFallsBackOnceAndDeliversZeroForTheNewerFields) {
    TestDb db(backend(), Layout::Older);
    insertMatrix(db, false);
    checkAllFamilies(false);
    EXPECT_EQ(BsmOvaOve_Aktiv, 0);
}

TEST_P(BsmTest, ReadCopiesEveryColumnAndTakesNullsThroughTheIndicator) {
    TestDb db(backend());
    db.exec("insert into Dvm725Bsm (BsmBdt,BsmEso,BsmEsa,BsmSzv,BsmSzb,BsmBsz,BsmJhr,BsmMon,"
            "BsmWoc,BsmJwc,BsmTag,BsmTtp,BsmSol,BsmMin,BsmMax,BsmIst,BsmPlg,BsmHtg,BsmHtv,"
            "BsmHtn,BsmKng,BsmFkt,BsmAsw,BsmSta,BsmDat,BsmErf,BsmId1,BsmId2,BsmId3,BsmId4,"
            "BsmId5,BsmId6,BsmId7,BsmId8,BsmKor,BsmKos,BsmKo2,BsmOva,BsmOve) values (" +
            jd(kTag) + ",'E1','A1',480,960,'FR',2026,12,50,202650,2,'WT',4,3,6,2,'P1',1,2,3,"
            "7,-2,1,8," + testdb::stamp("2026-12-07 13:14:15") + ",'planer',21,22,23,24,25,26,27,28,99,"
            "1.25,2.5,5,6)");
    // A row whose optional columns are all NULL.
    db.exec("insert into Dvm725Bsm (BsmBdt,BsmEso,BsmEsa,BsmSzv,BsmPlg,BsmAsw) values (" +
            jd(kTag) + ",'E1','A1',600,'P1',1)");
    db.exec("update Dvm725Bsm set BsmFkt=NULL,BsmSol=NULL,BsmId1=NULL,BsmOva=NULL "
            "where BsmSzv=600");

    ASSERT_EQ(Bsm_EsaVonBis_Open("P1", "E1", "A1", kTag, kTag), 0);
    Dvm725Bsm r;
    ASSERT_EQ(Bsm_EsaVonBis_Read(r), 0);
    EXPECT_EQ(r.BsmBdt, "20261208");
    EXPECT_EQ(r.BsmEso, "E1");
    EXPECT_EQ(r.BsmEsa, "A1");
    EXPECT_EQ(r.BsmSzv, 480);
    EXPECT_EQ(r.BsmSzb, 960);
    EXPECT_EQ(r.BsmBsz, "FR");
    EXPECT_EQ(r.BsmJhr, 2026);
    EXPECT_EQ(r.BsmMon, 12);
    EXPECT_EQ(r.BsmWoc, 50);
    EXPECT_EQ(r.BsmJwc, 202650);
    EXPECT_EQ(r.BsmTag, 2);
    EXPECT_EQ(r.BsmTtp, "WT");
    EXPECT_EQ(r.BsmSol, 4);
    EXPECT_EQ(r.BsmMin, 3);
    EXPECT_EQ(r.BsmMax, 6);
    EXPECT_EQ(r.BsmIst, 2);
    EXPECT_EQ(r.BsmPlg, "P1");
    EXPECT_EQ(r.BsmHtg, 1);
    EXPECT_EQ(r.BsmHtv, 2);
    EXPECT_EQ(r.BsmHtn, 3);
    EXPECT_EQ(r.BsmKng, 7);
    EXPECT_EQ(r.BsmFkt, -2);
    EXPECT_EQ(r.BsmAsw, 1);
    EXPECT_EQ(r.BsmSta, 8);
    EXPECT_EQ(r.BsmDat, "20261207131415");
    EXPECT_EQ(r.BsmErf, "planer");
    EXPECT_EQ(r.BsmId1, 21);
    EXPECT_EQ(r.BsmId2, 22);
    EXPECT_EQ(r.BsmId7, 27);
    EXPECT_EQ(r.BsmId8, 28);
    EXPECT_EQ(r.BsmKor, 99);
    EXPECT_DOUBLE_EQ(r.BsmKos, 1.25);
    EXPECT_DOUBLE_EQ(r.BsmKo2, 2.5);
    EXPECT_EQ(r.BsmOva, 5);
    EXPECT_EQ(r.BsmOve, 6);

    ASSERT_EQ(Bsm_EsaVonBis_Read(r), 0);
    EXPECT_EQ(r.BsmSzv, 600);
    EXPECT_TRUE(r.BsmBsz.empty());
    EXPECT_TRUE(r.BsmDat.empty());
    EXPECT_EQ(Bsm_EsaVonBis_Read(r), 1403);
    Bsm_EsaVonBis_Close();
}

TEST_P(BsmTest, UpdateWritesTheRowByItsKeyAndStampsTheTime) {
    TestDb db(backend());
    insertMatrix(db, true);
    Dvm725Bsm b = keyOf("P1", "E1", "A1", kTag, 480, 1);
    fillNonKey(b);
    ASSERT_EQ(Bsm_PKeyUpd(b), 0);
    auto row = db.rows("select BsmSzb,BsmBsz,BsmTtp,BsmSol,BsmMin,BsmMax,BsmIst,BsmFkt,BsmSta,"
                       "BsmErf,BsmId1,BsmId8,BsmKor,BsmKos,BsmKo2,BsmOva,BsmOve,"
                        + testdb::recent("BsmDat") + " from Dvm725Bsm where BsmKor=99");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0], (std::vector<std::string>{"555", "FR", "WT", "4", "3", "6", "5", "1", "8",
                                                "OPTIMIERUNG", "11", "18", "99", "1.5", "2.5",
                                                "31", "32", "1"}));
    // No other row changed.
    EXPECT_EQ(db.count("select count(*) from Dvm725Bsm where BsmDat is not null"), 1);

    // A missing row: nothing found, nothing written.
    Dvm725Bsm fehlt = keyOf("P1", "E1", "A1", kTag, 481, 1);
    fillNonKey(fehlt);
    fehlt.BsmKor = 77;
    EXPECT_EQ(Bsm_PKeyUpd(fehlt), 1403);
    EXPECT_EQ(db.count("select count(*) from Dvm725Bsm where BsmKor=77"), 0);
}

TEST_P(BsmTest, FailingUpdateLeavesNoTrace) {
    TestDb db(backend());
    insertMatrix(db, true);
    // The trigger writes a trace and then fails the statement without
    // undoing what the statement did so far; only the savepoint removes it.
    db.refuse("after update", "Dvm725Bsm", "new.BsmFkt = 99", true);
    Dvm725Bsm b = keyOf("P1", "E1", "A1", kTag, 480, 1);
    fillNonKey(b);
    b.BsmFkt = 99;
    EXPECT_EQ(Bsm_PKeyUpd(b), -2291);  // the refusal is a constraint failure on both backends
    EXPECT_EQ(db.count("select count(*) from Spur"), 0);
    EXPECT_EQ(db.scalar("select BsmFkt||'/'||BsmKor from Dvm725Bsm where BsmSzv=480 and "
                        "BsmEso='E1' and BsmEsa='A1' and BsmPlg='P1' and BsmBdt=" + jd(kTag)),
              "-1/1");
}

TEST_P(BsmTest, UpdateOfTheOlderLayoutLeavesTheNewerColumnsOut) {
    TestDb db(backend(), Layout::Older);
    insertMatrix(db, false);
    Dvm725Bsm b = keyOf("P1", "E1", "A2", kTag, 600, 1);
    fillNonKey(b);
    ASSERT_EQ(Bsm_PKeyUpd(b), 0);  // first statement: falls back and clears the flag
    EXPECT_EQ(BsmOvaOve_Aktiv, 0);
    EXPECT_EQ(db.scalar("select BsmFkt||'/'||BsmErf||'/'||BsmKos from Dvm725Bsm where "
                        "BsmKor=99 and BsmEsa='A2' and BsmSzv=600"),
              "1/OPTIMIERUNG/1.5");

    b.BsmFkt = -4;
    ASSERT_EQ(Bsm_PKeyUpd(b), 0);  // straight to the older text
    EXPECT_EQ(db.scalar("select BsmFkt from Dvm725Bsm where BsmKor=99"), "-4");
}

TEST_P(BssPKeyRead, ReadsTheTargetRowByKeyWithMinimumAndMaximumInPlace) {
    TestDb db(backend());
    db.exec("insert into Dvm720Bss (BssPlg,BssEso,BssEsa,BssTtp,BssVon,BssBis,BssBsz,BssTxt,"
            "BssSol,BssMax,BssMin,BssMwt,BssVtg,BssAtg,BssKgw,BssKmw,BssAsw) values "
            "('P1','E1','A1','WT',480,960,'FR','Frueh',5,7,3,1.75,1,2,3,4,1)");
    db.exec("insert into Dvm720Bss (BssPlg,BssEso,BssEsa,BssTtp,BssVon,BssAsw) values "
            "('P1','E1','A1','WT',480,2)");

    Dvm720Bss k;
    k.BssPlg = "P1";
    k.BssEso = "E1";
    k.BssEsa = "A1";
    k.BssTtp = "WT";
    k.BssVon = 480;
    k.BssBis = 123;  // not part of the key
    k.BssAsw = 1;
    Dvm720Bss r = k;
    ASSERT_EQ(Bss_PKeyRead(r), 0);
    EXPECT_EQ(r.BssBis, 960);
    EXPECT_EQ(r.BssBsz, "FR");
    EXPECT_EQ(r.BssTxt, "Frueh");
    EXPECT_EQ(r.BssSol, 5);
    EXPECT_EQ(r.BssMax, 7);
    EXPECT_EQ(r.BssMin, 3);
    EXPECT_DOUBLE_EQ(r.BssMwt, 1.75);
    EXPECT_EQ(r.BssVtg, 1);
    EXPECT_EQ(r.BssAtg, 2);
    EXPECT_EQ(r.BssKgw, 3);
    EXPECT_EQ(r.BssKmw, 4);
    EXPECT_EQ(r.BssAsw, 1);

    // Optional columns NULL: the read succeeds.
    r = k;
    r.BssAsw = 2;
    ASSERT_EQ(Bss_PKeyRead(r), 0);
    EXPECT_TRUE(r.BssTxt.empty());
    EXPECT_EQ(r.BssAsw, 2);

    // No row: the record stays as it was.
    r = k;
    r.BssVon = 481;
    r.BssSol = 42;
    EXPECT_EQ(Bss_PKeyRead(r), 1403);
    EXPECT_EQ(r.BssSol, 42);
    EXPECT_EQ(r.BssBis, 123);
}

// Rows equal in the cursor's own sort keys, written in scrambled order: they
// come in one defined order on both backends, never in the order of writing.
TEST_P(BsmTest, RowsOfEqualDeviationComeInOneOrderWhateverTheWritingOrder) {
    TestDb db(backend());
    insertBsm(db, true, 1, "P1", "E2", "A1", kTag, 480, 1, -2);
    insertBsm(db, true, 2, "P1", "E1", "A1", kTag, 480, 2, -2);
    insertBsm(db, true, 3, "P1", "E1", "A1", kTag, 600, 1, -2);
    insertBsm(db, true, 4, "P1", "E1", "A2", kTag, 480, 1, -2);
    insertBsm(db, true, 5, "P1", "E1", "A2", kTag, 600, 1, 3);
    insertBsm(db, true, 6, "P1", "E2", "A1", kTag, 600, 1, 3);
    insertBsm(db, true, 7, "P1", "E1", "A1", kTag, 720, 1, 3);
    insertBsm(db, true, 8, "P1", "E1", "A2", kTag, 720, 1, 3);
    insertBsm(db, true, 9, "P1", "E1", "A1", kTag, 900, 2, 0);
    insertBsm(db, true, 10, "P1", "E1", "A1", kTag, 900, 1, 0);

    // Understaffed: by kind, unit, workplace and start.
    ASSERT_EQ(Bsm_PlgUntC_Open("P1", kTag), 0);
    EXPECT_EQ(readAll(Bsm_PlgUntC_Read, Bsm_PlgUntC_Close, true), (V{3, 4, 1, 2}));
    ASSERT_EQ(Bsm_EsoUntC_Open("P1", "E1", kTag), 0);
    EXPECT_EQ(readAll(Bsm_EsoUntC_Read, Bsm_EsoUntC_Close, true), (V{3, 4, 2}));
    // Overstaffed: from the last unit, workplace and start backwards.
    Dvm725Bsm unt = keyOf("P1", "E1", "A1", kTag, 480, 1);
    ASSERT_EQ(Bsm_PlgUebC_Open(unt), 0);
    EXPECT_EQ(readAll(Bsm_PlgUebC_Read, Bsm_PlgUebC_Close, true), (V{6, 8, 5, 7}));
    ASSERT_EQ(Bsm_EsoUebC_Open(unt), 0);
    EXPECT_EQ(readAll(Bsm_EsoUebC_Read, Bsm_EsoUebC_Close, true), (V{8, 5, 7}));
    unt.BsmEsa = "A2";
    ASSERT_EQ(Bsm_EsaUebC_Open(unt), 0);
    EXPECT_EQ(readAll(Bsm_EsaUebC_Read, Bsm_EsaUebC_Close, true), (V{8, 5}));
    // Two kinds at one start: by kind.
    ASSERT_EQ(Bsm_EsaVonBis_Open("P1", "E1", "A1", kTag, kTag), 0);
    EXPECT_EQ(readAll(Bsm_EsaVonBis_Read, Bsm_EsaVonBis_Close, true), (V{2, 3, 7, 10, 9}));
}
