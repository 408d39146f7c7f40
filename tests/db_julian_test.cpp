// Julian day numbers and their texts: the conversions the embedded backend's
// TO_DATE and TO_CHAR rest on, at the edges of the calendar and for values a
// damaged row may hold.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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

}  // namespace
