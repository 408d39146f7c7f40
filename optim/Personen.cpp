#include "optim/Personen.hpp"

#include <cstdint>
#include <vector>

#include "db/Bdp.hpp"
#include "db/Runtime.hpp"
#include "optim/Nachzaehlung.hpp"
#include "optim/Suchbericht.hpp"
#include "optim/Vorschlag.hpp"
#include "rules/Fill_PnrBss.hpp"
#include "db/PnrSatz.hpp"
#include "rules/Verlassen.hpp"
#include "base/Laufbilanz.hpp"
#include "base/Laufeinstellungen.hpp"
#include "base/Log.hpp"

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
//
// `schreiben` writes the proposal: the whole proposal with its checks, or
// only the insert of a person already judged.
template <typename Schreiben>
bool Vorschlag_Mit_Nachzaehlung(Schreiben schreiben, const Dvm730Bdp& bdp, Dvm725Bsm& unt, Dvm725Bsm& ueb) {
    db::beginUnit();
    if (schreiben() == 0) {
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

// One reviewed person: the deployment being left, and the person-day record
// and target record built for the understaffed slot.
struct Kandidat {
    Dvm730Bdp bdp;
    PnrSatz pnr;
    Dvm720Bss bss;
};

// Builds the records of the person of `k.bdp` for the understaffed slot.
void Kandidat_Aufbauen(Kandidat& k, const Dvm725Bsm& unt) {
    PnrSatz_Init(k.pnr);
    k.pnr.Pnr = k.bdp.BdpPnr;
    // The rules judge the day after the move unless the run asks for the
    // earlier judgement, with the left deployment still in the day.
    if (Einstellung_Wahl(Einstellung::Regelpruefung) == kNachUmzug) Verlassen_Setzen(k.pnr, k.bdp);

    // The target record is built anew for every person. Its slot end and
    // slot code come from the understaffed row in case the target row
    // cannot be read: the completion then sets only the key fields, and
    // a successful read overwrites the whole record.
    k.bss = Dvm720Bss{};
    k.bss.BssBis = unt.BsmSzb;
    k.bss.BssBsz = unt.BsmBsz;
    Fill_PnrBss(k.pnr, k.bss, unt);
}

// The first person for whom a proposal can be written is proposed.
int32_t Erste_Person(Kandidat& k, Dvm725Bsm& unt, Dvm725Bsm& ueb, int& ergebnis) {
    int32_t rc = Bdp_BszPnr_Read(k.bdp);
    while (rc == 0) {
        Kandidat_Aufbauen(k, unt);
        if (k.pnr.PbvAwp != kAwpNichtUmsetzbar &&
            Vorschlag_Mit_Nachzaehlung([&] { return Erstelle_Umbesetzungsvorschlag(k.pnr, k.bss, k.bdp); }, k.bdp,
                                       unt, ueb)) {
            ergebnis = 1;
            break;
        }
        rc = Bdp_BszPnr_Read(k.bdp);
    }
    return rc;
}

// The first person whose proposal would carry reason 0 is proposed. Each
// person is judged once, without writing; the persons for whom a proposal
// could be written but who break a rule are kept in review order (unless
// `nurPassende`: then nobody else is proposed), and when nobody fits, they
// are proposed as the first choice would: the first of them, and the next
// one only if that insert fails. A person passed over writes nothing and
// logs nothing beyond the messages of the reads.
int32_t Erste_Passende_Person(Kandidat& k, Dvm725Bsm& unt, Dvm725Bsm& ueb, int& ergebnis,
                              std::vector<Kandidat>& ersatz, bool nurPassende) {
    int32_t rc = Bdp_BszPnr_Read(k.bdp);
    while (rc == 0) {
        Kandidat_Aufbauen(k, unt);
        if (k.pnr.PbvAwp != kAwpNichtUmsetzbar && Vorschlag_Pruefen(k.pnr, k.bss, k.bdp) != 0) {
            if (k.pnr.Fnr != 0) {
                if (!nurPassende) ersatz.push_back(k);
            } else if (Vorschlag_Mit_Nachzaehlung([&] { return Vorschlag_Schreiben(k.pnr, k.bss, k.bdp); }, k.bdp,
                                                  unt, ueb)) {
                ergebnis = 1;
                break;
            }
        }
        rc = Bdp_BszPnr_Read(k.bdp);
    }
    return rc;
}
}  // namespace

int Prf_UebBsz_Pers(Dvm725Bsm unt, Dvm725Bsm ueb) {
    int ergebnis = 0;
    Kandidat k;
    std::vector<Kandidat> ersatz;

    Bdp_BszPnr_Open(ueb);
    const int wahl = Einstellung_Wahl(Einstellung::Personenwahl);
    const int32_t rc = wahl == kErste ? Erste_Person(k, unt, ueb, ergebnis)
                                      : Erste_Passende_Person(k, unt, ueb, ergebnis, ersatz, wahl == kNurPassende);
    Bdp_BszPnr_Close();

    // Nobody fits: the first person for whom a proposal can be written
    // (none are kept when only a person who fits may be proposed).
    for (const Kandidat& e : ersatz) {
        if (ergebnis != 0) break;
        if (Vorschlag_Mit_Nachzaehlung([&] { return Vorschlag_Schreiben(e.pnr, e.bss, e.bdp); }, e.bdp, unt, ueb))
            ergebnis = 1;
    }

    if (rc != 0 && rc != 1403) {
        Log_Printf("-Fehler: Prf_UebBsz_Pers()->Bdp_BszPnr_Read() RC: %ld! PLG: %s ESO: %s ESA: %s "
                   "DAT: %s VON: %ld.",
                   static_cast<long>(rc), ueb.BsmPlg.c_str(), ueb.BsmEso.c_str(),
                   ueb.BsmEsa.c_str(), ueb.BsmBdt.c_str(), static_cast<long>(ueb.BsmSzv));
    }
    return ergebnis;
}
