// Clock texts, minutes, time-stamp differences and month lengths.
#include <gtest/gtest.h>

#include <cstring>

#include "rules/Datum.hpp"

namespace {

TEST(UhrzeitUmrechnung, MinutenZuUhrtextUndZurueck) {
    char uhr[7];
    Minuten_UhrZt(1439, uhr);
    EXPECT_STREQ(uhr, "235900");
    Minuten_UhrZt(390, uhr);
    EXPECT_STREQ(uhr, "063000");
    Minuten_UhrZt(0, uhr);
    EXPECT_STREQ(uhr, "000000");

    EXPECT_EQ(UhrZt_Minuten("2359"), 1439);
    EXPECT_EQ(UhrZt_Minuten("063000"), 390);
    for (int m : {0, 1, 59, 60, 719, 1320, 1439}) {
        Minuten_UhrZt(m, uhr);
        EXPECT_EQ(UhrZt_Minuten(uhr), m) << uhr;
    }
}

TEST(UhrzeitUmrechnung, KurzeOderFremdeTexteZaehlenNull) {
    EXPECT_EQ(UhrZt_Minuten(""), 0);
    EXPECT_EQ(UhrZt_Minuten("12"), 720);    // minutes missing
    EXPECT_EQ(UhrZt_Minuten("ab30"), 30);   // hours not a number
    EXPECT_EQ(UhrZt_Minuten("08xx"), 480);  // minutes not a number
    // A text ending inside the hours: nothing behind the terminator is read.
    char puffer[6] = {'1', '\0', '4', '5', '9', '\0'};
    EXPECT_EQ(UhrZt_Minuten(puffer), 60);
}

TEST(UhrzeitUmrechnung, SchreibtHoechstensSiebenBytes) {
    char puffer[10];
    std::memset(puffer, 'X', sizeof puffer);
    Minuten_UhrZt(100000, puffer);  // far outside the day
    EXPECT_EQ(puffer[6], '\0');
    EXPECT_EQ(std::strlen(puffer), 6u);
    EXPECT_EQ(puffer[7], 'X');
    EXPECT_EQ(puffer[9], 'X');
}

TEST(ZeitDifferenz, UeberMitternachtUndMonatsende) {
    EXPECT_EQ(ZeitDiff_Sek("20170921060000", "20170920220000"), 28800u);
    EXPECT_EQ(ZeitDiff_Sek("20170301000000", "20170228000000"), 86400u);
    EXPECT_EQ(ZeitDiff_Sek("20160301000000", "20160228000000"), 172800u);  // leap day
    EXPECT_EQ(ZeitDiff_Sek("20000301000000", "20000228000000"), 172800u);  // 400-year leap
    EXPECT_EQ(ZeitDiff_Sek("20170101000000", "20161231000000"), 86400u);  // year boundary
    EXPECT_EQ(ZeitDiff_Sek("20170920103015", "20170920100000"), 1815u);   // seconds count
}

TEST(ZeitDifferenz, AbsoluteSekundenAbNeunzehnhundertsiebzig) {
    EXPECT_EQ(ZeitDiff_Sek("19700101000000", "19700101000000"), 0u);
    EXPECT_EQ(ZeitDiff_Sek("19700102000000", "19700101000000"), 86400u);
    // 2017-09-20 00:00 is 1505865600 seconds after the epoch.
    EXPECT_EQ(ZeitDiff_Sek("20170920000000", "19700101000000"), 1505865600u);
}

TEST(ZeitDifferenz, NegativeDifferenzModuloZweiHochZweiunddreissig) {
    EXPECT_EQ(ZeitDiff_Sek("20170920220000", "20170921060000"), 4294967296u - 28800u);
    // Divided as unsigned, a reversed pair gives a huge gap, not a negative one.
    EXPECT_GT(ZeitDiff_Sek("20170920220000", "20170921060000") / 60u, 70000000u);
}

TEST(ZeitDifferenz, ZweistelligeJahreUndKurzeStempel) {
    // Years below 100: 70..99 are 19xx, the rest 20xx.
    EXPECT_EQ(ZeitDiff_Sek("00170920220000", "20170920220000"), 0u);
    EXPECT_EQ(ZeitDiff_Sek("00990101000000", "19990101000000"), 0u);
    // Missing time digits count as 0 and nothing behind the end is read.
    EXPECT_EQ(ZeitDiff_Sek("20170920", "20170920000000"), 0u);
    EXPECT_EQ(ZeitDiff_Sek("2017092006", "20170920000000"), 21600u);
}

TEST(Tagesnummer, DifferenzBetragUndJahrhunderte) {
    EXPECT_EQ(TageDiff(1, 1, 1970, 1, 1, 2017), 17167);
    EXPECT_EQ(TageDiff(1, 1, 2017, 1, 1, 1970), 17167);  // absolute value
    EXPECT_EQ(TageDiff(1, 3, 1900, 1, 3, 2000), 36525);
    EXPECT_EQ(TageDiff(28, 2, 1900, 1, 3, 1900), 1);     // 1900 has no leap day
    EXPECT_EQ(TageDiff(31, 12, 2099, 1, 1, 2100), 1);
    EXPECT_EQ(TageDiff(1, 1, 2100, 1, 1, 2101), 365);
    EXPECT_EQ(TageDiff(5, 6, 2020, 5, 6, 2020), 0);
}

TEST(Monatslaenge, FebruarUndDreissigerMonate) {
    EXPECT_EQ(TageImMonat(2, 1900), 28);
    EXPECT_EQ(TageImMonat(2, 2000), 29);
    EXPECT_EQ(TageImMonat(2, 2016), 29);
    EXPECT_EQ(TageImMonat(2, 2017), 28);
    for (int m : {4, 6, 9, 11}) EXPECT_EQ(TageImMonat(m, 2017), 30) << m;
    for (int m : {1, 3, 5, 7, 8, 10, 12}) EXPECT_EQ(TageImMonat(m, 2017), 31) << m;
}

}  // namespace
