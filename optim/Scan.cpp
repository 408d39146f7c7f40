#include "optim/Scan.hpp"

#include <cstdint>
#include <cstring>

#include "db/Bsm.hpp"
#include "db/Runtime.hpp"
#include "optim/Suche.hpp"
#include "rules/Datum.hpp"
#include "run/Laufkontext.hpp"
#include "run/Log.hpp"

namespace {

// The scope of a scan's understaffed rows; unused parts stay null.
struct Bereich {
    const char* plg;
    const char* eso;
    const char* esa;
};

// What distinguishes the three scans: the understaffed-row cursor with its
// binds, and the messages of the day loop, each naming its scan.
struct UntCursor {
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
void Durchgang(const UntCursor& cur, const Bereich& b, const char* datum, UebSuche suche, int nummer) {
    Dvm725Bsm unt;
    int32_t rc = 0;
    long neustarts = 0;
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

void Tage_Optimieren(const Laufkontext& lk, const UntCursor& cur, const Bereich& b) {
    const int durchgaenge = Durchgaenge(lk.Ebene);
    FixText<9> datum = lk.Von;
    while (std::strcmp(datum.c_str(), lk.Bis.c_str()) <= 0) {
        for (int i = 0; i < durchgaenge; ++i) Durchgang(cur, b, datum.c_str(), kSuchen[i], i + 1);
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

void Opt_UntBszPlg(Laufkontext& lk, const char* plg) {
    Tage_Optimieren(lk, kPlgCursor, Bereich{plg, nullptr, nullptr});
}

void Opt_UntBszEso(Laufkontext& lk, const char* plg, const char* eso) {
    Tage_Optimieren(lk, kEsoCursor, Bereich{plg, eso, nullptr});
}

void Opt_UntBszEsa(Laufkontext& lk, const char* plg, const char* eso, const char* esa) {
    Tage_Optimieren(lk, kEsaCursor, Bereich{plg, eso, esa});
}
