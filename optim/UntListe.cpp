// The understaffed rows of one pass in memory, in the cursors' order.
#include "optim/UntListe.hpp"

#include <cstring>

namespace {
int vergleiche(int32_t a, int32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

// Texts compare by their bytes, as SQLite's BINARY collation and a server
// database of collation C do.
int vergleicheText(const char* a, const char* b) {
    const int c = std::strcmp(a, b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool passt(const char* teil, const char* wert) { return teil == nullptr || std::strcmp(teil, wert) == 0; }
}  // namespace

bool Unt_Vor(const Dvm725Bsm& a, const Dvm725Bsm& b) {
    int c = vergleiche(a.BsmFkt, b.BsmFkt);
    if (c == 0) c = vergleiche(a.BsmAsw, b.BsmAsw);
    if (c == 0) c = vergleicheText(a.BsmEso.c_str(), b.BsmEso.c_str());
    if (c == 0) c = vergleicheText(a.BsmEsa.c_str(), b.BsmEsa.c_str());
    if (c == 0) c = vergleiche(a.BsmSzv, b.BsmSzv);
    return c < 0;
}

bool Unt_ImBereich(const Dvm725Bsm& r, const UntBereich& b) {
    return r.BsmFkt < 0 && passt(b.plg, r.BsmPlg.c_str()) && passt(b.datum, r.BsmBdt.c_str()) &&
           passt(b.eso, r.BsmEso.c_str()) && passt(b.esa, r.BsmEsa.c_str());
}

std::string Unt_Suchschluessel(const Dvm725Bsm& r, int durchgang) {
    std::string s = std::to_string(r.BsmAsw);
    s += '|';
    if (durchgang <= 2) s += r.BsmEso.view();
    s += '|';
    if (durchgang <= 1) s += r.BsmEsa.view();
    return s;
}

bool UntListe::Anhaengen(const Dvm725Bsm& r) {
    if (!zeilen_.empty() && !Unt_Vor(*zeilen_.rbegin(), r)) return false;
    zeilen_.insert(zeilen_.end(), r);
    return true;
}

void UntListe::Ersetzen(const Dvm725Bsm& vorher, const Dvm725Bsm& nachher, const UntBereich& b) {
    zeilen_.erase(vorher);
    if (Unt_ImBereich(nachher, b)) {
        Dvm725Bsm r = nachher;
        // Tables of the older layout have no proposal counts: a reading
        // delivers 0 for both.
        if (BsmOvaOve_Aktiv != 1) {
            r.BsmOva = 0;
            r.BsmOve = 0;
        }
        zeilen_.insert(r);
    }
}
