#pragma once
// Dates and time stamps as Julian day numbers (days since noon of 1 Jan 4713
// BC; midnight of a civil date is x.5), the form the embedded backend stores
// them in, and their 'yyyymmdd' / 'yyyymmddHH24MISS' texts.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace db::jd {

// Days since 1970-01-01 of a proleptic Gregorian civil date.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d);
void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d);
bool validDate(int y, int m, int d);

// Parses text by a format of the tokens yyyy, mm, dd, hh24, mi, ss (any case);
// the text must match the format exactly. On failure gives the negative code
// of the error (-1858 not a digit, -1840 too short, -1830 too long, -1843
// month, -1847 day, -1850 hour, -1851 minute, -1852 second, -1821 format).
std::optional<double> parse(std::string_view text, std::string_view format, int32_t& error);
// True for a Julian day number of the years 1 to 9999 (not NaN or infinite).
bool inRange(double julian);
// Formats a Julian day number by such a format; false for an unknown format
// or a number outside inRange.
bool format(double julian, std::string_view format, std::string& out);
// The Julian day of the local time now, to the second.
double now();
// Midnight of the day of a Julian day number.
double truncateToDay(double julian);

}  // namespace db::jd
