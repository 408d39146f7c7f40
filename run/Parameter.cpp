// Take-over of the command line into the run context, and the check of the
// requested plan period.
#include <cstring>
#include <string>
#include <ctime>
#include <string_view>

#include "db/JulianDate.hpp"
#include "run/Main.hpp"
#include "base/Utf8.hpp"

namespace {
// Takes a parameter as UTF-8 (a text that is not UTF-8 comes from a caller
// that writes Latin-1 and is converted), then its first `breite` bytes, or
// fewer where the cut would split a character. The texts end up in stored
// columns and in key comparisons: bytes that are not UTF-8, or a split
// character, are refused by the server and break the readers of the rows.
template <std::size_t N>
void textParameter(FixText<N>& ziel, const char* arg, std::size_t breite) {
    const std::string text = Utf8_Aus_Latin1(arg);
    ziel.assignPrefix(text, Utf8_Schnitt(text, breite));
}

// Parameters 8 to 10: "00000" (compared on the first five characters) means
// none; otherwise the first five characters, cut at the first blank.
template <std::size_t N>
void schluesselParameter(FixText<N>& ziel, const char* arg) {
    if (std::strncmp(arg, "00000", 5) == 0) return;
    textParameter(ziel, arg, 5);
    ziel.cutAtBlank();
}

bool istKalenderdatum(std::string_view d) {
    if (d.size() != 8) return false;
    for (char c : d)
        if (c < '0' || c > '9') return false;
    int y = (d[0] - '0') * 1000 + (d[1] - '0') * 100 + (d[2] - '0') * 10 + (d[3] - '0');
    int m = (d[4] - '0') * 10 + (d[5] - '0');
    int t = (d[6] - '0') * 10 + (d[7] - '0');
    return db::jd::validDate(y, m, t);
}

// A given date must be a real calendar date not before today.
bool datumUnzulaessig(const FixText<9>& datum, std::string_view heute) {
    if (datum == "00000000") return false;
    if (!istKalenderdatum(datum.view())) return true;
    return datum.view().substr(0, 8) < heute;
}
}  // namespace

void Parameter_Uebernehmen(int argc, char** argv, Laufkontext& lk) {
    lk = Laufkontext{};
    auto arg = [&](int i) -> const char* { return i < argc && argv[i] ? argv[i] : ""; };
    textParameter(lk.Usr, arg(2), 50);
    lk.Usr.cutAtBlank();
    textParameter(lk.PlanBeg, arg(3), 8);
    textParameter(lk.PlanEnd, arg(4), 8);
    textParameter(lk.Ebene, arg(5), 3);
    textParameter(lk.Jbd, arg(6), 14);
    textParameter(lk.Jbk, arg(7), 32);
    schluesselParameter(lk.Plg, arg(8));
    schluesselParameter(lk.Eso, arg(9));
    schluesselParameter(lk.Esa, arg(10));
    if (std::strcmp(arg(11), "PLAN_OPTIM") == 0) lk.Modus = 1;
    else if (std::strcmp(arg(11), "AUTO_OPTIM") == 0) lk.Modus = 2;

    char stempel[32];
    std::time_t jetzt = std::time(nullptr);
    std::tm lokal{};
    localtime_r(&jetzt, &lokal);
    std::strftime(stempel, sizeof stempel, "%Y%m%d%H%M%S", &lokal);
    lk.Zeitstempel = stempel;
}

int Planzeitraum_OK(const Laufkontext& lk) {
    std::string_view heute = lk.Zeitstempel.view().substr(0, 8);
    if (datumUnzulaessig(lk.PlanBeg, heute)) return 0;
    if (datumUnzulaessig(lk.PlanEnd, heute)) return 0;
    if (!(lk.PlanEnd == "00000000") && lk.PlanEnd.view() < lk.PlanBeg.view()) return 0;
    return 1;
}
