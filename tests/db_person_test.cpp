// A person's data of a date against a real schema directory: assignment and
// structure, working-time entry with frame, substitute models,
// qualifications and cost rates.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "db/Person.hpp"
#include "db/PnrSatz.hpp"
#include "support/TestDb.hpp"

using testdb::jd;
using testdb::TestDb;

TESTDB_BOTH_BACKENDS(PersonPbv);
TESTDB_BOTH_BACKENDS(PersonZtg);
TESTDB_BOTH_BACKENDS(PersonQualifikation);
TESTDB_BOTH_BACKENDS(PersonKosten);

namespace {

const char* const kTag = "20261208";

// Plan group P1 with calendar K1; person 4711 assigned to unit E1 and
// workplace A1 from ten days before the date on, model M1 on the date.
void grunddaten(TestDb& db, int zrm = 1, int awp = 1) {
    db.exec("insert into Dvm701Plg (PlgPlg,PlgKal) values ('P1','K1'),('P2','K2')");
    db.exec("insert into Dvm133Ka2 (Ka2Num,Ka2Dtm,Ka2Ttp,Ka2Ptp,Ka2Gwt) values "
            "('K1'," + jd(kTag) + ",'WT','AT',1),('K2'," + jd(kTag) + ",'SO','ST',0)");
    db.exec("insert into Dvm140Azv (AzvNum,AzvGvo,AzvGbi,AzvKev,AzvKeb,AzvGlv,AzvGlb,AzvSol)"
            " values ('M1'," + jd("20261101") + ",null,480,960,420,1080,480)");
    db.exec("insert into Dvm329Ztg (ZtgPnr,ZtgVon,ZtgAzt,ZtgKst,ZtgAgr) values "
            "('4711'," + jd(kTag) + ",'M1','KST-100','G1')");
    db.exec("insert into Dvm710Pbv (PbvPnr,PbvGvo,PbvGbi,PbvZrm,PbvEso,PbvEsa,PbvAwp,PbvSst)"
            " values ('4711'," + jd("20261128") + ",null," + std::to_string(zrm) + ",'E1','A1'," +
            std::to_string(awp) + ",'S1')");
    db.exec("insert into Dvm712Pgz (PgzPlg,PgzEso,PgzEsa,PgzAzk,PgzRzk) values "
            "('P1','E1','A1',8,11)");
}

PnrSatz satz(const char* plg = "P1") {
    PnrSatz p;
    p.Pnr = "4711";
    p.Datum = kTag;
    p.Plg = plg;
    return p;
}

}  // namespace

TEST_P(PersonPbv, AssignmentAndStructureOfTheDate) {
    TestDb db(backend());
    grunddaten(db, 2, 1);

    PnrSatz p = satz();
    ASSERT_EQ(Komplett_PnrSatz(p), 0);
    EXPECT_EQ(p.PbvEso, "E1");
    EXPECT_EQ(p.PbvEsa, "A1");
    EXPECT_EQ(p.PbvSst, "S1");
    EXPECT_EQ(p.PbvZrm, 2);
    EXPECT_EQ(p.PbvAwp, 1);
    EXPECT_EQ(p.PgzAzk, 8);
    EXPECT_EQ(p.PgzRzk, 11);

    // Valid up to and including the date.
    db.exec("update Dvm710Pbv set PbvGbi=" + jd(kTag));
    p = satz();
    EXPECT_EQ(Komplett_PnrSatz(p), 0);
    EXPECT_EQ(p.PbvEsa, "A1");

    // Expired the day before: not found, record unchanged.
    db.exec("update Dvm710Pbv set PbvGbi=" + jd("20261207"));
    p = satz();
    p.PbvEso = "alt";
    p.PgzAzk = 3;
    EXPECT_EQ(Komplett_PnrSatz(p), 1403);
    EXPECT_EQ(p.PbvEso, "alt");
    EXPECT_EQ(p.PbvEsa, "");
    EXPECT_EQ(p.PgzAzk, 3);

    // Starts after the date.
    db.exec("update Dvm710Pbv set PbvGbi=null, PbvGvo=" + jd("20261209"));
    EXPECT_EQ(Komplett_PnrSatz(p), 1403);
}

TEST_P(PersonPbv, MissingStructureRowKeepsTheRecord) {
    TestDb db(backend());
    grunddaten(db);

    PnrSatz p = satz("P2");  // no Dvm712Pgz row for P2/E1/A1
    p.PbvEso = "alt";
    p.PbvZrm = 9;
    p.PbvAwp = 9;
    EXPECT_EQ(Komplett_PnrSatz(p), 1403);
    EXPECT_EQ(p.PbvEso, "alt");
    EXPECT_EQ(p.PbvEsa, "");
    EXPECT_EQ(p.PbvSst, "");
    EXPECT_EQ(p.PbvZrm, 9);
    EXPECT_EQ(p.PbvAwp, 9);
    EXPECT_EQ(p.PgzAzk, 0);
}

TEST_P(PersonZtg, WorkingTimeEntryWithFrame) {
    TestDb db(backend());
    grunddaten(db);

    struct Fall {
        int zrm, awp, von, bis;
    };
    // Frame preset to 11..22: a frame kind other than 1 and 2 keeps it.
    const Fall faelle[] = {{1, 1, 480, 960}, {2, 2, 420, 1080}, {0, 1, 11, 22},
                           {1, 3, 0, 0},     {2, 3, 0, 0}};
    for (const Fall& f : faelle) {
        PnrSatz p = satz();
        p.PbvZrm = f.zrm;
        p.PbvAwp = f.awp;
        p.RahmenVon = 11;
        p.RahmenBis = 22;
        p.Fnr = 1411;
        ASSERT_EQ(Ztg_AbzTag_Read(p), 0) << f.zrm << "/" << f.awp;
        EXPECT_EQ(p.ZtgAzt, "M1");
        EXPECT_EQ(p.ZtgKst, "KST-100");
        EXPECT_EQ(p.Ka2Ttp, "WT");
        EXPECT_EQ(p.PkaTtp, "AT");  // no own-calendar entry: the calendar's
        EXPECT_EQ(p.AzvKev, 480);
        EXPECT_EQ(p.AzvKeb, 960);
        EXPECT_EQ(p.AzvGlv, 420);
        EXPECT_EQ(p.AzvGlb, 1080);
        EXPECT_EQ(p.Fnr, 0);
        EXPECT_EQ(p.RahmenVon, f.von) << f.zrm << "/" << f.awp;
        EXPECT_EQ(p.RahmenBis, f.bis) << f.zrm << "/" << f.awp;
    }

    // The plan group's own calendar replaces the day type.
    db.exec("insert into Dvm755Pka (PkaPlg,PkaNum,PkaDtm,PkaTtp,PkaGwt) values ('P1','K1'," +
            jd(kTag) + ",'FT',0)");
    PnrSatz p = satz();
    ASSERT_EQ(Ztg_AbzTag_Read(p), 0);
    EXPECT_EQ(p.PkaTtp, "FT");
    EXPECT_EQ(p.Ka2Ttp, "WT");
}

TEST_P(PersonZtg, NoEntryOrNoValidModelLeavesTheRecord) {
    TestDb db(backend());
    grunddaten(db);

    PnrSatz p = satz();
    p.Datum = "20261209";  // no working-time entry
    p.Fnr = 1411;
    p.ZtgAzt = "alt";
    EXPECT_EQ(Ztg_AbzTag_Read(p), 1403);
    EXPECT_EQ(p.ZtgAzt, "alt");
    EXPECT_EQ(p.Fnr, 1411);

    // The model expired before the entry's date.
    db.exec("update Dvm140Azv set AzvGbi=" + jd("20261207"));
    p = satz();
    p.PbvZrm = 1;
    EXPECT_EQ(Ztg_AbzTag_Read(p), 1403);
    EXPECT_EQ(p.ZtgAzt, "");
    EXPECT_EQ(p.RahmenVon, 0);

    // The plan group's calendar lacks the day.
    db.exec("update Dvm140Azv set AzvGbi=null");
    db.exec("delete from Dvm133Ka2 where Ka2Num='K1'");
    EXPECT_EQ(Ztg_AbzTag_Read(p), 1403);
    db.exec("insert into Dvm133Ka2 (Ka2Num,Ka2Dtm,Ka2Ttp,Ka2Ptp) values ('K1'," + jd(kTag) +
            ",null,null)");
    EXPECT_EQ(Ztg_AbzTag_Read(p), 0);
    EXPECT_EQ(p.ZtgAzt, "M1");
}

TEST_P(PersonZtg, SubstituteModelsOfTheEntry) {
    TestDb db(backend());
    grunddaten(db);
    db.exec("insert into Dvm140Azv (AzvNum,AzvGvo,AzvGbi,AzvKev,AzvKeb,AzvGlv,AzvGlb,AzvSol)"
            " values ('M2'," + jd("20261101") + ",null,600,900,540,1000,480),"
            "('M3'," + jd("20261101") + ",null,1,2,3,4,0),"
            "('M4'," + jd("20261101") + ",null,300,700,240,760,300),"
            "('M5'," + jd("20261101") + "," + jd("20261130") + ",5,6,7,8,300)");
    db.exec("insert into Dvm162Ers (ErsAgr,ErsAzt,ErsAze) values "
            "('G1','M1','M2'),('G1','M1','M3'),('G1','M1','M4'),('G1','M1','M5'),"
            "('G2','M1','M9'),('G1','MX','M8')");

    for (int zrm : {1, 2}) {
        ASSERT_EQ(Ztg_ErsCur_Open("4711", kTag), 0);
        PnrSatz p = satz();
        p.PbvZrm = zrm;
        p.PbvAwp = 3;  // the substitute read does not look at the kind
        std::set<std::string> modelle;
        int32_t rc;
        while ((rc = Ztg_ErsCur_Read(p)) == 0) {
            modelle.insert(p.ZtgAzt.str());
            EXPECT_EQ(p.Fnr, 0);
            if (p.ZtgAzt == "M2") {
                EXPECT_EQ(p.AzvKev, 600);
                EXPECT_EQ(p.AzvGlb, 1000);
                EXPECT_EQ(p.RahmenVon, zrm == 1 ? 600 : 540);
                EXPECT_EQ(p.RahmenBis, zrm == 1 ? 900 : 1000);
            } else {
                EXPECT_EQ(p.RahmenVon, zrm == 1 ? 300 : 240);
                EXPECT_EQ(p.RahmenBis, zrm == 1 ? 700 : 760);
            }
            p.Fnr = 1412;
        }
        EXPECT_EQ(rc, 1403);
        EXPECT_EQ(p.Fnr, 1412);  // the final read leaves the record alone
        EXPECT_EQ(Ztg_ErsCur_Close(), 0);
        EXPECT_EQ(modelle, (std::set<std::string>{"M2", "M4"}));
    }

    // A frame kind other than 1 and 2 keeps the frame.
    ASSERT_EQ(Ztg_ErsCur_Open("4711", kTag), 0);
    PnrSatz p = satz();
    p.RahmenVon = 11;
    p.RahmenBis = 22;
    ASSERT_EQ(Ztg_ErsCur_Read(p), 0);
    EXPECT_EQ(p.RahmenVon, 11);
    EXPECT_EQ(p.RahmenBis, 22);
    EXPECT_EQ(Ztg_ErsCur_Close(), 0);

    ASSERT_EQ(Ztg_ErsCur_Open("4711", "20261209"), 0);
    EXPECT_EQ(Ztg_ErsCur_Read(p), 1403);
    EXPECT_EQ(Ztg_ErsCur_Close(), 0);
}

TEST_P(PersonQualifikation, HeldOnTheDate) {
    TestDb db(backend());
    db.exec("insert into Dvm716Qzp (QzpPnr,QzpQfk,QzpVon,QzpBis) values "
            "('4711','Q1'," + jd("20260101") + ",null),"
            "('4711','Q2'," + jd("20260101") + "," + jd("20261207") + "),"
            "('4711','Q3'," + jd("20260101") + "," + jd(kTag) + "),"
            "('4711','Q4'," + jd("20261209") + ",null),"
            "('0815','Q5'," + jd("20260101") + ",null)");
    PnrSatz p = satz();
    EXPECT_EQ(Qzp_PnrQlf_Read(p, "Q1", kTag), 0);
    EXPECT_EQ(Qzp_PnrQlf_Read(p, "Q2", kTag), 1403);
    EXPECT_EQ(Qzp_PnrQlf_Read(p, "Q3", kTag), 0);
    EXPECT_EQ(Qzp_PnrQlf_Read(p, "Q4", kTag), 1403);
    EXPECT_EQ(Qzp_PnrQlf_Read(p, "Q5", kTag), 1403);
    EXPECT_EQ(Qzp_PnrQlf_Read(p, "Q2", "20261207"), 0);
    EXPECT_EQ(p.Pnr, "4711");
}

TEST_P(PersonQualifikation, ListOfAWorkplace) {
    TestDb db(backend());
    db.exec("insert into Dvm717Qea (QeaEsa,QeaQfk) values "
            "('A1','Q3'),('A1','Q1'),('A1','Q2'),('A2','Q9')");

    ASSERT_EQ(Qea_Qlf2Esa_Open("A1"), 0);
    std::set<std::string> liste;
    FixText<6> q;
    int32_t rc;
    while ((rc = Qea_Qlf2Esa_Read(q)) == 0) liste.insert(q.str());
    EXPECT_EQ(rc, 1403);
    EXPECT_EQ(Qea_Qlf2Esa_Close(), 0);
    EXPECT_EQ(liste, (std::set<std::string>{"Q1", "Q2", "Q3"}));

    ASSERT_EQ(Qea_Qlf2Esa_Open("A3"), 0);
    q = "alt";
    EXPECT_EQ(Qea_Qlf2Esa_Read(q), 1403);
    EXPECT_EQ(q, "alt");
    EXPECT_EQ(Qea_Qlf2Esa_Close(), 0);
}

TEST_P(PersonKosten, CostRateOfTheDate) {
    TestDb db(backend());
    db.exec("insert into Dvm708Pss (PssKss,PssGvo,PssGbi,PssWrt) values "
            "('S1'," + jd("20260101") + "," + jd("20261130") + ",10.0),"
            "('S1'," + jd("20261201") + ",null,42.75),"
            "('S2'," + jd("20260101") + ",null,null)");
    PnrSatz p = satz();
    p.PbvSst = "S1";
    ASSERT_EQ(Pss_Wrt_Read(p), 0);
    EXPECT_DOUBLE_EQ(p.PssWrt, 42.75);

    p.Datum = "20261130";
    ASSERT_EQ(Pss_Wrt_Read(p), 0);
    EXPECT_DOUBLE_EQ(p.PssWrt, 10.0);

    p.PbvSst = "S2";
    p.PssWrt = 7.0;
    ASSERT_EQ(Pss_Wrt_Read(p), 0);
    EXPECT_DOUBLE_EQ(p.PssWrt, 0.0);

    p.PbvSst = "S3";
    p.PssWrt = 7.0;
    EXPECT_EQ(Pss_Wrt_Read(p), 1403);
    EXPECT_DOUBLE_EQ(p.PssWrt, 7.0);
}
