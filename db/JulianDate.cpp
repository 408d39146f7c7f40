#include "db/JulianDate.hpp"

#include <cmath>
#include <ctime>

namespace db::jd {

namespace {
constexpr double kUnixEpochJulian = 2440587.5;

// Formats are ASCII: a capital letter is its small one plus 32. This runs
// for every date a statement converts, so it calls nothing of the C
// library's locale-dependent character handling.
char klein(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool token(std::string_view f, std::size_t i, std::string_view t) {
    if (f.size() - i < t.size()) return false;
    for (std::size_t k = 0; k < t.size(); ++k)
        if (klein(f[i + k]) != t[k]) return false;
    return true;
}

bool ziffer(char c) { return c >= '0' && c <= '9'; }

// Appends v with exactly n decimal digits, zero-padded (0 <= v < 10^n).
void ziffern(std::string& out, int64_t v, int n) {
    char buf[8];
    for (int k = n - 1; k >= 0; --k) {
        buf[k] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    out.append(buf, static_cast<std::size_t>(n));
}
}  // namespace

int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

bool validDate(int y, int m, int d) {
    if (y < 1 || m < 1 || m > 12 || d < 1) return false;
    static const int len[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int max = len[m - 1];
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) max = 29;
    return d <= max;
}

std::optional<double> parse(std::string_view text, std::string_view f, int32_t& error) {
    int y = -1, mo = 1, d = 1, h = 0, mi = 0, s = 0;
    std::size_t ti = 0;
    auto digits = [&](int count, int& out) -> bool {
        out = 0;
        for (int k = 0; k < count; ++k) {
            if (ti >= text.size()) { error = -1840; return false; }
            char c = text[ti];
            if (!ziffer(c)) { error = -1858; return false; }
            out = out * 10 + (c - '0');
            ++ti;
        }
        return true;
    };
    for (std::size_t fi = 0; fi < f.size();) {
        if (token(f, fi, "yyyy")) { if (!digits(4, y)) return std::nullopt; fi += 4; }
        else if (token(f, fi, "hh24")) { if (!digits(2, h)) return std::nullopt; fi += 4; }
        else if (token(f, fi, "mm")) { if (!digits(2, mo)) return std::nullopt; fi += 2; }
        else if (token(f, fi, "dd")) { if (!digits(2, d)) return std::nullopt; fi += 2; }
        else if (token(f, fi, "mi")) { if (!digits(2, mi)) return std::nullopt; fi += 2; }
        else if (token(f, fi, "ss")) { if (!digits(2, s)) return std::nullopt; fi += 2; }
        else { error = -1821; return std::nullopt; }
    }
    if (ti != text.size()) { error = -1830; return std::nullopt; }
    if (y < 1) { error = -1841; return std::nullopt; }
    if (mo < 1 || mo > 12) { error = -1843; return std::nullopt; }
    if (!validDate(y, mo, d)) { error = -1847; return std::nullopt; }
    if (h > 23) { error = -1850; return std::nullopt; }
    if (mi > 59) { error = -1851; return std::nullopt; }
    if (s > 59) { error = -1852; return std::nullopt; }
    error = 0;
    double days = static_cast<double>(daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)));
    return kUnixEpochJulian + days + (h * 3600 + mi * 60 + s) / 86400.0;
}

bool inRange(double julian) {
    // 0001-01-01 00:00:00 up to the last second of 9999-12-31.
    return std::isfinite(julian) && julian >= 1721425.5 && julian < 5373484.5;
}

bool format(double julian, std::string_view f, std::string& out) {
    if (!inRange(julian)) return false;
    // Whole seconds since the Unix epoch, rounded, so that x.5 + 1/86400 steps
    // never come out one second short.
    const double secsD = std::floor((julian - kUnixEpochJulian) * 86400.0 + 0.5);
    const int64_t secs = static_cast<int64_t>(secsD);
    int64_t days = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
    int64_t rest = secs - days * 86400;
    int64_t y;
    unsigned m, d;
    civilFromDays(days, y, m, d);
    int h = static_cast<int>(rest / 3600), mi = static_cast<int>(rest / 60 % 60),
        s = static_cast<int>(rest % 60);
    // The year is 1 to 9999 here (inRange), but the last half second before
    // the year 10000 rounds up into it: that year keeps its five digits.
    out.clear();
    for (std::size_t fi = 0; fi < f.size();) {
        if (token(f, fi, "yyyy")) { ziffern(out, y, y > 9999 ? 5 : 4); fi += 4; }
        else if (token(f, fi, "hh24")) { ziffern(out, h, 2); fi += 4; }
        else if (token(f, fi, "mm")) { ziffern(out, m, 2); fi += 2; }
        else if (token(f, fi, "dd")) { ziffern(out, d, 2); fi += 2; }
        else if (token(f, fi, "mi")) { ziffern(out, mi, 2); fi += 2; }
        else if (token(f, fi, "ss")) { ziffern(out, s, 2); fi += 2; }
        else return false;
    }
    return true;
}

double now() {
    std::time_t t = std::time(nullptr);
    std::tm lt{};
    localtime_r(&t, &lt);
    double days = static_cast<double>(daysFromCivil(lt.tm_year + 1900, static_cast<unsigned>(lt.tm_mon + 1),
                                                    static_cast<unsigned>(lt.tm_mday)));
    return kUnixEpochJulian + days + (lt.tm_hour * 3600 + lt.tm_min * 60 + lt.tm_sec) / 86400.0;
}

double truncateToDay(double julian) { return std::floor(julian - 0.5) + 0.5; }

}  // namespace db::jd
