#include "optim/Scan.hpp"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "db/Bsm.hpp"
#include "db/Runtime.hpp"
#include "optim/Mindestdurchgang.hpp"
#include "optim/Suchbericht.hpp"
#include "optim/Suche.hpp"
#include "optim/UntListe.hpp"
#include "rules/Datum.hpp"
#include "base/Laufbilanz.hpp"
#include "base/Laufkontext.hpp"
#include "base/Log.hpp"

namespace {

bool g_einfach = false;

// The scope of a scan's understaffed rows; unused parts stay null.
struct Bereich {
    const char* plg;
    const char* eso;
    const char* esa;
};

// What distinguishes the three scans: the understaffed-row cursor with its
// binds, and the messages of the day loop, each naming its scan.
struct UntCursor {
    const char* scan;  // the scan's name in the messages of the minimum pass
    int32_t (*open)(const Bereich& b, const char* datum);
    int32_t (*read)(Dvm725Bsm& bsm);
    int32_t (*close)();
    void (*kalenderFehler)(int32_t rc, const Bereich& b, const char* datum);
    void (*commitFehler)(int32_t rc, const Bereich& b, const char* datum);
    void (*durchgangAbbruch)(const Bereich& b, const char* datum, int durchgang);
};

// Guard against a pass without end. Every restart of a pass follows a
// committed proposal, and no person gets a second open proposal out of the
// same slot, so the restarts of a day are bounded by its movable
// deployments, far below this bound. Should something underneath keep
// reporting proposals that change nothing (a count of open proposals that
// always fails while inserts go through), the pass ends at the bound with a
// log line, and the scan goes on with the next pass.
constexpr long kNeustartsJeDurchgangHoechstens = 10000;

// Passes 1 to 3 widen the search for overstaffed rows: workplace, unit, plan group.
using UebSuche = int (*)(Dvm725Bsm unt);
constexpr UebSuche kSuchen[] = {Get_UebBszEsa, Get_UebBszEso, Get_UebBszPlg};

int Durchgaenge(const FixText<4>& ebene) {
    if (ebene == "PLG") return 3;
    if (ebene == "ESO") return 2;
    return 1;
}

// One pass: after every proposal the day's understaffed rows are read again,
// so that the most understaffed row at that moment comes first. The pass ends
// after a complete reading without a proposal (or at a read error).
// `neustarts` counts the readings a pass has begun so far (the memory path
// hands over its own count when it goes on as the plain pass).
void Durchgang(const UntCursor& cur, const Bereich& b, const char* datum, UebSuche suche, int nummer,
               long neustarts = 0) {
    Dvm725Bsm unt;
    int32_t rc = 0;
    do {
        if (neustarts++ == kNeustartsJeDurchgangHoechstens) {
            cur.durchgangAbbruch(b, datum, nummer);
            return;
        }
        cur.open(b, datum);
        rc = cur.read(unt);
        while (rc == 0 && suche(unt) == 0) rc = cur.read(unt);
        cur.close();
    } while (rc == 0);
}

// One pass with the day's understaffed rows in memory. It decides exactly
// what the plain pass decides, and in the same order: within one pass of one
// day nothing the run writes makes a failed search succeed. A proposal lowers
// the staffing of one overstaffed row and raises that of one understaffed row
// at most to its target; no row becomes overstaffed, and the movable persons
// without an open proposal out of their slot only become fewer. So
// - a search whose overstaffed cursor delivered no row finds none again for
//   the same search key (plan group, date, slot kind, and the unit and
//   workplace as far as the pass binds them), and
// - a row whose search failed finds nothing again in this pass;
// both are skipped on the following readings, as long as the failed search
// wrote no message and its cursor ended normally (a search that wrote one
// is repeated, as the plain pass repeats it, messages included). Where the
// memory could stop following the database (a recount that failed or made
// a row overstaffed, a reading out of the expected order or ended by an
// error) the pass goes on as the plain pass from a fresh reading.
// The bound on the restarts of a pass counts the readings the plain pass
// would begin: the first, and one after every proposal.
void Durchgang_Gemerkt(const UntCursor& cur, const Bereich& b, const char* datum, UebSuche suche,
                       int durchgang) {
    const UntBereich bereich{b.plg, b.eso, b.esa, datum};
    long neustarts = 1;  // the reading below
    UntListe liste;
    Dvm725Bsm unt;
    bool geordnet = true;
    cur.open(b, datum);
    int32_t rc;
    while ((rc = cur.read(unt)) == 0) {
        if (!liste.Anhaengen(unt)) {
            geordnet = false;
            break;
        }
    }
    cur.close();
    if (!geordnet || rc != 1403) {
        Durchgang(cur, b, datum, suche, durchgang);
        return;
    }

    std::set<std::string> ohneUeberdeckung;  // search keys without any overstaffed row
    UntListe::Menge& zeilen = liste.Zeilen();
    auto it = zeilen.begin();
    while (it != zeilen.end()) {
        const Dvm725Bsm u = *it;
        const std::string schluessel = Unt_Suchschluessel(u, durchgang);
        if (ohneUeberdeckung.count(schluessel) != 0) {
            it = zeilen.erase(it);
            continue;
        }
        const unsigned long meldungen = Log_Meldungen();
        if (suche(u) == 0) {
            const Suchbericht& s = Letzte_Suche();
            if (Log_Meldungen() != meldungen || s.leseErgebnis != 1403) {
                ++it;  // offered again on every reading, as the plain pass does
                continue;
            }
            if (s.uebZeilen == 0) ohneUeberdeckung.insert(schluessel);
            it = zeilen.erase(it);
            continue;
        }
        const Suchbericht s = Letzte_Suche();
        if (!s.nachgezaehlt || s.untOk != 1 || s.uebOk != 1 || s.unt.BsmFkt > 0) {
            Durchgang(cur, b, datum, suche, durchgang, neustarts);
            return;
        }
        if (neustarts++ == kNeustartsJeDurchgangHoechstens) {
            cur.durchgangAbbruch(b, datum, durchgang);
            return;
        }
        liste.Ersetzen(u, s.unt, bereich);
        liste.Ersetzen(s.ueb, s.ueb, bereich);
        it = zeilen.begin();
    }
}

void Tage_Optimieren(const Laufkontext& lk, const UntCursor& cur, const Bereich& b) {
    const int durchgaenge = Durchgaenge(lk.Ebene);
    FixText<9> datum = lk.Von;
    while (std::strcmp(datum.c_str(), lk.Bis.c_str()) <= 0) {
        long long marke = Laufbilanz_Marke();
        for (int i = 0; i < durchgaenge; ++i) {
            if (g_einfach)
                Durchgang(cur, b, datum.c_str(), kSuchen[i], i + 1);
            else
                Durchgang_Gemerkt(cur, b, datum.c_str(), kSuchen[i], i + 1);
        }
        Laufbilanz_Zeit(Laufteil::Scans, marke);
        // The rows still below their minimum, served by rows above theirs;
        // it reads the day afresh after every proposal on either scan.
        if (Einstellung_Wahl(Einstellung::Mindestdurchgang) == kMindestAn) {
            marke = Laufbilanz_Marke();
            Mindestdurchgang(MindestBereich{cur.scan, b.plg, b.eso, b.esa}, datum.c_str(), durchgaenge,
                             kNeustartsJeDurchgangHoechstens);
            Laufbilanz_Zeit(Laufteil::Mindestdurchgang, marke);
        }
        // Every write has committed itself; a commit that fails here has
        // lost whatever was still open, and says so.
        const int32_t rcCommit = db::commit();
        if (rcCommit != 0) cur.commitFehler(rcCommit, b, datum.c_str());

        const FixText<9> heute = datum;
        const int32_t rc = Datum_Rechnen(1, datum.c_str(), datum.data());
        if (rc != 0 || std::strcmp(datum.c_str(), heute.c_str()) <= 0) {
            // Without a next day the period cannot go on. After its last day
            // that is no fault: the calendar may simply end there.
            if (std::strcmp(heute.c_str(), lk.Bis.c_str()) < 0) cur.kalenderFehler(rc, b, heute.c_str());
            return;
        }
    }
}

const UntCursor kPlgCursor = {
    "Opt_UntBszPlg",
    [](const Bereich& b, const char* datum) { return Bsm_PlgUntC_Open(b.plg, datum); },
    Bsm_PlgUntC_Read, Bsm_PlgUntC_Close,
    [](int32_t rc, const Bereich& b, const char* datum) {
        Log_Printf("-Fehler: Opt_UntBszPlg()->Datum_Rechnen() RC: %ld! PLG: %s DAT: %s",
                   static_cast<long>(rc), b.plg, datum);
    },
    [](int32_t rc, const Bereich& b, const char* datum) {
        Log_Printf("-Fehler: Opt_UntBszPlg()->Sql_Commit() RC: %ld! PLG: %s DAT: %s",
                   static_cast<long>(rc), b.plg, datum);
    },
    [](const Bereich& b, const char* datum, int durchgang) {
        Log_Printf("-Fehler: Opt_UntBszPlg()->Durchgang(%d) nach %ld Neustarts abgebrochen! PLG: %s DAT: %s",
                   durchgang, kNeustartsJeDurchgangHoechstens, b.plg, datum);
    }};

const UntCursor kEsoCursor = {
    "Opt_UntBszEso",
    [](const Bereich& b, const char* datum) { return Bsm_EsoUntC_Open(b.plg, b.eso, datum); },
    Bsm_EsoUntC_Read, Bsm_EsoUntC_Close,
    [](int32_t rc, const Bereich& b, const char* datum) {
        Log_Printf("-Fehler: Opt_UntBszEso()->Datum_Rechnen() RC: %ld! PLG: %s ESO: %s DAT: %s",
                   static_cast<long>(rc), b.plg, b.eso, datum);
    },
    [](int32_t rc, const Bereich& b, const char* datum) {
        Log_Printf("-Fehler: Opt_UntBszEso()->Sql_Commit() RC: %ld! PLG: %s ESO: %s DAT: %s",
                   static_cast<long>(rc), b.plg, b.eso, datum);
    },
    [](const Bereich& b, const char* datum, int durchgang) {
        Log_Printf("-Fehler: Opt_UntBszEso()->Durchgang(%d) nach %ld Neustarts abgebrochen! PLG: %s ESO: %s DAT: %s",
                   durchgang, kNeustartsJeDurchgangHoechstens, b.plg, b.eso, datum);
    }};

const UntCursor kEsaCursor = {
    "Opt_UntBszEsa",
    [](const Bereich& b, const char* datum) {
        return Bsm_EsaUntC_Open(b.plg, b.eso, b.esa, datum);
    },
    Bsm_EsaUntC_Read, Bsm_EsaUntC_Close,
    [](int32_t rc, const Bereich& b, const char* datum) {
        Log_Printf("-Fehler: Opt_UntBszEsa()->Datum_Rechnen() RC: %ld! PLG: %s ESO: %s ESA: %s "
                   "DAT: %s",
                   static_cast<long>(rc), b.plg, b.eso, b.esa, datum);
    },
    [](int32_t rc, const Bereich& b, const char* datum) {
        Log_Printf("-Fehler: Opt_UntBszEsa()->Sql_Commit() RC: %ld! PLG: %s ESO: %s ESA: %s DAT: %s",
                   static_cast<long>(rc), b.plg, b.eso, b.esa, datum);
    },
    [](const Bereich& b, const char* datum, int durchgang) {
        Log_Printf("-Fehler: Opt_UntBszEsa()->Durchgang(%d) nach %ld Neustarts abgebrochen! PLG: %s ESO: %s ESA: %s DAT: %s",
                   durchgang, kNeustartsJeDurchgangHoechstens, b.plg, b.eso, b.esa, datum);
    }};

}  // namespace

void Scan_Einfach_Setzen(bool einfach) { g_einfach = einfach; }
bool Scan_Einfach() { return g_einfach; }

void Scan_Weg_Aus_Umgebung() {
    const char* wert = std::getenv("DORVELIAN_SCAN");
    Scan_Einfach_Setzen(wert != nullptr && std::strcmp(wert, "plain") == 0);
}

void Opt_UntBszPlg(Laufkontext& lk, const char* plg) {
    Tage_Optimieren(lk, kPlgCursor, Bereich{plg, nullptr, nullptr});
}

void Opt_UntBszEso(Laufkontext& lk, const char* plg, const char* eso) {
    Tage_Optimieren(lk, kEsoCursor, Bereich{plg, eso, nullptr});
}

void Opt_UntBszEsa(Laufkontext& lk, const char* plg, const char* eso, const char* esa) {
    Tage_Optimieren(lk, kEsaCursor, Bereich{plg, eso, esa});
}
