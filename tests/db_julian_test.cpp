// Julian day numbers and their texts: the conversions the embedded backend's
// TO_DATE and TO_CHAR rest on, at the edges of the calendar and for values a
// damaged row may hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "db/JulianDate.hpp"

namespace {

TEST(JulianDatum, TextUndZahlGehenHinUndZurueck) {
    int32_t fehler = 1;
    auto t = db::jd::parse("20261208", "yyyymmdd", fehler);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(fehler, 0);
    EXPECT_DOUBLE_EQ(*t, 2461382.5);
    std::string out;
    ASSERT_TRUE(db::jd::format(*t + 13.0 / 24 + 14.0 / 1440 + 15.0 / 86400, "yyyymmddhh24miss", out));
    EXPECT_EQ(out, "20261208131415");
    // First and last day of the years 1 and 9999.
    ASSERT_TRUE(db::jd::format(1721425.5, "yyyymmdd", out));
    EXPECT_EQ(out, "00010101");
    ASSERT_TRUE(db::jd::format(5373484.5 - 1.0 / 86400, "yyyymmddhh24miss", out));
    EXPECT_EQ(out, "99991231235959");
}

TEST(JulianDatum, WerteAusserhalbDesKalendersWerdenAbgelehnt) {
    // A damaged row may hold anything in a date column: none of these may
    // reach the integer arithmetic of the conversion.
    std::string out = "unchanged";
    for (double v : {1e300, -1e300, std::numeric_limits<double>::infinity(), std::nan(""), 0.0, 1721424.5,
                     5373484.5}) {
        EXPECT_FALSE(db::jd::inRange(v)) << v;
        EXPECT_FALSE(db::jd::format(v, "yyyymmdd", out)) << v;
    }
    EXPECT_TRUE(db::jd::inRange(2461382.5));
}

// The texts written digit by digit must be those of the C library's
// formatting, for any day of the calendar and any time of it, with the
// format's letters in any case; and each text must read back to its value.
TEST(JulianDatum, TexteWieDieFormatierungDerBibliothek) {
    std::mt19937_64 rng(20261209);
    std::uniform_int_distribution<int64_t> tag(-719162, 2932896);  // 0001-01-01 .. 9999-12-31
    std::uniform_int_distribution<int> sekunde(0, 86399);
    const char* const formate[] = {"yyyymmdd", "YYYYMMDD", "yyyymmddHH24MISS", "YyYyMmDdhH24mIsS"};
    std::string out;
    for (int i = 0; i < 20000; ++i) {
        const int64_t t = i < 2 ? (i == 0 ? -719162 : 2932896) : tag(rng);
        const int sek = i < 2 ? (i == 0 ? 0 : 86399) : sekunde(rng);
        const double julian = 2440587.5 + static_cast<double>(t) + sek / 86400.0;
        int64_t y;
        unsigned m, d;
        db::jd::civilFromDays(t, y, m, d);
        char kurz[16], lang[24];
        std::snprintf(kurz, sizeof kurz, "%04lld%02u%02u", static_cast<long long>(y), m, d);
        std::snprintf(lang, sizeof lang, "%s%02d%02d%02d", kurz, sek / 3600, sek / 60 % 60, sek % 60);
        for (const char* f : formate) {
            const bool mitZeit = std::string(f).size() > 8;
            ASSERT_TRUE(db::jd::format(julian, f, out)) << julian;
            ASSERT_EQ(out, mitZeit ? lang : kurz) << f << " " << julian;
            int32_t fehler = 1;
            auto zurueck = db::jd::parse(out, f, fehler);
            ASSERT_TRUE(zurueck.has_value()) << out;
            EXPECT_EQ(fehler, 0);
            EXPECT_NEAR(*zurueck, mitZeit ? julian : 2440587.5 + static_cast<double>(t), 1e-6) << out;
        }
    }
    // Letters that are not digits where the format wants digits.
    int32_t fehler = 0;
    EXPECT_FALSE(db::jd::parse("2026I208", "yyyymmdd", fehler).has_value());
    EXPECT_EQ(fehler, -1858);
}

}  // namespace
