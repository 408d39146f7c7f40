#include "optim/Personen.hpp"

#include <cstdint>

#include "db/Bdp.hpp"
#include "optim/Nachzaehlung.hpp"
#include "optim/Vorschlag.hpp"
#include "rules/Fill_PnrBss.hpp"
#include "rules/PnrSatz.hpp"
#include "run/Log.hpp"

namespace {
// Persons of this assignment kind are never offered to another slot.
constexpr int32_t kAwpNichtUmsetzbar = 3;
}  // namespace

int Prf_UebBsz_Pers(Dvm725Bsm unt, Dvm725Bsm ueb) {
    int ergebnis = 0;
    Dvm730Bdp bdp;
    PnrSatz pnr;

    Bdp_BszPnr_Open(ueb);
    int32_t rc = Bdp_BszPnr_Read(bdp);
    while (rc == 0) {
        PnrSatz_Init(pnr);
        pnr.Pnr = bdp.BdpPnr;

        // The target record is built anew for every person. Its slot end and
        // slot code come from the understaffed row in case the target row
        // cannot be read: the completion then sets only the key fields, and
        // a successful read overwrites the whole record.
        Dvm720Bss bss;
        bss.BssBis = unt.BsmSzb;
        bss.BssBsz = unt.BsmBsz;
        Fill_PnrBss(pnr, bss, unt);

        if (pnr.PbvAwp != kAwpNichtUmsetzbar && Erstelle_Umbesetzungsvorschlag(pnr, bss, bdp) != 0) {
            // The proposal is committed; a failing recount is logged there.
            Update_BsmSatz(unt);
            Update_BsmSatz(ueb);
            ergebnis = 1;
            break;
        }
        rc = Bdp_BszPnr_Read(bdp);
    }
    Bdp_BszPnr_Close();

    if (rc != 0 && rc != 1403) {
        Log_Printf("-Fehler: Prf_UebBsz_Pers()->Bdp_BszPnr_Read() RC: %ld! PLG: %s ESO: %s ESA: %s "
                   "DAT: %s VON: %ld.",
                   static_cast<long>(rc), ueb.BsmPlg.c_str(), ueb.BsmEso.c_str(),
                   ueb.BsmEsa.c_str(), ueb.BsmBdt.c_str(), static_cast<long>(ueb.BsmSzv));
    }
    return ergebnis;
}
