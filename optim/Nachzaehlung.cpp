#include "optim/Nachzaehlung.hpp"

#include <cstdint>

#include "db/Bdk.hpp"
#include "db/Bdp.hpp"
#include "db/Bsm.hpp"
#include "db/Runtime.hpp"
#include "optim/BsmFkt.hpp"
#include "base/Log.hpp"

namespace {
// A count of open proposals is never negative: a value left at this mark
// was not delivered by its statement.
constexpr int32_t kNichtGezaehlt = -1;
}  // namespace

int checkOptimierungsVorschlaege(Dvm725Bsm& bsm) {
    int32_t aus = kNichtGezaehlt;
    int32_t ein = kNichtGezaehlt;
    int32_t rc = Count_OptVorschlaege(bsm, aus, ein);
    // The operation reports only the result of its second count; a failed
    // first count shows as its out-value left at the mark. Its own code is
    // not available then, and the mark itself is logged in its place.
    if (rc == 0 && (aus == kNichtGezaehlt || ein == kNichtGezaehlt)) rc = kNichtGezaehlt;
    if (rc != 0) {
        Log_Printf("-Fehler: checkOptimierungsVorschlaege()->Count_OptVorschlaege() RC: %ld! "
                   "PLG: %s ESO: %s ESA: %s UHRVON: %ld DAT: %s",
                   static_cast<long>(rc), bsm.BsmPlg.c_str(), bsm.BsmEso.c_str(),
                   bsm.BsmEsa.c_str(), static_cast<long>(bsm.BsmSzv), bsm.BsmBdt.c_str());
        return 0;
    }
    bsm.BsmOva = aus;
    bsm.BsmOve = ein;
    return 1;
}

int Update_BsmSatz(Dvm725Bsm& bsm) {
    BszZaehlSatz z;
    z.Datum = bsm.BsmBdt;
    z.Plg = bsm.BsmPlg;
    z.Eso = bsm.BsmEso;
    z.Esa = bsm.BsmEsa;
    z.Asw = bsm.BsmAsw;
    z.Szv = bsm.BsmSzv;
    z.Szb = bsm.BsmSzb;

    // The proposal counts depend only on the row's key: they go out with
    // the slot's counts, and are taken only where they are used.
    db::ReadAhead vorab;
    if (!Ohne_Abweichung(bsm.BsmAsw)) Count_OptVorschlaege_Vorab(vorab, bsm);

    // Counts not obtained would read as an empty slot; the row keeps its
    // earlier figures in the database instead.
    const int32_t rcZ = Bdp_Bsz_Count(z);
    if (rcZ != 0) {
        Log_Printf("-Fehler: Update_BsmSatz()->Bdp_Bsz_Count() RC: %ld! PLG: %s ESO: %s ESA: %s "
                   "UHRVON: %ld DAT: %s",
                   static_cast<long>(rcZ), bsm.BsmPlg.c_str(), bsm.BsmEso.c_str(),
                   bsm.BsmEsa.c_str(), static_cast<long>(bsm.BsmSzv), bsm.BsmBdt.c_str());
        return 0;
    }

    bsm.BsmIst = z.AnzGesamt;
    bsm.BsmHtg = z.AnzFc1;
    bsm.BsmHtv = z.AnzFc2;
    bsm.BsmHtn = z.AnzFc3;
    bsm.BsmKor = z.AnzStsUM;
    bsm.BsmKos = z.SumKos;
    bsm.BsmKo2 = z.SumKosOhneM;

    if (!Ohne_Abweichung(bsm.BsmAsw)) {
        checkOptimierungsVorschlaege(bsm);  // on failure the figures read stay
        Berechne_BsmFkt(bsm);
    }

    const int32_t rc = Bsm_PKeyUpd(bsm);
    if (rc != 0) {
        Log_Printf("-Fehler: Update_BsmSatz()->Bsm_PKeyUpd() RC: %ld! PLG: %s ESO: %s ESA: %s "
                   "UHRVON: %ld DAT: %s",
                   static_cast<long>(rc), bsm.BsmPlg.c_str(), bsm.BsmEso.c_str(),
                   bsm.BsmEsa.c_str(), static_cast<long>(bsm.BsmSzv), bsm.BsmBdt.c_str());
        return 0;
    }
    return 1;
}
