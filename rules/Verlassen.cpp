// The person's day after the move: the left deployment is recognised by the
// fields of the person review's record and taken out of the reads here, so
// that the statements themselves stay as they are.
#include "rules/Verlassen.hpp"

#include "db/Bdp.hpp"
#include "db/PnrSatz.hpp"

void Verlassen_Setzen(PnrSatz& p, const Dvm730Bdp& bdp) {
    VerlassenerEinsatz& v = p.Verlassen;
    v.gilt = true;
    v.Plg = bdp.BdpPlg;
    v.Eso = bdp.BdpEso;
    v.Esa = bdp.BdpEsa;
    v.Pnr = bdp.BdpPnr;
    v.Bdt = bdp.BdpBdt;
    v.Szv = bdp.BdpSzv;
    v.Asw = bdp.BdpAsw;
    v.Akt = bdp.BdpAkt;
    v.Azt = bdp.BdpAzt;
}

bool Ist_Verlassen(const PnrSatz& p, const Dvm730Bdp& bdp) {
    const VerlassenerEinsatz& v = p.Verlassen;
    return v.gilt && v.Pnr == bdp.BdpPnr && v.Bdt == bdp.BdpBdt && v.Plg == bdp.BdpPlg && v.Eso == bdp.BdpEso &&
           v.Esa == bdp.BdpEsa && v.Szv == bdp.BdpSzv && v.Asw == bdp.BdpAsw && v.Akt == bdp.BdpAkt;
}

int32_t TagArbZt_Nach_Umzug(PnrSatz& p) {
    const int32_t rc = TagArbZt_Brutto(p);
    // The sum runs over the person's active deployments of the date, and the
    // left one is such a deployment (the person review reads only active
    // ones): its minutes come off once.
    if (rc == 0 && p.Verlassen.gilt) p.ArbZtBrutto -= p.Verlassen.Azt;
    return rc;
}

int32_t Bdp_Lesen_Nach_Umzug(const PnrSatz& p, int32_t (*lesen)(Dvm730Bdp&), Dvm730Bdp& bdp, bool& gesehen) {
    int32_t rc = lesen(bdp);
    if (rc == 0 && !gesehen && Ist_Verlassen(p, bdp)) {
        gesehen = true;
        bdp = Dvm730Bdp{};
        rc = lesen(bdp);
    }
    return rc;
}
