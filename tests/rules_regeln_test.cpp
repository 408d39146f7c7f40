// The rules that work on the person-day record alone: working time within the
// limit, rest time before and after the slot, overlap.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "db/Bsm.hpp"
#include "rules/Eignung.hpp"
#include "db/PnrSatz.hpp"

namespace {

PnrSatz Person(int awp, int rzk) {
    PnrSatz p;
    PnrSatz_Init(p);
    p.Pnr = "4711";
    p.Datum = "20170920";
    p.PbvAwp = awp;
    p.PgzRzk = rzk;
    p.PgzAzk = 8;
    return p;
}

Dvm720Bss Slot(int von, int bis) {
    Dvm720Bss bss;
    bss.BssPlg = "PG1";
    bss.BssEsa = "A1";
    bss.BssVon = von;
    bss.BssBis = bis;
    return bss;
}

// Stamp on 2017-09-20 at the given minute; negative minutes lie on the day before.
std::string Stempel(int minuten) {
    const char* tag = "20170920";
    if (minuten < 0) {
        tag = "20170919";
        minuten += 1440;
    }
    char s[32];
    std::snprintf(s, sizeof s, "%s%02d%02d00", tag, minuten / 60, minuten % 60);
    return s;
}

// Slot 10:00-14:00; the earlier deployment ended `luecke` minutes before 10:00.
int RuheVorher(int awp, int luecke, int32_t& fnr) {
    PnrSatz p = Person(awp, 11);
    p.VorEnde = Stempel(600 - luecke);
    int ok = Ruhezeit_OK(p, Slot(600, 840));
    fnr = p.Fnr;
    return ok;
}

// Slot 10:00-14:00; the later deployment starts `luecke` minutes after 14:00.
int RuheNachher(int awp, int luecke) {
    PnrSatz p = Person(awp, 11);
    p.NchBeginn = Stempel(840 + luecke);
    return Ruhezeit_OK(p, Slot(600, 840));
}

TEST(Ruhezeit, ArtZweiKurzeLueckeIstFortsetzung) {
    int32_t fnr = -1;
    EXPECT_EQ(RuheVorher(2, 330, fnr), 1);  // half of 660: continuation
    EXPECT_EQ(fnr, 0);
    EXPECT_EQ(RuheVorher(2, 331, fnr), 0);
    EXPECT_EQ(fnr, 1531);
    EXPECT_EQ(RuheVorher(2, 659, fnr), 0);
    EXPECT_EQ(RuheVorher(2, 660, fnr), 1);
    EXPECT_EQ(RuheVorher(2, 10, fnr), 1);
    EXPECT_EQ(RuheVorher(2, 0, fnr), 1);  // seamless continuation
}

TEST(Ruhezeit, ArtEinsJedeKurzeLueckeScheitert) {
    int32_t fnr = -1;
    EXPECT_EQ(RuheVorher(1, 330, fnr), 0);
    EXPECT_EQ(fnr, 1531);
    EXPECT_EQ(RuheVorher(1, 10, fnr), 0);
    EXPECT_EQ(RuheVorher(1, 659, fnr), 0);
    EXPECT_EQ(RuheVorher(1, 660, fnr), 1);
}

TEST(Ruhezeit, FolgeeinsatzGleicheGrenzen) {
    EXPECT_EQ(RuheNachher(2, 330), 1);
    EXPECT_EQ(RuheNachher(2, 331), 0);
    EXPECT_EQ(RuheNachher(2, 660), 1);
    EXPECT_EQ(RuheNachher(1, 330), 0);
    EXPECT_EQ(RuheNachher(1, 660), 1);
}

TEST(Ruhezeit, BeideSeitenWerdenGeprueft) {
    PnrSatz p = Person(2, 11);
    p.VorEnde = Stempel(600 - 700);   // long enough
    p.NchBeginn = Stempel(840 + 400);  // too short
    EXPECT_EQ(Ruhezeit_OK(p, Slot(600, 840)), 0);
    EXPECT_EQ(p.Fnr, 1531);

    p = Person(2, 11);
    p.VorEnde = Stempel(600 - 400);
    p.NchBeginn = Stempel(840 + 700);
    EXPECT_EQ(Ruhezeit_OK(p, Slot(600, 840)), 0);

    // Across the day boundary: deployment ended 22:00 the day before, slot at 06:00.
    p = Person(1, 11);
    p.VorEnde = Stempel(-120);
    EXPECT_EQ(Ruhezeit_OK(p, Slot(360, 840)), 0);  // 480 < 660
    p = Person(1, 8);
    p.VorEnde = Stempel(-120);
    EXPECT_EQ(Ruhezeit_OK(p, Slot(360, 840)), 1);  // 480 = 480
}

TEST(Ruhezeit, OhneNachbarnOderOhneGrenze) {
    PnrSatz p = Person(1, 11);
    p.Fnr = 1501;
    EXPECT_EQ(Ruhezeit_OK(p, Slot(600, 840)), 1);
    EXPECT_EQ(p.Fnr, 1501);  // a passing rule leaves the code alone

    p = Person(1, 0);  // no rest limit: never fails
    p.VorEnde = Stempel(600);
    p.NchBeginn = Stempel(840);
    EXPECT_EQ(Ruhezeit_OK(p, Slot(600, 840)), 1);
}

TEST(Ruhezeit, LueckeIstVorzeichenlos) {
    // A neighbouring end after the slot start gives a wrapped, huge gap: not short.
    PnrSatz p = Person(1, 11);
    p.VorEnde = Stempel(700);
    EXPECT_EQ(Ruhezeit_OK(p, Slot(600, 840)), 1);
}

TEST(Arbeitszeit, GrenzeInnerhalbBrutto) {
    PnrSatz p = Person(2, 11);
    p.ArbZtBrutto = 480;
    EXPECT_EQ(Arbeitszeit_OK(p, Slot(600, 840)), 1);
    EXPECT_EQ(p.Fnr, 0);
    EXPECT_EQ(p.ArbZtBrutto, 480);
    p.ArbZtBrutto = 0;
    p.PgzAzk = 0;
    EXPECT_EQ(Arbeitszeit_OK(p, Slot(600, 840)), 1);
}

TEST(Ueberschneidung, NurBeiGesetzterMarke) {
    PnrSatz p = Person(2, 11);
    EXPECT_EQ(Ueberschneidung_OK(p, Slot(600, 840)), 1);
    EXPECT_EQ(p.Fnr, 0);
    p.Ueberschneidung = 1;
    EXPECT_EQ(Ueberschneidung_OK(p, Slot(600, 840)), 0);
    EXPECT_EQ(p.Fnr, 1541);
}

}  // namespace
