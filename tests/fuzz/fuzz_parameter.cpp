// Fuzz target: the take-over of the command line into the run context and
// the check of the requested plan period.
//
// The input is the argument vector after the program name, the arguments
// separated by zero bytes; the first byte sets the argument count, so that
// short command lines and extra arguments are reached too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/Laufkontext.hpp"
#include "run/Main.hpp"
#include "base/Utf8.hpp"

namespace {

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "wrong result: %s\n", what);
        std::abort();
    }
}

// An independent reading of 'yyyymmdd': eight digits naming a day of the
// Gregorian calendar from the year 1 on.
bool isCalendarDate(std::string_view d) {
    if (d.size() != 8) return false;
    for (char c : d)
        if (c < '0' || c > '9') return false;
    const int y = std::atoi(std::string(d.substr(0, 4)).c_str());
    const int m = std::atoi(std::string(d.substr(4, 2)).c_str());
    const int t = std::atoi(std::string(d.substr(6, 2)).c_str());
    if (y == 0 || m < 1 || m > 12 || t < 1) return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return t <= days[m - 1];
}

// An independent reading of UTF-8: every sequence complete, no overlong
// form, no surrogate, nothing past U+10FFFF.
bool isUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        std::size_t n;
        uint32_t cp, min;
        if (b < 0x80) { ++i; continue; }
        if ((b & 0xE0) == 0xC0) { n = 2; cp = b & 0x1F; min = 0x80; }
        else if ((b & 0xF0) == 0xE0) { n = 3; cp = b & 0x0F; min = 0x800; }
        else if ((b & 0xF8) == 0xF0) { n = 4; cp = b & 0x07; min = 0x10000; }
        else return false;
        if (i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k) {
            const unsigned char c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n;
    }
    return true;
}

// A parameter as the take-over reads it: UTF-8 as it stands, anything else
// as Latin-1, each byte from 0x80 on a two-byte character.
std::string asUtf8(const std::string& s) {
    if (isUtf8(s)) return s;
    std::string out;
    for (char c : s) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (b >> 6)));
            out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return out;
}

// A parameter text as UTF-8, cut to its width: never more than n bytes,
// never more than three bytes short of them (one character kept whole),
// always whole characters, and where the cut splits no character the plain
// byte cut. The exact place of a cut inside a character is the table test's
// subject; here it checks the wiring.
std::string prefix(const char* arg, std::size_t n) {
    const std::string s = asUtf8(arg);
    require(isUtf8(s), "the text read as Latin-1 is not UTF-8");
    require(Utf8_Gueltig(s) && Utf8_Gueltig(arg) == (s == arg), "UTF-8 check disagrees");
    const std::size_t keep = Utf8_Schnitt(s, n);
    require(keep <= n && keep <= s.size(), "cut longer than its width");
    require(keep == s.size() || keep + 3 >= n, "cut more than one character short");
    if (s.size() > n && (static_cast<unsigned char>(s[n]) & 0xC0) != 0x80)
        require(keep == n, "cut moved although it split no character");
    require(isUtf8(s.substr(0, keep)), "cut splits a character");
    return s.substr(0, keep);
}

std::string cutAtBlank(std::string s) { return s.substr(0, s.find(' ')); }

std::string keyParameter(const char* arg) {
    if (std::strncmp(arg, "00000", 5) == 0) return "";
    return cutAtBlank(prefix(arg, 5));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int argc = 1 + data[0] % 14;
    std::vector<std::string> args{"dorvelian"};
    std::string current;
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    args.push_back(current);
    while (args.size() < static_cast<size_t>(argc)) args.emplace_back();
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    Laufkontext lk;
    lk.Von = "garbage";
    Parameter_Uebernehmen(argc, argv.data(), lk);

    // What the take-over must give, worked out from the arguments directly.
    auto arg = [&](int i) -> const char* { return i < argc ? argv[i] : ""; };
    require(lk.Usr.view() == cutAtBlank(prefix(arg(2), 50)), "Usr");
    require(lk.PlanBeg.view() == prefix(arg(3), 8), "PlanBeg");
    require(lk.PlanEnd.view() == prefix(arg(4), 8), "PlanEnd");
    require(lk.Ebene.view() == prefix(arg(5), 3), "Ebene");
    require(lk.Jbd.view() == prefix(arg(6), 14), "Jbd");
    require(lk.Jbk.view() == prefix(arg(7), 32), "Jbk");
    require(lk.Plg.view() == keyParameter(arg(8)), "Plg");
    require(lk.Eso.view() == keyParameter(arg(9)), "Eso");
    require(lk.Esa.view() == keyParameter(arg(10)), "Esa");
    const std::string_view modus = arg(11);
    require(lk.Modus == (modus == "PLAN_OPTIM" ? 1 : modus == "AUTO_OPTIM" ? 2 : 0), "Modus");
    require(lk.Von.empty() && lk.Bis.empty(), "the context was not cleared");
    require(lk.Zeitstempel.size() == 14 && isCalendarDate(lk.Zeitstempel.view().substr(0, 8)), "Zeitstempel");

    // The period check, against the clock's today and against a today taken
    // from the input (the check reads today only from the context).
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            if (!isCalendarDate(lk.Jbd.view().substr(0, 8))) break;
            lk.Zeitstempel.assign(std::string(lk.Jbd.view().substr(0, 8)) + "120000");
        }
        const std::string today(lk.Zeitstempel.view().substr(0, 8));
        const std::string beg = lk.PlanBeg.str(), end = lk.PlanEnd.str();
        const bool begGiven = beg != "00000000", endGiven = end != "00000000";
        const bool expected = (!begGiven || (isCalendarDate(beg) && beg >= today)) &&
                              (!endGiven || (isCalendarDate(end) && end >= today)) &&
                              (!endGiven || end >= beg);
        const int ok = Planzeitraum_OK(lk);
        require(ok == 0 || ok == 1, "answer is not 0 or 1");
        if (ok == 1) {
            // Never a period that is not made of real dates.
            require(!begGiven || isCalendarDate(beg), "accepted a begin that is not a date");
            require(!endGiven || isCalendarDate(end), "accepted an end that is not a date");
        }
        require((ok == 1) == expected, "period check");
    }
    return 0;
}
