// Short texts of reason codes and error numbers, and the staffing classes.
#include "report/Kurztexte.hpp"

#include <iterator>

namespace {

constexpr Kurztext kTexte[] = {
    {0, "Grund", "keine Regel verletzt"},
    {1412, "Grund", "Schicht außerhalb des Arbeitszeitrahmens"},
    {1501, "Grund", "Schicht ragt über den Arbeitszeitrahmen"},
    {1511, "Grund", "Qualifikation fehlt"},
    {1521, "Grund", "Höchstarbeitszeit überschritten"},
    {1531, "Grund", "Ruhezeit zu kurz"},
    {1541, "Grund", "Überschneidung mit anderem Einsatz"},
    {1601, "Fehler", "unbesetzt trotz Bedarf"},
    {1602, "Fehler", "unter Mindestbesetzung"},
    {1603, "Fehler", "unter Sollbesetzung"},
    {1604, "Fehler", "über Sollbesetzung"},
    {1605, "Fehler", "über Höchstbesetzung"},
};

std::string_view Suchen(int32_t fnr, std::string_view art) {
    for (const Kurztext& k : kTexte)
        if (k.code == fnr && k.art == art) return k.text;
    return {};
}

}  // namespace

const Kurztext* Kurztexte(std::size_t& anzahl) {
    anzahl = std::size(kTexte);
    return kTexte;
}

std::string_view Grundtext(int32_t fnr) { return Suchen(fnr, "Grund"); }
std::string_view Fehlertext(int32_t fnr) { return Suchen(fnr, "Fehler"); }

int Besetzungsstufe(int64_t e, int32_t sol, int32_t min, int32_t max) {
    if (e < sol) return e < min ? -2 : -1;
    if (e == sol) return 0;
    return e <= max ? 1 : 2;
}

std::string_view Stufentext(int stufe) {
    switch (stufe) {
        case -2: return "unter Minimum";
        case -1: return "unter Soll";
        case 0: return "ausgeglichen";
        case 1: return "über Soll";
        default: return "über Maximum";
    }
}
