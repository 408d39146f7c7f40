// Clock texts, minutes of the day, date shifts through the central calendar
// and time-stamp differences.
#include "rules/Datum.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/FixText.hpp"
#include "db/Kalender.hpp"

namespace {

// Decimal value of the piece text[pos, pos+len), read like atoi. The piece
// ends early at the terminator, so a short text is never read past its end;
// missing or non-numeric characters count as 0.
int Stueck_Zahl(const char* text, std::size_t pos, std::size_t len) {
    char stueck[8] = {};
    if (text == nullptr) return 0;
    std::size_t i = 0;
    while (i < pos && text[i] != '\0') ++i;
    if (i < pos) return 0;
    std::size_t n = 0;
    while (n < len && n < sizeof(stueck) - 1 && text[pos + n] != '\0') {
        stueck[n] = text[pos + n];
        ++n;
    }
    return std::atoi(stueck);
}

// Seconds of a 'yyyymmddHHMISS' stamp since 1970-01-01 by the day-number
// formula of TageDiff (dates before 1970 count as their distance from 1970).
int64_t Stempel_Sekunden(const char* stempel) {
    int jahr = Stueck_Zahl(stempel, 0, 4);
    int monat = Stueck_Zahl(stempel, 4, 2);
    int tag = Stueck_Zahl(stempel, 6, 2);
    int std_ = Stueck_Zahl(stempel, 8, 2);
    int min = Stueck_Zahl(stempel, 10, 2);
    int sek = Stueck_Zahl(stempel, 12, 2);
    if (jahr < 100) jahr += (jahr >= 70) ? 1900 : 2000;
    int64_t tage = TageDiff(1, 1, 1970, tag, monat, jahr);
    return tage * 86400 + int64_t(std_) * 3600 + int64_t(min) * 60 + sek;
}

// Day number of a date. The leap-day term mixes integer divisions with a
// floating-point factor and truncates the result toward zero; dates and
// differences elsewhere depend on exactly this figure.
int TagNummer(int d, int m, int y) {
    int schalt = static_cast<int>(static_cast<double>((y - 1) / 4) -
                                  static_cast<double>((y - 1) / 100) * 0.75);
    int nr = y * 365 + schalt + d;
    for (int k = 1; k < m; ++k) nr += TageImMonat(k, y);
    return nr;
}

}  // namespace

int UhrZt_Minuten(const char* uhrzt) {
    return Stueck_Zahl(uhrzt, 0, 2) * 60 + Stueck_Zahl(uhrzt, 2, 2);
}

void Minuten_UhrZt(int minuten, char* out) {
    // Minutes outside the day would need more room; they are cut to 6 characters.
    if (std::snprintf(out, 7, "%02d%02d00", minuten / 60, minuten % 60) < 0) out[0] = '\0';
}

int32_t Datum_Rechnen(int tage, const char* in, char* out) {
    FixText<9> eingabe(in);  // copied first: out may be the same buffer as in
    BakSatz bak;
    bak.Datum = eingabe;
    bak.Tage = tage;
    int32_t rc = Bak_Datum_Read(bak);
    const FixText<9>& ergebnis = (rc == 0) ? bak.Datum : eingabe;
    std::memcpy(out, ergebnis.buf, ergebnis.size() + 1);
    return rc;
}

uint32_t ZeitDiff_Sek(const char* a, const char* b) {
    int64_t diff = Stempel_Sekunden(a) - Stempel_Sekunden(b);
    return static_cast<uint32_t>(static_cast<uint64_t>(diff));
}

int TageDiff(int d1, int m1, int y1, int d2, int m2, int y2) {
    int diff = TagNummer(d2, m2, y2) - TagNummer(d1, m1, y1);
    return diff < 0 ? -diff : diff;
}

int TageImMonat(int monat, int jahr) {
    switch (monat) {
        case 4:
        case 6:
        case 9:
        case 11:
            return 30;
        case 2:
            return ((jahr % 4 == 0 && jahr % 100 != 0) || jahr % 400 == 0) ? 29 : 28;
        default:
            return 31;
    }
}

FixText<15> Zeitstempel_Bilden(const char* datum, int minuten) {
    char uhr[7];
    Minuten_UhrZt(minuten, uhr);
    char stempel[15];
    std::snprintf(stempel, sizeof stempel, "%.8s%s", datum, uhr);
    return FixText<15>(stempel);
}
