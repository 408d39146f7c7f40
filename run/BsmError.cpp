#include "run/BsmError.hpp"

#include <algorithm>

#include "db/Bsm.hpp"
#include "db/Err.hpp"
#include "optim/BsmFkt.hpp"
#include "base/Laufbilanz.hpp"
#include "base/Laufkontext.hpp"
#include "base/Log.hpp"

void BsmError_Work(const Laufkontext& lk, const char* plg, Dvm746Err& err) {
    // The cursor follows the run context's unit and workplace, not the level.
    const char* von = lk.Von.c_str();
    const char* bis = lk.Bis.c_str();
    Dvm725Bsm zeile;
    int32_t r;
    if (lk.Eso.empty()) {
        Bsm_PlgVonBis_Open(plg, von, bis);
        while ((r = Bsm_PlgVonBis_Read(zeile)) == 0) BsmError_Check(zeile, err);
        Bsm_PlgVonBis_Close();
        if (r != 1403)
            Log_Printf("-Fehler: BsmError_Work->Bsm_PlgVonBis_Read() RC: %ld! PLG: %s VON: %s BIS: %s",
                       static_cast<long>(r), plg, von, bis);
    } else if (lk.Esa.empty()) {
        Bsm_EsoVonBis_Open(plg, lk.Eso.c_str(), von, bis);
        while ((r = Bsm_EsoVonBis_Read(zeile)) == 0) BsmError_Check(zeile, err);
        Bsm_EsoVonBis_Close();
        if (r != 1403)
            Log_Printf("-Fehler: BsmError_Work->Bsm_EsoVonBis_Read() RC: %ld! PLG: %s ESO: %s VON: %s BIS: %s",
                       static_cast<long>(r), plg, lk.Eso.c_str(), von, bis);
    } else {
        Bsm_EsaVonBis_Open(plg, lk.Eso.c_str(), lk.Esa.c_str(), von, bis);
        while ((r = Bsm_EsaVonBis_Read(zeile)) == 0) BsmError_Check(zeile, err);
        Bsm_EsaVonBis_Close();
        if (r != 1403)
            Log_Printf(
                "-Fehler: BsmError_Work->Bsm_EsaVonBis_Read() RC: %ld! PLG: %s ESO: %s ESA: %s VON: %s BIS: %s",
                static_cast<long>(r), plg, lk.Eso.c_str(), lk.Esa.c_str(), von, bis);
    }
}

int BsmError_Check(const Dvm725Bsm& bsm, Dvm746Err& err) {
    // Effective staffing: open proposals do not count here.
    const int64_t e = Effektiv_Eingesetzt(bsm);
    // The row's own targets are compared, also when they lie below 0 (-1:
    // nobody entered one). Only the deviation of the recount reads such a
    // target as 0; nothing here divides by it.
    const int32_t sol = bsm.BsmSol;
    const int32_t min = bsm.BsmMin;
    const int32_t max = bsm.BsmMax;
    if (e == 0 && sol > 0) {
        Err_Write(bsm, 1601, err);
        return 1;
    }
    if (e < sol) {
        Err_Write(bsm, e < min ? 1602 : 1603, err);
        return 1;
    }
    if (e > sol) {
        Err_Write(bsm, e > max ? 1605 : 1604, err);
        return 1;
    }
    return 0;
}

void Err_Write(const Dvm725Bsm& quelle, int fehlerNr, Dvm746Err& err) {
    err.ErrPnr.clear();
    err.ErrEso = quelle.BsmEso;
    err.ErrEsa = quelle.BsmEsa;
    err.ErrKnz = quelle.BsmBsz;
    err.ErrBdt = quelle.BsmBdt;
    err.ErrZtv = quelle.BsmSzv;
    err.ErrZtb = quelle.BsmSzb;
    err.ErrLfn = err.ErrLfn + 1;
    err.ErrFnr = fehlerNr;

    int32_t r = Err_Insert(err);
    if (r != 0) Log_Printf("-Fehler: Err_Write->Err_Insert() RC: %ld!", static_cast<long>(r));
    else Laufbilanz_Fehlersatz(fehlerNr);

    // The number stays advanced after a failed insert: the gap shows the loss.
    err.ErrPnr.clear();
    err.ErrEso.clear();
    err.ErrEsa.clear();
    err.ErrKnz.clear();
    err.ErrBdt.clear();
    err.ErrZtv = 0;
    err.ErrZtb = 0;
    err.ErrFnr = 0;
    if (err.ErrLfn == 9999) err.ErrLfn = 0;
}
