#include "optim/Vorschlag.hpp"

#include <cstdio>

#include "db/Bdk.hpp"
#include "db/Bdp.hpp"
#include "db/Bsm.hpp"
#include "db/Plg.hpp"
#include "db/Runtime.hpp"
#include "rules/Eignung.hpp"
#include "db/PnrSatz.hpp"
#include "base/Log.hpp"
#include "base/Zufall.hpp"

namespace {
constexpr int kZeitlageArt = 2;     // kind of the time-position check for a proposal
constexpr int kRegelEbene = 2;      // rule switches of level 2
constexpr int32_t kStaOffen = 9;    // proposal state: open
const char* g_vermerk = nullptr;    // note in BdkTxt, see Vorschlag_Vermerk_Setzen
}  // namespace

void Vorschlag_Vermerk_Setzen(const char* vermerk) { g_vermerk = vermerk; }

void Bdk_Schluessel_Formatieren(FixText<33>& key, long r1, long r2, long r3, long r4) {
    char text[FixText<33>::capacity];
    std::snprintf(text, sizeof text, "OPTVS%ld%ld%ld%ld", r4, r3, r2, r1);
    key.assign(text);
}

void Bdk_Schluessel_Bilden(FixText<33>& key) {
    // The order of the draws is fixed: the number drawn last leads the key.
    const long r1 = Zufall_Zahl();
    const long r2 = Zufall_Zahl();
    const long r3 = Zufall_Zahl();
    const long r4 = Zufall_Zahl();
    Bdk_Schluessel_Formatieren(key, r1, r2, r3, r4);
}

void Bdk_Vorschlag_Fuellen(Dvm735Bdk& bdk, const PnrSatz& pnr, const Dvm720Bss& bss,
                           const Dvm730Bdp& bdp) {
    bdk = Dvm735Bdk{};

    bdk.BdkLfd = 1;
    bdk.BdkPnr = pnr.Pnr;
    bdk.BdkBdt = pnr.Datum;
    // From: the slot of the current deployment.
    bdk.BdkEso = bdp.BdpEso;
    bdk.BdkEsa = bdp.BdpEsa;
    bdk.BdkSzv = bdp.BdpSzv;
    bdk.BdkSzb = bdp.BdpSzb;
    bdk.BdkBsz = bdp.BdpBsz;
    bdk.BdkAsw = bdp.BdpAsw;
    bdk.BdkAkt = bdp.BdpSzv;
    bdk.BdkTtp = pnr.Ka2Ttp;
    // To: the understaffed slot.
    bdk.BdkOso = bss.BssEso;
    bdk.BdkOsa = bss.BssEsa;
    bdk.BdkOsv = bss.BssVon;
    bdk.BdkOsb = bss.BssBis;
    bdk.BdkOsz = bss.BssBsz;
    bdk.BdkOsw = bss.BssAsw;

    bdk.BdkPlg = pnr.Plg;
    bdk.BdkSts = "U";
    bdk.BdkSta = kStaOffen;
    bdk.BdkErf = "OPTIMIERUNG";
    bdk.BdkZvo = pnr.Datum;
    bdk.BdkZbi = pnr.Datum;
}

int Vorschlag_Pruefen(PnrSatz& pnr, const Dvm720Bss& bss, const Dvm730Bdp& bdp) {
    // Three single-row reads on the way depend only on the person, the slot
    // and the plan group: the day's working time, the rule switches and the
    // count of open proposals. They go out together now and are taken where
    // the checks and the count below run them.
    db::ReadAhead vorab;
    TagArbZt_Brutto_Vorab(vorab, pnr);
    Dvm701Plg regeln;
    regeln.PlgPlg = bss.BssPlg;
    Plg_PKey_Read_Vorab(vorab, regeln, kRegelEbene);
    Bdk_isPnrVerplant_Vorab(vorab, bdp);
    vorab.send();

    // The checks only leave a reason code; neither result prevents the proposal.
    int klasse = 0;
    Zeitlage_Pruefen(pnr, bss.BssVon, bss.BssBis, kZeitlageArt, klasse);
    IndikatorPrf(pnr, bss, kRegelEbene);

    int32_t anzahl = 0;
    const int32_t rc = Bdk_isPnrVerplant(bdp, anzahl);
    if (rc != 0 && rc != 1403) {
        Log_Printf("-Fehler: Prf_UebBsz_Pers()->Bdk_isPnrVerplant() RC: %ld! PLG: %s PNR: %s "
                   "ESO: %s ESA: %s DAT: %s VON: %ld.",
                   static_cast<long>(rc), bdp.BdpPlg.c_str(), bdp.BdpPnr.c_str(),
                   bdp.BdpEso.c_str(), bdp.BdpEsa.c_str(), bdp.BdpBdt.c_str(),
                   static_cast<long>(bdp.BdpSzv));
        anzahl = 0;  // an unknown count does not block the proposal
    }
    return anzahl > 0 ? 0 : 1;  // 0: already proposed out of this slot
}

namespace {
int Vorschlag_Einfuegen(const PnrSatz& pnr, const Dvm720Bss& bss, const Dvm730Bdp& bdp, const FixText<33>& key) {
    Dvm735Bdk bdk;
    Bdk_Vorschlag_Fuellen(bdk, pnr, bss, bdp);
    bdk.BdkKey = key;
    bdk.BdkFnr = pnr.Fnr;
    if (g_vermerk != nullptr && *g_vermerk != '\0') bdk.BdkTxt = g_vermerk;

    const int32_t rcIns = Bdk_Insert(bdk);
    if (rcIns != 0) {
        Log_Printf("-Fehler: Erstelle_Umbesetzungsvorschlag()->Bdk_Insert() RC: %ld! PLG: %s "
                   "PNR: %s DAT: %s\n    Von: ESO: %s ESA: %s VON: %ld KNZ: %s Art: %ld \n"
                   "   Nach: ESO: %s ESA: %s VON: %ld KNZ: %s Art: %ld ",
                   static_cast<long>(rcIns), bdk.BdkPlg.c_str(), bdk.BdkPnr.c_str(),
                   bdk.BdkBdt.c_str(), bdk.BdkEso.c_str(), bdk.BdkEsa.c_str(),
                   static_cast<long>(bdk.BdkSzv), bdk.BdkBsz.c_str(),
                   static_cast<long>(bdk.BdkAsw), bdk.BdkOso.c_str(), bdk.BdkOsa.c_str(),
                   static_cast<long>(bdk.BdkOsv), bdk.BdkOsz.c_str(),
                   static_cast<long>(bdk.BdkOsw));
        return 0;
    }
    return 1;
}
}  // namespace

int Vorschlag_Schreiben(const PnrSatz& pnr, const Dvm720Bss& bss, const Dvm730Bdp& bdp) {
    FixText<33> key;
    Bdk_Schluessel_Bilden(key);
    return Vorschlag_Einfuegen(pnr, bss, bdp, key);
}

int Erstelle_Umbesetzungsvorschlag(PnrSatz& pnr, const Dvm720Bss& bss, const Dvm730Bdp& bdp) {
    // The key is drawn first, whether or not a proposal follows.
    FixText<33> key;
    Bdk_Schluessel_Bilden(key);
    if (Vorschlag_Pruefen(pnr, bss, bdp) == 0) return 0;
    return Vorschlag_Einfuegen(pnr, bss, bdp, key);
}
