#include "optim/Personen.hpp"

#include <cstdint>

#include "db/Bdp.hpp"
#include "db/Runtime.hpp"
#include "optim/Nachzaehlung.hpp"
#include "optim/Suchbericht.hpp"
#include "optim/Vorschlag.hpp"
#include "rules/Fill_PnrBss.hpp"
#include "rules/PnrSatz.hpp"
#include "run/Laufbilanz.hpp"
#include "run/Log.hpp"

namespace {
// Persons of this assignment kind are never offered to another slot.
constexpr int32_t kAwpNichtUmsetzbar = 3;

// The proposal and the recount of its two rows are one transaction: each
// write keeps its savepoint (a failing recount undoes only itself, is logged
// there, and the proposal stays), and one commit after the second recount
// makes them lasting together. A process that dies before that commit
// leaves neither the proposal nor a recount, so no row is left counting a
// proposal that is not there, or missing one that is. A failed commit leaves
// nothing either: it is logged here, and the person counts as not proposed.
bool Vorschlag_Mit_Nachzaehlung(PnrSatz& pnr, const Dvm720Bss& bss, const Dvm730Bdp& bdp, Dvm725Bsm& unt,
                                Dvm725Bsm& ueb) {
    db::beginUnit();
    if (Erstelle_Umbesetzungsvorschlag(pnr, bss, bdp) == 0) {
        db::rollbackUnit();  // nothing was written, or the insert undid itself
        return false;
    }
    // The scan's memory of the day takes the two rows as they now stand.
    Suchbericht& bericht = Letzte_Suche();
    bericht.untOk = Update_BsmSatz(unt);
    bericht.uebOk = Update_BsmSatz(ueb);
    const int32_t rc = db::commitUnit();
    if (rc != 0) {
        Log_Printf("-Fehler: Prf_UebBsz_Pers()->Sql_Commit() RC: %ld! PLG: %s PNR: %s ESO: %s ESA: %s DAT: %s "
                   "VON: %ld.",
                   static_cast<long>(rc), bdp.BdpPlg.c_str(), bdp.BdpPnr.c_str(), bdp.BdpEso.c_str(),
                   bdp.BdpEsa.c_str(), bdp.BdpBdt.c_str(), static_cast<long>(bdp.BdpSzv));
        return false;
    }
    Laufbilanz_Vorschlag();  // counted once it is lasting
    bericht.unt = unt;
    bericht.ueb = ueb;
    bericht.nachgezaehlt = true;
    return true;
}
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

        if (pnr.PbvAwp != kAwpNichtUmsetzbar && Vorschlag_Mit_Nachzaehlung(pnr, bss, bdp, unt, ueb)) {
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
