// Plan-group table and calendars against a real schema directory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/Kalender.hpp"
#include "db/Plg.hpp"
#include "db/Runtime.hpp"
#include "support/TestDb.hpp"

using testdb::jd;
using testdb::Layout;
using testdb::TestDb;

namespace {

// Plan group with distinct values in every column, so that a field taken
// from the wrong column shows. Level n switches are 10n+1 .. 10n+6.
void insertPlg(TestDb& db, const std::string& plg, bool newer = true) {
    std::string cols =
        "PlgPlg,PlgTxt,PlgKal,PlgHzt,PlgSta,PlgDat,PlgErf,PlgPdt,PlgPlr,PlgPgm,PlgUsr,"
        "PlgBeg,PlgFts,PlgQu1,PlgAr1,PlgRu1,PlgMe1,PlgAm1,PlgRe1,PlgQu2,PlgAr2,PlgRu2,"
        "PlgMe2,PlgAm2,PlgRe2,PlgQu3,PlgAr3,PlgRu3,PlgMe3,PlgAm3,PlgRe3";
    std::string vals = "'" + plg + "','Text " + plg +
                       "','K1',3,4," + testdb::stamp("2026-12-08 12:34:56") + ",'erfasser'," +
                       testdb::stamp("2026-12-09 01:02:03") + ",'planer','pgm','user'," +
                       testdb::stamp("2026-12-10 23:59:58") + ",5,"
                       "11,12,13,14,15,16,21,22,23,24,25,26,31,32,33,34,35,36";
    if (newer) {
        cols += ",PlgOpt,PlgOpl";
        vals += ",7,2";
    }
    db.exec("insert into Dvm701Plg (" + cols + ") values (" + vals + ")");
}

std::vector<int32_t> switches(const Dvm701Plg& p) {
    return {p.PlgQu, p.PlgAr, p.PlgRu, p.PlgMe, p.PlgAm, p.PlgRe};
}

class PlgTest : public testdb::BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        PlgOptOpl_Aktiv = 1;
    }
};

}  // namespace

TESTDB_INSTANTIATE_BOTH(PlgTest);
TESTDB_BOTH_BACKENDS(Kalender);

TEST_P(PlgTest, ReadDeliversRowWithSwitchesOfTheLevel) {
    TestDb db(backend());
    insertPlg(db, "P1");

    Dvm701Plg p;
    p.PlgPlg = "P1";
    ASSERT_EQ(Plg_PKey_Read(p, 1), 0);
    EXPECT_EQ(p.PlgTxt, "Text P1");
    EXPECT_EQ(p.PlgKal, "K1");
    EXPECT_EQ(p.PlgHzt, 3);
    EXPECT_EQ(p.PlgSta, 4);
    EXPECT_EQ(p.PlgDat, "20261208123456");
    EXPECT_EQ(p.PlgErf, "erfasser");
    EXPECT_EQ(p.PlgPdt, "20261209010203");
    EXPECT_EQ(p.PlgPlr, "planer");
    EXPECT_EQ(p.PlgBeg, "20261210235958");
    EXPECT_EQ(p.PlgUsr, "user");
    EXPECT_EQ(p.PlgPgm, "pgm");
    EXPECT_EQ(p.PlgFts, 5);
    EXPECT_EQ(switches(p), (std::vector<int32_t>{11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(p.PlgOpt, 7);
    EXPECT_EQ(p.PlgOpl, 2);
    EXPECT_EQ(PlgOptOpl_Aktiv, 1);

    ASSERT_EQ(Plg_PKey_Read(p, 2), 0);
    EXPECT_EQ(switches(p), (std::vector<int32_t>{21, 22, 23, 24, 25, 26}));
    ASSERT_EQ(Plg_PKey_Read(p, 3), 0);
    EXPECT_EQ(switches(p), (std::vector<int32_t>{31, 32, 33, 34, 35, 36}));
    ASSERT_EQ(Plg_PKey_Read(p, 4), 0);
    EXPECT_EQ(switches(p), (std::vector<int32_t>(6, 0)));
    EXPECT_EQ(p.PlgTxt, "Text P1");
    EXPECT_EQ(p.PlgOpl, 2);

    Dvm701Plg fehlt;
    fehlt.PlgPlg = "NONE";
    fehlt.PlgTxt = "unveraendert";
    fehlt.PlgQu = 9;
    EXPECT_EQ(Plg_PKey_Read(fehlt, 1), 1403);
    EXPECT_EQ(fehlt.PlgTxt, "unveraendert");
    EXPECT_EQ(fehlt.PlgQu, 9);
}

TEST_P(PlgTest, UpdateWritesEveryColumnAndEmptyTextsAsNull) {
    TestDb db(backend());
    insertPlg(db, "P1");
    insertPlg(db, "P2");

    Dvm701Plg p;
    p.PlgPlg = "P1";
    ASSERT_EQ(Plg_PKey_Read(p, 1), 0);
    p.PlgTxt = "neu";
    p.PlgKal = "K2";
    p.PlgHzt = 30;
    p.PlgSta = 1;
    p.PlgDat = "20270101080910";
    p.PlgErf = "dorvelian";
    p.PlgPdt = "20270102000000";
    p.PlgPlr = "";
    p.PlgBeg = "";
    p.PlgUsr = "jemand";
    p.PlgPgm = "";
    p.PlgFts = 50;
    p.PlgQu = 99;  // switches are not written
    ASSERT_EQ(Plg_PKey_Upd(p), 0);

    auto r = db.rows(
        "select PlgTxt,PlgKal,PlgHzt,PlgSta,PlgErf,PlgUsr,PlgFts,PlgPlr is null,"
        "PlgBeg is null,PlgPgm is null,PlgQu1 from Dvm701Plg where PlgPlg='P1'");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], (std::vector<std::string>{"neu", "K2", "30", "1", "dorvelian", "jemand",
                                              "50", "1", "1", "1", "11"}));

    Dvm701Plg q;
    q.PlgPlg = "P1";
    q.PlgPlr = "x";
    q.PlgBeg = "x";
    ASSERT_EQ(Plg_PKey_Read(q, 1), 0);
    EXPECT_EQ(q.PlgDat, "20270101080910");
    EXPECT_EQ(q.PlgPdt, "20270102000000");
    EXPECT_EQ(q.PlgPlr, "");
    EXPECT_EQ(q.PlgBeg, "");
    EXPECT_EQ(q.PlgPgm, "");

    // The other plan group keeps its values.
    EXPECT_EQ(db.scalar("select PlgTxt from Dvm701Plg where PlgPlg='P2'"), "Text P2");

    Dvm701Plg fehlt = p;
    fehlt.PlgPlg = "NONE";
    EXPECT_EQ(Plg_PKey_Upd(fehlt), 1403);
    EXPECT_EQ(db.count("select count(*) from Dvm701Plg"), 2);
}

TEST_P(PlgTest, CursorDeliversAllPlanGroupsInKeyOrder) {
    TestDb db(backend());
    insertPlg(db, "P3");
    insertPlg(db, "P1");
    insertPlg(db, "P2");
    db.exec("update Dvm701Plg set PlgTxt=null, PlgOpl=3 where PlgPlg='P2'");

    Dvm701Plg p;
    p.PlgBeg = "20000101000000";  // not part of the cursor's list
    p.PlgQu = 77;
    ASSERT_EQ(Plg_Cur_Open(), 0);
    std::vector<std::string> keys;
    int32_t rc;
    while ((rc = Plg_Cur_Read(p)) == 0) {
        keys.push_back(p.PlgPlg.str());
        EXPECT_EQ(p.PlgKal, "K1");
        EXPECT_EQ(p.PlgDat, "20261208123456");
        EXPECT_EQ(p.PlgPlr, "planer");
        EXPECT_EQ(p.PlgOpt, 7);
        EXPECT_EQ(p.PlgBeg, "20000101000000");
        EXPECT_EQ(p.PlgQu, 77);
        if (p.PlgPlg == "P2") {
            EXPECT_EQ(p.PlgTxt, "");
            EXPECT_EQ(p.PlgOpl, 3);
        } else {
            EXPECT_EQ(p.PlgTxt, "Text " + p.PlgPlg.str());
            EXPECT_EQ(p.PlgOpl, 2);
        }
    }
    EXPECT_EQ(rc, 1403);
    EXPECT_EQ(p.PlgPlg, "P3");  // untouched by the final read
    EXPECT_EQ(Plg_Cur_Close(), 0);
    EXPECT_EQ(keys, (std::vector<std::string>{"P1", "P2", "P3"}));
}

TEST_P(PlgTest, OlderLayoutFallsBackForGood) {
    TestDb db(backend(), Layout::Older);
    insertPlg(db, "P1", false);
    insertPlg(db, "P2", false);

    Dvm701Plg p;
    p.PlgPlg = "P1";
    p.PlgOpt = 5;
    p.PlgOpl = 6;
    ASSERT_EQ(Plg_PKey_Read(p, 2), 0);
    EXPECT_EQ(PlgOptOpl_Aktiv, 0);
    EXPECT_EQ(p.PlgTxt, "Text P1");
    EXPECT_EQ(switches(p), (std::vector<int32_t>{21, 22, 23, 24, 25, 26}));
    EXPECT_EQ(p.PlgOpt, 0);
    EXPECT_EQ(p.PlgOpl, 0);

    // From now on one statement per read: the older text only.
    uint64_t vorher = db::statementCount();
    p.PlgOpl = 6;
    ASSERT_EQ(Plg_PKey_Read(p, 4), 0);
    EXPECT_EQ(db::statementCount() - vorher, 1u);
    EXPECT_EQ(switches(p), (std::vector<int32_t>(6, 0)));
    EXPECT_EQ(p.PlgOpl, 0);

    Dvm701Plg c;
    c.PlgOpt = 8;
    c.PlgOpl = 9;
    ASSERT_EQ(Plg_Cur_Open(), 0);
    int n = 0;
    while (Plg_Cur_Read(c) == 0) {
        ++n;
        EXPECT_EQ(c.PlgOpt, 0);
        EXPECT_EQ(c.PlgOpl, 0);
        EXPECT_EQ(c.PlgPlr, "planer");
    }
    EXPECT_EQ(Plg_Cur_Close(), 0);
    EXPECT_EQ(n, 2);
}

TEST_P(PlgTest, OlderLayoutCursorAsFirstStatement) {
    TestDb db(backend(), Layout::Older);
    insertPlg(db, "P1", false);

    Dvm701Plg c;
    c.PlgOpl = 9;
    ASSERT_EQ(Plg_Cur_Open(), 0);
    EXPECT_EQ(PlgOptOpl_Aktiv, 0);
    ASSERT_EQ(Plg_Cur_Read(c), 0);
    EXPECT_EQ(c.PlgPlg, "P1");
    EXPECT_EQ(c.PlgOpl, 0);
    EXPECT_EQ(Plg_Cur_Read(c), 1403);
    EXPECT_EQ(Plg_Cur_Close(), 0);
}

TEST_P(PlgTest, HztRead) {
    TestDb db(backend());
    insertPlg(db, "P1");
    insertPlg(db, "P2");
    db.exec("update Dvm701Plg set PlgHzt=null where PlgPlg='P2'");

    int32_t hzt = -1;
    ASSERT_EQ(Plg_Hzt_Read("P1", hzt), 0);
    EXPECT_EQ(hzt, 3);
    ASSERT_EQ(Plg_Hzt_Read("P2", hzt), 0);
    EXPECT_EQ(hzt, 0);
    hzt = -1;
    EXPECT_EQ(Plg_Hzt_Read("NONE", hzt), 1403);
    EXPECT_EQ(hzt, -1);
}

TEST_P(Kalender, DateShiftThroughTheCentralCalendar) {
    TestDb db(backend());
    db.fillCalendar(10, 20);

    BakSatz bak;
    bak.Datum = testdb::today();
    bak.Tage = 5;
    ASSERT_EQ(Bak_Datum_Read(bak), 0);
    std::string ziel = testdb::dayOffset(5);
    EXPECT_EQ(bak.Datum, ziel);
    auto r = db.rows("select BakJhr,BakMon,BakTag,BakWch,BakWtg,BakJtg from DVMASTER.Dvm133Bak "
                     "where BakDtm=" + jd(ziel));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], (std::vector<std::string>{
                        std::to_string(bak.BakJhr), std::to_string(bak.BakMon),
                        std::to_string(bak.BakTag), std::to_string(bak.BakWch),
                        std::to_string(bak.BakWtg), std::to_string(bak.BakJtg)}));
    EXPECT_EQ(bak.BakJhr, std::stoi(ziel.substr(0, 4)));
    EXPECT_EQ(bak.BakTag, std::stoi(ziel.substr(6, 2)));
    const int32_t zielWtg = bak.BakWtg;

    bak.Datum = testdb::today();
    bak.Tage = -3;
    ASSERT_EQ(Bak_Datum_Read(bak), 0);
    EXPECT_EQ(bak.Datum, testdb::dayOffset(-3));

    BakSatz aussen;
    aussen.Datum = testdb::today();
    aussen.Tage = 21;
    aussen.BakJhr = 1;
    aussen.BakWtg = 2;
    EXPECT_EQ(Bak_Datum_Read(aussen), 1403);
    EXPECT_EQ(aussen.Datum, testdb::today());
    EXPECT_EQ(aussen.BakJhr, 1);
    EXPECT_EQ(aussen.BakWtg, 2);

    int32_t wtg = -1;
    ASSERT_EQ(Bak_Wtg_Read(ziel.c_str(), wtg), 0);
    EXPECT_EQ(wtg, zielWtg);
    EXPECT_EQ(std::to_string(wtg),
              db.scalar("select BakWtg from DVMASTER.Dvm133Bak where BakDtm=" + jd(ziel)));
    wtg = -1;
    EXPECT_EQ(Bak_Wtg_Read("19000101", wtg), 1403);
    EXPECT_EQ(wtg, -1);
}

TEST_P(Kalender, LastDateOfTheCalendar) {
    TestDb db(backend());
    FixText<9> datum("x");
    ASSERT_EQ(Bak_MaxDatum_Read(datum), 0);
    EXPECT_EQ(datum, "");

    db.fillCalendar(5, 40);
    ASSERT_EQ(Bak_MaxDatum_Read(datum), 0);
    EXPECT_EQ(datum, testdb::dayOffset(40));
}

TEST_P(Kalender, PlanGroupsOwnCalendar) {
    TestDb db(backend());
    db.exec("insert into Dvm701Plg (PlgPlg,PlgKal) values ('P1','K1'),('P2','K2')");
    db.exec("insert into Dvm755Pka (PkaPlg,PkaNum,PkaDtm,PkaTtp,PkaGwt) values "
            "('P1','K1'," + jd("20261208") + ",'FT',4),"
            "('P1','K9'," + jd("20261209") + ",'XX',1),"
            "('P2','K2'," + jd("20261208") + ",'SA',null)");

    FixText<4> ttp;
    int32_t gwt = -1;
    ASSERT_EQ(Pka_PKey_Read("P1", "20261208", ttp, gwt), 0);
    EXPECT_EQ(ttp, "FT");
    EXPECT_EQ(gwt, 4);
    ASSERT_EQ(Pka_PKey_Read("P2", "20261208", ttp, gwt), 0);
    EXPECT_EQ(ttp, "SA");

    // An entry under another calendar number does not count.
    ttp = "AT";
    gwt = 7;
    EXPECT_EQ(Pka_PKey_Read("P1", "20261209", ttp, gwt), 1403);
    EXPECT_EQ(ttp, "AT");
    EXPECT_EQ(gwt, 7);
    EXPECT_EQ(Pka_PKey_Read("P1", "20261210", ttp, gwt), 1403);
    EXPECT_EQ(ttp, "AT");
}
