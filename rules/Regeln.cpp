// The four eligibility rules of a plan group: qualification, maximum working
// time, minimum rest time and overlap. A failing rule records its reason code
// in the person-day record and returns 0.
#include <string>

#include "db/Bsm.hpp"
#include "base/FixText.hpp"
#include "db/Person.hpp"
#include "rules/Datum.hpp"
#include "rules/Eignung.hpp"
#include "db/PnrSatz.hpp"
#include "base/Log.hpp"

namespace {

constexpr int kFnrQualifikation = 1511;
constexpr int kFnrArbeitszeit = 1521;
constexpr int kFnrRuhezeit = 1531;
constexpr int kFnrUeberschneidung = 1541;


// A gap in minutes is too short for a person of assignment kind 1 when it is
// below the limit; for the other kinds a gap of at most half the limit counts
// as a continuation of the same stint and only a gap between half the limit
// and the limit is too short. The gap is unsigned, and the limits are
// compared as unsigned values as well.
bool Pause_Zu_Kurz(uint32_t luecke, int32_t limit, int32_t awp) {
    const uint32_t l = static_cast<uint32_t>(limit);
    const uint32_t halb = static_cast<uint32_t>(limit / 2);
    if (awp == 1) return luecke < l;
    return halb < luecke && luecke < l;
}

}  // namespace

int Qualifikationen_OK(PnrSatz& p, const Dvm720Bss& bss) {
    Qea_Qlf2Esa_Open(bss.BssEsa.c_str());
    int ergebnis = 1;  // a workplace listing no qualification passes everyone
    FixText<6> qfk;
    int32_t rc;
    while ((rc = Qea_Qlf2Esa_Read(qfk)) == 0) {
        ergebnis = 0;
        // Any result but 0 (not held, or a failed read) counts as not held.
        if (Qzp_PnrQlf_Read(p, qfk.c_str(), p.Datum.c_str()) == 0) {
            ergebnis = 1;
            break;
        }
        qfk.clear();
    }
    Qea_Qlf2Esa_Close();
    if (rc != 0 && rc != 1403) {
        Log_Printf("-Fehler: Qualifikationen_OK->Qea_Qlf2Esa_Read() RC: %ld! ESA %s", (long)rc,
                   bss.BssEsa.c_str());
    }
    if (ergebnis == 0) p.Fnr = kFnrQualifikation;
    return ergebnis;
}

int Arbeitszeit_OK(PnrSatz& p, const Dvm720Bss&) {
    if (p.ArbZtBrutto <= p.PgzAzk * 60) return 1;
    // The gross figure counts overlapping deployments twice; merge and retry.
    NettoArbZt_Ermitteln(p);
    if (p.ArbZtBrutto <= p.PgzAzk * 60) return 1;
    p.Fnr = kFnrArbeitszeit;
    return 0;
}

int Ruhezeit_OK(PnrSatz& p, const Dvm720Bss& bss) {
    const int32_t limit = p.PgzRzk * 60;
    bool zuKurz = false;

    if (!p.VorEnde.empty()) {
        const FixText<15> slotVon = Zeitstempel_Bilden(p.Datum.c_str(), bss.BssVon);
        const uint32_t luecke = ZeitDiff_Sek(slotVon.c_str(), p.VorEnde.c_str()) / 60u;
        if (Pause_Zu_Kurz(luecke, limit, p.PbvAwp)) zuKurz = true;
    }
    if (!p.NchBeginn.empty()) {
        FixText<9> tag = p.Datum;
        if (bss.BssBis < bss.BssVon) Datum_Rechnen(1, p.Datum.c_str(), tag.buf);
        const FixText<15> slotBis = Zeitstempel_Bilden(tag.c_str(), bss.BssBis);
        const uint32_t luecke = ZeitDiff_Sek(p.NchBeginn.c_str(), slotBis.c_str()) / 60u;
        if (Pause_Zu_Kurz(luecke, limit, p.PbvAwp)) zuKurz = true;
    }

    if (zuKurz) {
        p.Fnr = kFnrRuhezeit;
        return 0;
    }
    return 1;
}

int Ueberschneidung_OK(PnrSatz& p, const Dvm720Bss&) {
    if (p.Ueberschneidung == 1) {
        p.Fnr = kFnrUeberschneidung;
        return 0;
    }
    return 1;
}
