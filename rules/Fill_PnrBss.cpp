// Completes the target slot and the person-day record of a candidate for an
// understaffed staffing-matrix row. No failure stops the person review: each
// failing read is logged and the record keeps what was filled so far.
#include "rules/Fill_PnrBss.hpp"

#include "db/Bsm.hpp"
#include "db/Person.hpp"
#include "db/Runtime.hpp"
#include "db/PnrSatz.hpp"
#include "base/Log.hpp"

namespace {
constexpr int kFnrKeineArbeitszeit = 1411;
}

int Fill_PnrBss(PnrSatz& p, Dvm720Bss& bss, Dvm725Bsm unt) {
    // Only the key fields are set here; the others are refreshed by the read.
    bss.BssPlg = unt.BsmPlg;
    bss.BssEso = unt.BsmEso;
    bss.BssEsa = unt.BsmEsa;
    bss.BssTtp = unt.BsmTtp;
    bss.BssVon = unt.BsmSzv;
    bss.BssAsw = unt.BsmAsw;
    p.Datum = unt.BsmBdt;
    p.Plg = unt.BsmPlg;

    // The target row, the assignment and the working-time entry with its
    // calendar day depend only on the keys above: they go out together, and
    // the reads below, in their own order, take the answers.
    db::ReadAhead vorab;
    Bss_PKeyRead_Vorab(vorab, bss);
    Komplett_PnrSatz_Vorab(vorab, p);
    Ztg_AbzTag_Read_Vorab(vorab, p);
    vorab.send();

    int32_t rc = Bss_PKeyRead(bss);
    if (rc != 0) {
        Log_Printf(
            "-Fehler: Fill_PnrBss()->Bss_PKeyRead() RC: %ld! PLG: %s ESO: %s ESA: %s UHRVON: %ld "
            "TTP: %s",
            (long)rc, bss.BssPlg.c_str(), bss.BssEso.c_str(), bss.BssEsa.c_str(),
            (long)bss.BssVon, bss.BssTtp.c_str());
    }

    rc = Komplett_PnrSatz(p);
    if (rc != 0) {
        Log_Printf("-Fehler: Fill_PnrBss()->Komplett_PnrSatz() RC: %ld! PNR: %s DAT: %s",
                   (long)rc, p.Pnr.c_str(), p.Datum.c_str());
    }

    if (!p.PbvSst.empty()) Pss_Wrt_Read(p);

    rc = Ztg_AbzTag_Read(p);
    if (rc != 0) {
        Log_Printf("-Fehler: Fill_PnrBss()->Ztg_AbzTag_Read() RC: %ld! PNR: %s DAT: %s", (long)rc,
                   p.Pnr.c_str(), p.Datum.c_str());
        if (p.PbvAwp != 3) {
            p.Fnr = kFnrKeineArbeitszeit;
            return 0;
        }
    }
    return 1;
}
