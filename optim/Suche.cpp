#include "optim/Suche.hpp"

#include <cstdint>

#include "optim/Personen.hpp"
#include "optim/Suchbericht.hpp"
#include "base/Log.hpp"

namespace {

Suchbericht g_bericht;

// The overstaffed-row cursor of one search scope and its failure message.
struct UebCursor {
    int32_t (*open)(Dvm725Bsm unt);
    int32_t (*read)(Dvm725Bsm& bsm);
    int32_t (*close)();
    void (*leseFehler)(int32_t rc, const Dvm725Bsm& unt);
};

int UebBsz_Suchen(const UebCursor& cur, const Dvm725Bsm& unt) {
    int ergebnis = 0;
    Dvm725Bsm ueb;
    g_bericht = Suchbericht{};
    cur.open(unt);
    int32_t rc = cur.read(ueb);
    while (rc == 0) {
        ++g_bericht.uebZeilen;
        if (Prf_UebBsz_Pers(unt, ueb) != 0) {
            ergebnis = 1;
            break;
        }
        rc = cur.read(ueb);
    }
    cur.close();
    g_bericht.leseErgebnis = rc;
    if (rc != 0 && rc != 1403) cur.leseFehler(rc, unt);
    return ergebnis;
}

const UebCursor kEsaCursor = {
    Bsm_EsaUebC_Open, Bsm_EsaUebC_Read, Bsm_EsaUebC_Close,
    [](int32_t rc, const Dvm725Bsm& u) {
        Log_Printf("-Fehler: Get_UebBszEsa()->Bsm_EsaUebC_Read() RC: %ld! PLG: %s ESO: %s ESA: %s "
                   "DAT: %s",
                   static_cast<long>(rc), u.BsmPlg.c_str(), u.BsmEso.c_str(), u.BsmEsa.c_str(),
                   u.BsmBdt.c_str());
    }};

const UebCursor kEsoCursor = {
    Bsm_EsoUebC_Open, Bsm_EsoUebC_Read, Bsm_EsoUebC_Close,
    [](int32_t rc, const Dvm725Bsm& u) {
        Log_Printf("-Fehler: Get_UebBszEso()->Bsm_EsoUebC_Read() RC: %ld! PLG: %s ESO: %s DAT: %s",
                   static_cast<long>(rc), u.BsmPlg.c_str(), u.BsmEso.c_str(), u.BsmBdt.c_str());
    }};

const UebCursor kPlgCursor = {
    Bsm_PlgUebC_Open, Bsm_PlgUebC_Read, Bsm_PlgUebC_Close,
    [](int32_t rc, const Dvm725Bsm& u) {
        Log_Printf("-Fehler: Get_UebBszPlg()->Bsm_PlgUebC_Read() RC: %ld! PLG: %s DAT: %s",
                   static_cast<long>(rc), u.BsmPlg.c_str(), u.BsmBdt.c_str());
    }};

}  // namespace

Suchbericht& Letzte_Suche() { return g_bericht; }

int Get_UebBszEsa(Dvm725Bsm unt) { return UebBsz_Suchen(kEsaCursor, unt); }
int Get_UebBszEso(Dvm725Bsm unt) { return UebBsz_Suchen(kEsoCursor, unt); }
int Get_UebBszPlg(Dvm725Bsm unt) { return UebBsz_Suchen(kPlgCursor, unt); }
