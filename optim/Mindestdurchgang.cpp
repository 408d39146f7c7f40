// The minimum pass of one day. Every reading takes the plan group's rows of
// the day afresh from the database; the rows below their minimum within the
// scan's scope are served most understaffed first (ascending deviation, as
// the scans take them), and each is offered the donors of the pass's scope:
// rows of the same slot kind whose effective staffing is above their
// minimum, those above target first (most overstaffed first), then those at
// target, then those between minimum and target (least short first). A
// donor goes to the person review exactly as an overstaffed row of the
// search does; at most one proposal follows, which lowers the donor's
// effective staffing by one, so that no donor ends below its minimum. After
// a proposal the day is read again.
#include "optim/Mindestdurchgang.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

#include "optim/BsmFkt.hpp"
#include "optim/Personen.hpp"
#include "optim/Vorschlag.hpp"
#include "base/Laufbilanz.hpp"
#include "base/Log.hpp"

namespace {

// The staffing a row must not fall below: its minimum, at least 0.
int64_t Mindest_Grenze(const Dvm725Bsm& b) { return std::max<int64_t>(b.BsmMin, 0); }

bool Leer(const char* s) { return s == nullptr || *s == '\0'; }

// Order of the donors' groups: above target, at target, between minimum and target.
int Spenderstufe(const Dvm725Bsm& b) {
    const int64_t e = Effektiv_Mit_Vorschlaegen(b);
    if (e > b.BsmSol) return 0;
    return e == b.BsmSol ? 1 : 2;
}

int Vergleich(const FixText<6>& a, const FixText<6>& b) { return std::strcmp(a.c_str(), b.c_str()); }

bool VorEmpfaenger(const Dvm725Bsm& a, const Dvm725Bsm& b) {
    if (a.BsmFkt != b.BsmFkt) return a.BsmFkt < b.BsmFkt;
    if (a.BsmAsw != b.BsmAsw) return a.BsmAsw < b.BsmAsw;
    if (int c = Vergleich(a.BsmEso, b.BsmEso)) return c < 0;
    if (int c = Vergleich(a.BsmEsa, b.BsmEsa)) return c < 0;
    return a.BsmSzv < b.BsmSzv;
}

bool VorSpender(const Dvm725Bsm& a, const Dvm725Bsm& b) {
    const int sa = Spenderstufe(a), sb = Spenderstufe(b);
    if (sa != sb) return sa < sb;
    if (a.BsmFkt != b.BsmFkt) return a.BsmFkt > b.BsmFkt;
    if (int c = Vergleich(a.BsmEso, b.BsmEso)) return c > 0;
    if (int c = Vergleich(a.BsmEsa, b.BsmEsa)) return c > 0;
    return a.BsmSzv > b.BsmSzv;
}

// Pass 1 takes donors of the served row's workplace, pass 2 of its unit,
// pass 3 of the whole plan group; always of its slot kind.
bool ImDurchgang(const Dvm725Bsm& unt, const Dvm725Bsm& d, int durchgang) {
    if (d.BsmAsw != unt.BsmAsw) return false;
    if (durchgang <= 2 && !(d.BsmEso == unt.BsmEso)) return false;
    return durchgang != 1 || d.BsmEsa == unt.BsmEsa;
}

bool ImScan(const MindestBereich& b, const Dvm725Bsm& z) {
    return (Leer(b.eso) || z.BsmEso == b.eso) && (Leer(b.esa) || z.BsmEsa == b.esa);
}

// One reading: 1 = a proposal was written, 0 = none. `rc` is the result
// that ended the reading of the rows (1403 at their end).
int Lesung(const MindestBereich& b, const char* datum, int durchgang, int32_t& rc) {
    std::vector<Dvm725Bsm> empfaenger, spender;
    Bsm_PlgVonBis_Open(b.plg, datum, datum);
    Dvm725Bsm z;
    while ((rc = Bsm_PlgVonBis_Read(z)) == 0) {
        if (Ohne_Abweichung(z.BsmAsw)) continue;  // rows without a kept deviation take no part
        const int64_t e = Effektiv_Mit_Vorschlaegen(z), grenze = Mindest_Grenze(z);
        if (e < grenze && ImScan(b, z)) empfaenger.push_back(z);
        if (e > grenze) spender.push_back(z);
    }
    Bsm_PlgVonBis_Close();
    if (rc != 1403) return 0;

    std::sort(empfaenger.begin(), empfaenger.end(), VorEmpfaenger);
    std::sort(spender.begin(), spender.end(), VorSpender);
    for (const Dvm725Bsm& u : empfaenger)
        for (const Dvm725Bsm& d : spender)
            if (ImDurchgang(u, d, durchgang) && Prf_UebBsz_Pers(u, d) != 0) return 1;
    return 0;
}

// The proposals written while it lives carry the pass's note.
struct Vermerk {
    Vermerk() { Vorschlag_Vermerk_Setzen(kVermerkMindestdurchgang); }
    ~Vermerk() { Vorschlag_Vermerk_Setzen(nullptr); }
};

}  // namespace

void Mindestdurchgang(const MindestBereich& b, const char* datum, int durchgaenge, long neustartGrenze) {
    const Vermerk vermerk;
    for (int durchgang = 1; durchgang <= durchgaenge; ++durchgang) {
        for (long neustarts = 0;; ++neustarts) {
            if (neustarts == neustartGrenze) {
                Log_Printf("-Fehler: %s()->Mindestdurchgang(%d) nach %ld Neustarts abgebrochen! PLG: %s DAT: %s",
                           b.scan, durchgang, neustartGrenze, b.plg, datum);
                break;
            }
            int32_t rc = 0;
            const int geschrieben = Lesung(b, datum, durchgang, rc);
            if (rc != 1403) {
                // Without the day's rows the pass cannot go on.
                Log_Printf("-Fehler: %s()->Bsm_PlgVonBis_Read() RC: %ld! PLG: %s DAT: %s", b.scan,
                           static_cast<long>(rc), b.plg, datum);
                return;
            }
            if (geschrieben == 0) break;
            Laufbilanz_Mindestvorschlag();
        }
    }
}
