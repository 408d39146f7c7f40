#include "run/Einsatzplan.hpp"

#include <cstdlib>

#include "db/Err.hpp"
#include "db/Kalender.hpp"
#include "db/Plg.hpp"
#include "db/PlgSperre.hpp"
#include "optim/Scan.hpp"
#include "rules/Datum.hpp"
#include "run/BsmError.hpp"
#include "base/Laufbilanz.hpp"
#include "base/Laufkontext.hpp"
#include "base/Log.hpp"

namespace {
constexpr int kSperrWartezeitSekunden = 3600;

const char* fehlerArtWort(FehlerArt art) {
    switch (art) {
        case FehlerArt::Plang: return "PLANG";
        case FehlerArt::Plano: return "PLANO";
        case FehlerArt::Plank: return "PLANK";
        case FehlerArt::Planu: return "PLANU";
        default: return nullptr;  // a number outside the kinds
    }
}

// How long a run waits for another run of the same plan group before it
// skips the plan group: DORVELIAN_LOCK_WAIT seconds, one hour without it.
int Sperr_Wartezeit() {
    const char* text = std::getenv("DORVELIAN_LOCK_WAIT");
    if (!text || !*text) return kSperrWartezeitSekunden;
    char* ende = nullptr;
    const long v = std::strtol(text, &ende, 10);
    if (*ende != '\0' || v < 0 || v > 86400 * 7) return kSperrWartezeitSekunden;
    return static_cast<int>(v);
}

void Plangruppe_Optimieren(Laufkontext& lk, const char* plg, const char* eso, const char* esa, Dvm746Err& err);
}  // namespace

void Einsatzplan_Optimieren(Laufkontext& lk, const char* plg, const char* eso, const char* esa,
                            Dvm746Err& err) {
    // One run of a plan group at a time, from before its start mark to
    // after its end mark: a second run waits, then finds the first one's
    // proposals and replaces its error rows.
    const int32_t r = Plg_Sperren(plg, Sperr_Wartezeit());
    if (r != 0) {
        Log_Printf("-Fehler: Einsatzplan_Optimieren()->Plg_Sperren() RC: %ld! PLG: %s Plangruppe uebersprungen.",
                   static_cast<long>(r), plg);
        return;
    }
    Plangruppe_Optimieren(lk, plg, eso, esa, err);
    Plg_Freigeben(plg);  // the end of the process would let it go as well
}

namespace {
void Plangruppe_Optimieren(Laufkontext& lk, const char* plg, const char* eso, const char* esa, Dvm746Err& err) {
    Dvm701Plg zeile;
    zeile.PlgPlg = plg;
    int32_t r = Plg_PKey_Read(zeile, 2);
    if (r != 0)
        Log_Printf("-Fehler: Einsatzplan_Optimieren()->Plg_PKey_Read() RC: %ld! PLG: %s", static_cast<long>(r), plg);

    switch (zeile.PlgOpl) {
        case 1: lk.Ebene = "PLG"; break;
        case 2: lk.Ebene = "ESO"; break;
        case 3: lk.Ebene = "ESA"; break;
        default: return;  // not optimised: the row stays untouched
    }
    Laufbilanz_Plangruppe();

    zeile.PlgUsr = lk.Usr;
    zeile.PlgBeg = lk.Zeitstempel;
    zeile.PlgFts = 0;
    r = Plg_PKey_Upd(zeile);
    if (r != 0)
        Log_Printf("-Fehler: Einsatzplan_Optimieren()->Plg_PKey_Upd(1) RC: %ld! PLG: %s", static_cast<long>(r), plg);

    Planzeitraum_Ermitteln(plg, lk);
    ErrSatz_Init(plg, err, lk, FehlerArt::Plano);
    ErrLog_Loeschen(lk, plg, FehlerArt::Plano);

    if (eso[0] == '\0') Opt_UntBszPlg(lk, plg);
    else if (esa[0] == '\0') Opt_UntBszEso(lk, plg, eso);
    else Opt_UntBszEsa(lk, plg, eso, esa);

    BsmError_Work(lk, plg, err);

    zeile.PlgPgm.clear();
    zeile.PlgUsr.clear();
    zeile.PlgFts = 0;
    r = Plg_PKey_Upd(zeile);
    if (r != 0)
        Log_Printf("-Fehler: Einsatzplan_Optimieren()->Plg_PKey_Upd(2) RC: %ld! PLG: %s", static_cast<long>(r), plg);
}
}  // namespace

void Planzeitraum_Ermitteln(const char* plg, Laufkontext& lk) {
    FixText<9> heute;
    heute.assignPrefix(lk.Zeitstempel.view(), 8);
    lk.Von = lk.PlanBeg == "00000000" ? heute : lk.PlanBeg;
    if (!(lk.PlanEnd == "00000000")) {
        lk.Bis = lk.PlanEnd;
        return;
    }
    int32_t wochen = 0;
    Plg_Hzt_Read(plg, wochen);
    int32_t wochentag = 0;
    Bak_Wtg_Read(lk.Von.c_str(), wochentag);
    int tage = wochen * 7 + 7 - wochentag;
    if (Datum_Rechnen(tage, lk.Von.c_str(), lk.Bis.data()) != 0) {
        // Past the calendar's end (Bis still holds Von): the period ends on
        // the calendar's last date. An empty calendar answers an empty date
        // with result 0, and the period is then empty: no day is scanned or
        // reviewed. Only a failed read keeps Bis at Von.
        Bak_MaxDatum_Read(lk.Bis);
    }
}

void ErrSatz_Init(const char* plg, Dvm746Err& err, const Laufkontext& lk, FehlerArt art) {
    err = Dvm746Err{};
    err.ErrPlg = plg;
    err.ErrErf = lk.Usr;
    err.ErrJbd = lk.Jbd;
    err.ErrJbk = lk.Jbk;
    if (const char* wort = fehlerArtWort(art)) err.ErrKng = wort;
}

void ErrLog_Loeschen(const Laufkontext& lk, const char* plg, FehlerArt art) {
    int32_t r = 0;
    switch (art) {
        case FehlerArt::Plang:
            Err_Delete(lk, plg, "PLANG");
            r = Err_Delete(lk, plg, "PLANO");
            break;
        case FehlerArt::Plano: r = Err_Delete(lk, plg, "PLANO"); break;
        case FehlerArt::Plank: r = Err_Delete(lk, plg, "PLANK"); break;
        default: return;
    }
    if (r != 0 && r != 1403) Log_Printf("-Fehler: ErrLog_Loeschen->Err_Delete() RC: %ld!", static_cast<long>(r));
}
