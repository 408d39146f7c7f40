// The eligibility check of a candidate for a target slot: gather the
// person's day, then run the rules the plan group switches on.
#include <cstring>
#include <string>

#include "db/Bdp.hpp"
#include "db/Bsm.hpp"
#include "base/FixText.hpp"
#include "db/Plg.hpp"
#include "rules/Datum.hpp"
#include "rules/Eignung.hpp"
#include "db/PnrSatz.hpp"
#include "rules/Verlassen.hpp"
#include "base/Log.hpp"

namespace {


// Start and end stamps of an interval on a date; an interval whose start lies
// after its end ends on the following calendar day.
void Intervall_Stempel(const char* datum, int von, int bis, FixText<15>& vonSt,
                       FixText<15>& bisSt) {
    vonSt = Zeitstempel_Bilden(datum, von);
    FixText<9> tag(datum);
    if (von > bis) Datum_Rechnen(1, tag.c_str(), tag.buf);
    bisSt = Zeitstempel_Bilden(tag.c_str(), bis);
}

bool Groesser(const FixText<15>& x, const FixText<15>& y) {
    return std::strcmp(x.c_str(), y.c_str()) > 0;
}

}  // namespace

// The person's own deployments come through rules/Verlassen: with a left
// deployment in the record, the day is the day after the move.
int32_t Prefix_IndikatorPrf(PnrSatz& p, const Dvm720Bss& bss) {
    int32_t rc = TagArbZt_Nach_Umzug(p);
    if (rc != 0 && rc != 1403) {
        Log_Printf("-Fehler: Prefix_IndikatorPrf->TagArbZt_Brutto() RC: %ld! PNR: %s DAT: %s",
                   (long)rc, p.Pnr.c_str(), p.Datum.c_str());
    }

    const int sv = (bss.BssAsw == 3) ? p.AltVon : bss.BssVon;
    const int sb = (bss.BssAsw == 3) ? p.AltBis : bss.BssBis;
    p.ArbZtBrutto += Ueberlappung_Min(sv, sb, p.RahmenVon, p.RahmenBis);

    FixText<15> slotVon, slotBis;
    Intervall_Stempel(p.Datum.c_str(), sv, sb, slotVon, slotBis);

    rc = Bdp_VorNchBsz_Open(p);
    if (rc != 0) {
        Log_Printf("-Fehler: Prefix_IndikatorPrf->Bdp_VorNchBsz_Open() RC: %ld! PNR: %s DAT: %s",
                   (long)rc, p.Pnr.c_str(), p.Datum.c_str());
    }

    // Later rows overwrite earlier ones: the last qualifying row in cursor
    // order (date, then activity) wins.
    bool verlassenGesehen = false;
    for (;;) {
        Dvm730Bdp bdp;
        rc = Bdp_Lesen_Nach_Umzug(p, Bdp_VorNchBsz_Read, bdp, verlassenGesehen);
        if (rc != 0) break;
        const bool zweiterBezug = (bdp.BdpAwp == 3 && bdp.BdpAsw == 3);
        const int rv = zweiterBezug ? bdp.BdpOsv : bdp.BdpSzv;
        const int rb = zweiterBezug ? bdp.BdpOsb : bdp.BdpSzb;
        FixText<15> zeileVon, zeileBis;
        Intervall_Stempel(bdp.BdpBdt.c_str(), rv, rb, zeileVon, zeileBis);

        if (Groesser(slotBis, zeileVon) && Groesser(zeileBis, slotVon)) p.Ueberschneidung = 1;
        if (!Groesser(zeileBis, slotVon)) p.VorEnde = zeileBis;
        if (!Groesser(slotBis, zeileVon)) p.NchBeginn = zeileVon;
    }
    if (rc != 1403) {
        Log_Printf("-Fehler: Prefix_IndikatorPrf->Bdp_VorNchBsz_Read() RC: %ld! PNR: %s DAT: %s",
                   (long)rc, p.Pnr.c_str(), p.Datum.c_str());
    }

    return Bdp_VorNchBsz_Close();
}

int IndikatorPrf(PnrSatz& p, const Dvm720Bss& bss, int ebene) {
    Prefix_IndikatorPrf(p, bss);

    // Rule switches of the level; a failed read leaves every rule off.
    Dvm701Plg plg;
    plg.PlgPlg = bss.BssPlg;
    int32_t qu = 0, ar = 0, ru = 0, me = 0;
    if (Plg_PKey_Read(plg, ebene) == 0) {
        qu = plg.PlgQu;
        ar = plg.PlgAr;
        ru = plg.PlgRu;
        me = plg.PlgMe;
    }

    // Every switched-on rule runs; the last failing one leaves its code.
    int ergebnis = 1;
    if (qu == 1 && !Qualifikationen_OK(p, bss)) ergebnis = 0;
    if (ar == 1 && !Arbeitszeit_OK(p, bss)) ergebnis = 0;
    if (ru == 1 && !Ruhezeit_OK(p, bss)) ergebnis = 0;
    if (me == 1 && !Ueberschneidung_OK(p, bss)) ergebnis = 0;
    return ergebnis;
}
