// The eligibility rules and the record completion on a real schema: date
// shifts, the person's neighbouring deployments, net working time,
// qualifications, substitute models, rule switches and Fill_PnrBss.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/Bdp.hpp"
#include "db/Bsm.hpp"
#include "rules/Datum.hpp"
#include "rules/Eignung.hpp"
#include "rules/Fill_PnrBss.hpp"
#include "db/PnrSatz.hpp"
#include "rules/Verlassen.hpp"
#include "base/Log.hpp"
#include "support/TestDb.hpp"

namespace {

using testdb::jd;

const char* const kTag = "20170920";

class RegelnDb : public testdb::BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped()) return;
        logPfad_ = db_.dir() + "/regeln.log";
        Log_Pfade_Setzen(logPfad_, db_.dir() + "/regeln.bak");
        for (const char* t : {"20170915", "20170919", "20170920", "20170921", "20170922"}) {
            db_.exec("insert into DVMASTER.Dvm133Bak values (" + jd(t) + ", 2017, 9, " +
                     std::string(t + 6) + ", 38, 3, 263)");
        }
    }

    std::string log() { return testdb::readFile(logPfad_); }

    struct Einsatz {
        std::string datum = kTag;
        int von = 0;
        int bis = 0;
        int azt = 0;
        int akt = 1;
        int asw = 1;
        int awp = 1;
        int osv = 0;
        int osb = 0;
        std::string sts = " ";
        std::string pnr = "P1";
    };

    void einsatz(const Einsatz& e) {
        db_.exec(
            "insert into Dvm730Bdp (BdpPnr, BdpBdt, BdpEso, BdpEsa, BdpSzv, BdpSzb, BdpPlg, "
            "BdpAsw, BdpAwp, BdpAkt, BdpAzt, BdpOsv, BdpOsb, BdpSts) values ('" +
            e.pnr + "', " + jd(e.datum) + ", 'E1', 'A1', " + std::to_string(e.von) + ", " +
            std::to_string(e.bis) + ", 'PG1', " + std::to_string(e.asw) + ", " +
            std::to_string(e.awp) + ", " + std::to_string(e.akt) + ", " +
            std::to_string(e.azt) + ", " + std::to_string(e.osv) + ", " +
            std::to_string(e.osb) + ", '" + e.sts + "')");
    }

    void planGruppe(int qu2, int ar2, int ru2, int me2, int qu1 = 0) {
        db_.exec(
            "insert into Dvm701Plg (PlgPlg, PlgKal, PlgQu1, PlgAr1, PlgRu1, PlgMe1, PlgQu2, "
            "PlgAr2, PlgRu2, PlgMe2) values ('PG1', 'K1', " +
            std::to_string(qu1) + ", 1, 1, 1, " + std::to_string(qu2) + ", " +
            std::to_string(ar2) + ", " + std::to_string(ru2) + ", " + std::to_string(me2) + ")");
    }

    static PnrSatz person(int awp = 2) {
        PnrSatz p;
        PnrSatz_Init(p);
        p.Pnr = "P1";
        p.Datum = kTag;
        p.Plg = "PG1";
        p.PbvAwp = awp;
        p.PgzAzk = 8;
        p.PgzRzk = 11;
        return p;
    }

    static Dvm720Bss slot(int von, int bis, int asw = 1) {
        Dvm720Bss bss;
        bss.BssPlg = "PG1";
        bss.BssEso = "E2";
        bss.BssEsa = "A2";
        bss.BssTtp = "WT";
        bss.BssVon = von;
        bss.BssBis = bis;
        bss.BssAsw = asw;
        return bss;
    }

    testdb::TestDb db_{GetParam()};
    std::string logPfad_;
};

// ---------------------------------------------------------------- date shift

TEST_P(RegelnDb, DatumRechnenDurchDenKalender) {
    char aus[9] = "XXXXXXXX";
    EXPECT_EQ(Datum_Rechnen(1, kTag, aus), 0);
    EXPECT_STREQ(aus, "20170921");
    EXPECT_EQ(Datum_Rechnen(-5, kTag, aus), 0);
    EXPECT_STREQ(aus, "20170915");

    char tag[9] = "20170920";
    EXPECT_EQ(Datum_Rechnen(2, tag, tag), 0);  // same buffer in and out
    EXPECT_STREQ(tag, "20170922");
}

TEST_P(RegelnDb, DatumRechnenOhneKalendertagBleibtStehen) {
    db_.exec("insert into DVMASTER.Dvm133Bak values (" + jd("20171231") + ", 2017, 12, 31, 52, 7, 365)");
    char aus[9] = "XXXXXXXX";
    EXPECT_EQ(Datum_Rechnen(1, "20171231", aus), 1403);
    EXPECT_STREQ(aus, "20171231");
    char tag[9] = "20171231";
    EXPECT_EQ(Datum_Rechnen(1, tag, tag), 1403);
    EXPECT_STREQ(tag, "20171231");
    EXPECT_EQ(log(), "");  // no message
}

// ------------------------------------------------- neighbouring deployments

TEST_P(RegelnDb, NachbarnUndTagessumme) {
    einsatz({.datum = "20170919", .von = 1320, .bis = 360, .azt = 480});  // ends 0920 06:00
    einsatz({.von = 360, .bis = 480, .azt = 120, .akt = 1});
    einsatz({.von = 240, .bis = 300, .azt = 60, .akt = 2});  // later in cursor order
    einsatz({.von = 900, .bis = 1000, .azt = 500, .akt = 9999});  // inactive
    einsatz({.von = 600, .bis = 660, .azt = 60, .sts = "D"});     // placeholder
    einsatz({.datum = "20170921", .von = 600, .bis = 720, .azt = 120});
    einsatz({.datum = "20170921", .von = 1200, .bis = 1300, .azt = 100, .akt = 2});

    PnrSatz p = person();
    p.RahmenVon = 480;
    p.RahmenBis = 960;
    EXPECT_EQ(Prefix_IndikatorPrf(p, slot(840, 1080)), 0);
    // 120 + 60 + 60 of the day (the placeholder counts in the sum) + 120 in the frame.
    EXPECT_EQ(p.ArbZtBrutto, 360);
    EXPECT_EQ(p.VorEnde.str(), "20170920050000");  // last qualifying row, not the latest end
    EXPECT_EQ(p.NchBeginn.str(), "20170921200000");
    EXPECT_EQ(p.Ueberschneidung, 0);
    EXPECT_EQ(log(), "");
}

TEST_P(RegelnDb, NachtschichtStempel) {
    einsatz({.von = 840, .bis = 1320, .azt = 480});
    einsatz({.datum = "20170921", .von = 360, .bis = 840, .azt = 480});
    PnrSatz p = person();
    Prefix_IndikatorPrf(p, slot(1320, 360));
    EXPECT_EQ(p.VorEnde.str(), "20170920220000");
    EXPECT_EQ(p.NchBeginn.str(), "20170921060000");
    EXPECT_EQ(p.Ueberschneidung, 0);

    // A deployment in the early hours of the next day overlaps the night slot.
    einsatz({.datum = "20170921", .von = 240, .bis = 300, .azt = 60, .akt = 3});
    p = person();
    Prefix_IndikatorPrf(p, slot(1320, 360));
    EXPECT_EQ(p.Ueberschneidung, 1);
}

TEST_P(RegelnDb, ZweiterSlotbezugUndAlternativzeiten) {
    // Kind 3 in a kind-3 slot is judged by its second slot reference.
    einsatz({.von = 600, .bis = 700, .azt = 100, .asw = 3, .awp = 3, .osv = 1000, .osb = 1100});
    PnrSatz p = person();
    Prefix_IndikatorPrf(p, slot(840, 1080));
    EXPECT_EQ(p.Ueberschneidung, 1);
    EXPECT_EQ(p.VorEnde.str(), "");

    // Another kind keeps the slot's own times even in a kind-3 slot.
    db_.exec("update Dvm730Bdp set BdpAwp = 1");
    p = person();
    Prefix_IndikatorPrf(p, slot(840, 1080));
    EXPECT_EQ(p.Ueberschneidung, 0);
    EXPECT_EQ(p.VorEnde.str(), "20170920114000");

    // A kind-3 target slot uses the alternative times (0 to 0): no frame share.
    p = person();
    p.RahmenVon = 480;
    p.RahmenBis = 960;
    Prefix_IndikatorPrf(p, slot(840, 1080, 3));
    EXPECT_EQ(p.ArbZtBrutto, 100);
}

// --------------------------------------------------------- net working time

TEST_P(RegelnDb, ArbeitszeitNettoGrenze) {
    einsatz({.von = 480, .bis = 720, .azt = 240});
    einsatz({.von = 720, .bis = 960, .azt = 241});
    PnrSatz p = person();
    p.RahmenVon = 480;
    p.RahmenBis = 960;
    p.ArbZtBrutto = 481;
    EXPECT_EQ(Arbeitszeit_OK(p, slot(600, 840)), 1);
    EXPECT_EQ(p.ArbZtBrutto, 480);
    EXPECT_EQ(p.Fnr, 0);

    db_.exec("update Dvm730Bdp set BdpSzv = 479 where BdpSzv = 480");
    p = person();
    p.RahmenVon = 480;
    p.RahmenBis = 960;
    p.ArbZtBrutto = 481;
    EXPECT_EQ(Arbeitszeit_OK(p, slot(600, 840)), 0);
    EXPECT_EQ(p.ArbZtBrutto, 481);
    EXPECT_EQ(p.Fnr, 1521);
}

TEST_P(RegelnDb, NettoRahmenVorZwischenUndNachDenEinsaetzen) {
    einsatz({.von = 360, .bis = 720, .azt = 360});
    einsatz({.von = 600, .bis = 840, .azt = 240});
    // The frame before (05:00-14:00), behind (480 + 120) and between the
    // deployments (inserted before the row starting at 600; 06:00-15:00).
    const struct {
        int von, bis, brutto;
        const char* wo;
    } faelle[] = {{300, 780, 540, "before"}, {900, 1020, 480 + 120, "behind"}, {420, 900, 540, "between"}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.wo);
        PnrSatz p = person();
        p.RahmenVon = f.von;
        p.RahmenBis = f.bis;
        NettoArbZt_Ermitteln(p);
        EXPECT_EQ(p.ArbZtBrutto, f.brutto);
    }
}

TEST_P(RegelnDb, NettoOhneEinsaetze) {
    PnrSatz p = person();
    p.RahmenVon = 480;
    p.RahmenBis = 960;
    p.ArbZtBrutto = 1000;
    NettoArbZt_Ermitteln(p);
    EXPECT_EQ(p.ArbZtBrutto, 480);  // the frame alone

    p = person();
    p.ArbZtBrutto = 1000;  // frame 0 to 0: total 0 leaves the figure alone
    NettoArbZt_Ermitteln(p);
    EXPECT_EQ(p.ArbZtBrutto, 1000);
}

TEST_P(RegelnDb, NettoUeberMitternachtUndZweiterBezug) {
    einsatz({.von = 300, .bis = 420, .azt = 120});
    einsatz({.von = 1320, .bis = 360, .azt = 480});
    einsatz({.von = 500, .bis = 550, .azt = 50, .asw = 3, .osv = 600, .osb = 720});
    PnrSatz p = person();
    NettoArbZt_Ermitteln(p);
    // 05:00-07:00, 10:00-12:00 (second reference), 22:00-06:00 next day.
    EXPECT_EQ(p.ArbZtBrutto, 120 + 120 + 480);
}

TEST_P(RegelnDb, NettoHoechstensZwanzigEintraege) {
    for (int i = 0; i < 25; ++i) einsatz({.von = 60 + 30 * i, .bis = 70 + 30 * i, .azt = 10});
    PnrSatz p = person();
    NettoArbZt_Ermitteln(p);
    // The frame (0 to 0) takes the first entry; 19 deployments fit behind it.
    EXPECT_EQ(p.ArbZtBrutto, 190);

    p = person();
    p.RahmenVon = 2000;  // never inserted before a row: the table fills with rows
    p.RahmenBis = 2000;
    NettoArbZt_Ermitteln(p);
    EXPECT_EQ(p.ArbZtBrutto, 200);
}

// ------------------------------------------------------------- qualification

TEST_P(RegelnDb, QualifikationEineGenuegt) {
    for (const char* q : {"Q1", "Q2", "Q3"}) {
        db_.exec(std::string("insert into Dvm717Qea values ('A2', '") + q + "')");
    }
    PnrSatz p = person();
    EXPECT_EQ(Qualifikationen_OK(p, slot(600, 840)), 0);
    EXPECT_EQ(p.Fnr, 1511);

    // Held, but expired the day before.
    db_.exec("insert into Dvm716Qzp values ('P1', 'Q2', " + jd("20170101") + ", " +
             jd("20170919") + ")");
    p = person();
    EXPECT_EQ(Qualifikationen_OK(p, slot(600, 840)), 0);

    db_.exec("insert into Dvm716Qzp values ('P1', 'Q3', " + jd("20170920") + ", NULL)");
    p = person();
    EXPECT_EQ(Qualifikationen_OK(p, slot(600, 840)), 1);
    EXPECT_EQ(p.Fnr, 0);

    Dvm720Bss ohneListe = slot(600, 840);
    ohneListe.BssEsa = "A9";
    p = person();
    p.Pnr = "P2";
    EXPECT_EQ(Qualifikationen_OK(p, ohneListe), 1);
    EXPECT_EQ(log(), "");
}

// --------------------------------------------------------- substitute models

class ErsatzDb : public RegelnDb {
protected:
    void SetUp() override {
        RegelnDb::SetUp();
        if (IsSkipped()) return;
        db_.exec("insert into Dvm329Ztg values ('P1', " + jd(kTag) + ", 'M1', 'K100', 'G1')");
    }
    void modell(const char* num, int kev, int keb, int glv, int glb, int sol = 480) {
        db_.exec(std::string("insert into Dvm140Azv values ('") + num + "', " + jd("20170101") +
                 ", NULL, " + std::to_string(kev) + ", " + std::to_string(keb) + ", " +
                 std::to_string(glv) + ", " + std::to_string(glb) + ", " +
                 std::to_string(sol) + ")");
    }
    void ersatz(const char* aze) {
        db_.exec(std::string("insert into Dvm162Ers values ('G1', 'M1', '") + aze + "')");
    }
    static PnrSatz person1(int zrm) {
        PnrSatz p = person(1);
        p.PbvZrm = zrm;
        p.ZtgAzt = "M1";
        p.RahmenVon = 480;
        p.RahmenBis = 960;
        return p;
    }
};

TEST_P(ErsatzDb, ErsatzmodellNimmtDenSlotAuf) {
    modell("S2", 1200, 1380, 240, 720);
    ersatz("S2");
    int klasse = -1;
    PnrSatz p = person1(2);  // flexitime frame of the substitute
    EXPECT_EQ(Zeitlage_Pruefen(p, 300, 600, 2, klasse), 1);
    EXPECT_EQ(p.ZtgAzt.str(), "S2");
    EXPECT_EQ(p.RahmenVon, 240);
    EXPECT_EQ(p.RahmenBis, 720);
    EXPECT_EQ(klasse, 5);
    EXPECT_EQ(p.Fnr, 0);

    p = person1(1);  // core frame 20:00-23:00 rejects the slot
    EXPECT_EQ(Zeitlage_Pruefen(p, 300, 600, 2, klasse), 0);
    EXPECT_EQ(p.Fnr, 1412);
    EXPECT_EQ(p.ZtgAzt.str(), "S2");  // the last model read stays
    EXPECT_EQ(p.RahmenVon, 1200);
}

TEST_P(ErsatzDb, UeberstandImErsatzrahmenUndNurArtEins) {
    modell("S2", 360, 900, 0, 0);
    modell("S3", 0, 0, 0, 0, 0);  // no target time: never a substitute
    ersatz("S2");
    ersatz("S3");
    int klasse = -1;
    PnrSatz p = person1(1);
    EXPECT_EQ(Zeitlage_Pruefen(p, 300, 600, 2, klasse), 1);  // 05:00 before 06:00
    EXPECT_EQ(klasse, 9);
    EXPECT_EQ(p.Fnr, 1501);

    p = person1(1);
    p.PbvAwp = 2;  // other kinds do not look for substitutes
    EXPECT_EQ(Zeitlage_Pruefen(p, 300, 600, 2, klasse), 0);
    EXPECT_EQ(p.Fnr, 1412);
    EXPECT_EQ(p.ZtgAzt.str(), "M1");
    EXPECT_EQ(p.RahmenVon, 480);
}

// ------------------------------------------------------- rule switches

TEST_P(RegelnDb, AbgeschalteteRegelnLassenDenCode) {
    planGruppe(0, 0, 0, 0, 1);  // level 1 has everything on, level 2 nothing
    einsatz({.von = 600, .bis = 900, .azt = 300});
    PnrSatz p = person(1);
    p.Fnr = 1501;
    EXPECT_EQ(IndikatorPrf(p, slot(840, 1080), 2), 1);
    EXPECT_EQ(p.Fnr, 1501);
    EXPECT_EQ(p.Ueberschneidung, 1);  // the record is gathered all the same
    EXPECT_EQ(p.ArbZtBrutto, 300);

    db_.exec("delete from Dvm701Plg");  // no plan-group row: all rules off
    p = person(1);
    EXPECT_EQ(IndikatorPrf(p, slot(840, 1080), 2), 1);
    EXPECT_EQ(p.Fnr, 0);
    EXPECT_EQ(log(), "");
}

TEST_P(RegelnDb, ZweiFehlerLetzterCodeGewinnt) {
    planGruppe(1, 0, 1, 0);
    db_.exec("insert into Dvm717Qea values ('A2', 'Q1')");
    einsatz({.von = 360, .bis = 600, .azt = 240});  // ends 10:00, slot 12:00: rest too short
    PnrSatz p = person(1);
    EXPECT_EQ(IndikatorPrf(p, slot(720, 960), 2), 0);
    EXPECT_EQ(p.Fnr, 1531);

    db_.exec("update Dvm701Plg set PlgRu2 = 2");  // only exactly 1 switches on
    p = person(1);
    EXPECT_EQ(IndikatorPrf(p, slot(720, 960), 2), 0);
    EXPECT_EQ(p.Fnr, 1511);
}

TEST_P(RegelnDb, VerlassenerEinsatzZaehltMit) {
    planGruppe(0, 1, 0, 1);
    einsatz({.von = 480, .bis = 960, .azt = 480});  // the deployment the person would leave
    PnrSatz p = person(2);
    p.RahmenVon = 480;
    p.RahmenBis = 960;
    EXPECT_EQ(IndikatorPrf(p, slot(600, 840), 2), 0);
    EXPECT_EQ(p.Ueberschneidung, 1);
    EXPECT_EQ(p.Fnr, 1541);
    // 480 + 240 gross; merged with the frame it is 480 again and passes.
    EXPECT_EQ(p.ArbZtBrutto, 480);

    p = person(2);
    p.RahmenVon = 480;
    p.RahmenBis = 1020;  // frame reaches 60 minutes past the deployment
    EXPECT_EQ(IndikatorPrf(p, slot(840, 1020), 2), 0);
    EXPECT_EQ(p.ArbZtBrutto, 540);
    EXPECT_EQ(p.Fnr, 1541);  // rule 4 runs after rule 2 and overwrites 1521
}

// The day after the move: the deployment the person leaves (akt 1, 06:00 to
// 14:00 or 14:00 to 22:00) no longer counts for working time, rest and
// overlap; without it in the record (the earlier judgement) it does. Another
// deployment at the same times with another activity number still counts.
TEST_P(RegelnDb, VerlassenerEinsatzZaehltNachDemUmzugNicht) {
    struct Fall {
        const char* was;
        int ar2, ru2, me2, awp;
        Einsatz verlassen;
        std::vector<Einsatz> andere;
        int rahmenVon, rahmenBis, slotVon, slotBis;
        int fnrWieFrueher, fnrNachUmzug;
    } faelle[] = {
        // Overlap: the same times as the left deployment.
        {"overlap", 0, 0, 1, 2, {.von = 360, .bis = 840, .azt = 480}, {}, 360, 840, 360, 840, 1541, 0},
        {"overlap with another", 0, 0, 1, 2, {.von = 360, .bis = 840, .azt = 480},
         {{.von = 360, .bis = 840, .azt = 480, .akt = 2}}, 360, 840, 360, 840, 1541, 1541},
        // Rest: early left, late taken: a gap of 0 for assignment kind 1.
        {"rest", 0, 1, 0, 1, {.von = 360, .bis = 840, .azt = 480}, {}, 840, 1320, 840, 1320, 1531, 0},
        {"rest to the next day", 0, 1, 0, 1, {.von = 360, .bis = 840, .azt = 480},
         {{.datum = "20170921", .von = 360, .bis = 840, .azt = 480}}, 840, 1320, 840, 1320, 1531, 1531},
        // Working time, gross: 480 left + 480 of the slot over 8 hours.
        {"working time", 1, 0, 0, 2, {.von = 360, .bis = 840, .azt = 480}, {}, 840, 1320, 840, 1320, 1521, 0},
        // Working time, net: 480 left + 240 of another + 480 of the slot; merged
        // without the left one 14:00 to 22:00 is 480 and passes, with it 960.
        {"net working time", 1, 0, 0, 2, {.von = 360, .bis = 840, .azt = 480},
         {{.von = 840, .bis = 1080, .azt = 240, .akt = 2}}, 840, 1320, 840, 1320, 1521, 0},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        db_.exec("delete from Dvm730Bdp");
        db_.exec("delete from Dvm701Plg");
        planGruppe(0, f.ar2, f.ru2, f.me2);
        einsatz(f.verlassen);
        for (const Einsatz& e : f.andere) einsatz(e);

        // The left deployment as the person review reads it.
        Dvm730Bdp bdp;
        bdp.BdpPnr = "P1";
        bdp.BdpBdt = kTag;
        bdp.BdpPlg = "PG1";
        bdp.BdpEso = "E1";
        bdp.BdpEsa = "A1";
        bdp.BdpSzv = f.verlassen.von;
        bdp.BdpAsw = f.verlassen.asw;
        bdp.BdpAkt = f.verlassen.akt;
        bdp.BdpAzt = f.verlassen.azt;
        for (bool nachUmzug : {false, true}) {
            PnrSatz p = person(f.awp);
            p.RahmenVon = f.rahmenVon;
            p.RahmenBis = f.rahmenBis;
            if (nachUmzug) Verlassen_Setzen(p, bdp);
            IndikatorPrf(p, slot(f.slotVon, f.slotBis), 2);
            EXPECT_EQ(p.Fnr, nachUmzug ? f.fnrNachUmzug : f.fnrWieFrueher) << (nachUmzug ? "after" : "before");
        }
    }
    EXPECT_EQ(log(), "");
}

// ---------------------------------------------------------- record completion

class FillDb : public RegelnDb {
protected:
    void SetUp() override {
        RegelnDb::SetUp();
        if (IsSkipped()) return;
        db_.exec("insert into Dvm701Plg (PlgPlg, PlgKal) values ('PG1', 'K1')");
        db_.exec("insert into Dvm133Ka2 values ('K1', " + jd(kTag) + ", 'WT', 'AT', 0)");
        db_.exec("insert into Dvm720Bss (BssPlg, BssEso, BssEsa, BssTtp, BssVon, BssBis, BssBsz, "
                 "BssSol, BssAsw) values ('PG1', 'E1', 'A1', 'WT', 840, 1080, 'SP', 3, 1)");
        db_.exec("insert into Dvm710Pbv values ('P1', " + jd("20170101") +
                 ", NULL, 1, 'E7', 'A7', 1, 'S1')");
        db_.exec("insert into Dvm712Pgz values ('PG1', 'E7', 'A7', 8, 11)");
        db_.exec("insert into Dvm708Pss values ('S1', " + jd("20170101") + ", NULL, 25.5)");
        db_.exec("insert into Dvm329Ztg values ('P1', " + jd(kTag) + ", 'M1', 'K100', 'G1')");
        db_.exec("insert into Dvm140Azv values ('M1', " + jd("20170101") +
                 ", NULL, 480, 960, 420, 1080, 480)");
    }
    static Dvm725Bsm unterbesetzt() {
        Dvm725Bsm bsm;
        bsm.BsmBdt = kTag;
        bsm.BsmEso = "E1";
        bsm.BsmEsa = "A1";
        bsm.BsmTtp = "WT";
        bsm.BsmSzv = 840;
        bsm.BsmSzb = 1080;
        bsm.BsmPlg = "PG1";
        bsm.BsmAsw = 1;
        return bsm;
    }
    static PnrSatz leer() {
        PnrSatz p;
        PnrSatz_Init(p);
        p.Pnr = "P1";
        return p;
    }
};

TEST_P(FillDb, VollstaendigerSatz) {
    PnrSatz p = leer();
    Dvm720Bss bss;
    EXPECT_EQ(Fill_PnrBss(p, bss, unterbesetzt()), 1);
    EXPECT_EQ(bss.BssBis, 1080);
    EXPECT_EQ(bss.BssSol, 3);
    EXPECT_EQ(bss.BssBsz.str(), "SP");
    EXPECT_EQ(p.Datum.str(), kTag);
    EXPECT_EQ(p.Plg.str(), "PG1");
    EXPECT_EQ(p.PbvEso.str(), "E7");
    EXPECT_EQ(p.PbvEsa.str(), "A7");
    EXPECT_EQ(p.PbvZrm, 1);
    EXPECT_EQ(p.PbvAwp, 1);
    EXPECT_EQ(p.PbvSst.str(), "S1");
    EXPECT_DOUBLE_EQ(p.PssWrt, 25.5);
    EXPECT_EQ(p.PgzAzk, 8);
    EXPECT_EQ(p.PgzRzk, 11);
    EXPECT_EQ(p.ZtgAzt.str(), "M1");
    EXPECT_EQ(p.ZtgKst.str(), "K100");
    EXPECT_EQ(p.Ka2Ttp.str(), "WT");
    EXPECT_EQ(p.PkaTtp.str(), "AT");
    EXPECT_EQ(p.RahmenVon, 480);  // core time
    EXPECT_EQ(p.RahmenBis, 960);
    EXPECT_EQ(p.AzvGlv, 420);
    EXPECT_EQ(p.Fnr, 0);
    EXPECT_EQ(log(), "");

    // The plan group's own calendar replaces the day type; flexitime frame.
    db_.exec("insert into Dvm755Pka values ('PG1', 'K1', " + jd(kTag) + ", 'FT', 1)");
    db_.exec("update Dvm710Pbv set PbvZrm = 2");
    p = leer();
    EXPECT_EQ(Fill_PnrBss(p, bss, unterbesetzt()), 1);
    EXPECT_EQ(p.PkaTtp.str(), "FT");
    EXPECT_EQ(p.Ka2Ttp.str(), "WT");
    EXPECT_EQ(p.RahmenVon, 420);
    EXPECT_EQ(p.RahmenBis, 1080);

    db_.exec("update Dvm710Pbv set PbvZrm = 5");  // neither frame
    p = leer();
    EXPECT_EQ(Fill_PnrBss(p, bss, unterbesetzt()), 1);
    EXPECT_EQ(p.RahmenVon, 0);
    EXPECT_EQ(p.RahmenBis, 0);
}

TEST_P(FillDb, OhneArbeitszeiteintrag) {
    db_.exec("delete from Dvm329Ztg");
    PnrSatz p = leer();
    Dvm720Bss bss;
    EXPECT_EQ(Fill_PnrBss(p, bss, unterbesetzt()), 0);
    EXPECT_EQ(p.Fnr, 1411);
    EXPECT_EQ(p.ZtgAzt.str(), "");
    EXPECT_EQ(p.PgzAzk, 8);  // what was filled before stays
    EXPECT_NE(log().find("-Fehler: Fill_PnrBss()->Ztg_AbzTag_Read() RC: 1403! PNR: P1 DAT: "
                         "20170920\n"),
              std::string::npos)
        << log();

    db_.exec("update Dvm710Pbv set PbvAwp = 3");
    p = leer();
    EXPECT_EQ(Fill_PnrBss(p, bss, unterbesetzt()), 1);
    EXPECT_EQ(p.Fnr, 0);
}

TEST_P(FillDb, OhneSollzeileUndOhneZuordnung) {
    db_.exec("delete from Dvm720Bss");
    db_.exec("update Dvm710Pbv set PbvGbi = " + jd("20170919"));  // ended the day before
    PnrSatz p = leer();
    Dvm720Bss bss;
    bss.BssBis = 7;
    bss.BssEsa = "ALT";
    EXPECT_EQ(Fill_PnrBss(p, bss, unterbesetzt()), 1);
    EXPECT_EQ(bss.BssEsa.str(), "A1");  // key fields set
    EXPECT_EQ(bss.BssVon, 840);
    EXPECT_EQ(bss.BssBis, 7);  // the rest not refreshed
    EXPECT_EQ(p.PbvEso.str(), "");
    EXPECT_EQ(p.PgzAzk, 0);
    EXPECT_EQ(p.PbvSst.str(), "");
    EXPECT_DOUBLE_EQ(p.PssWrt, 0.0);
    EXPECT_EQ(p.ZtgAzt.str(), "M1");  // the working-time entry is still read
    EXPECT_EQ(p.Fnr, 0);
    const std::string l = log();
    EXPECT_NE(l.find("-Fehler: Fill_PnrBss()->Bss_PKeyRead() RC: 1403! PLG: PG1 ESO: E1 ESA: A1 "
                     "UHRVON: 840 TTP: WT\n"),
              std::string::npos)
        << l;
    EXPECT_NE(l.find("-Fehler: Fill_PnrBss()->Komplett_PnrSatz() RC: 1403! PNR: P1 DAT: "
                     "20170920\n"),
              std::string::npos)
        << l;
}

TESTDB_INSTANTIATE_BOTH(RegelnDb);
TESTDB_INSTANTIATE_BOTH(ErsatzDb);
TESTDB_INSTANTIATE_BOTH(FillDb);

}  // namespace
