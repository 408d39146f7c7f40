// Run settings from the configuration file: the table of settings with their
// records and words, and the reading of them into the run.
#include "run/Laufeinstellungen.hpp"

#include "run/Config.hpp"
#include "run/Laufkontext.hpp"

namespace {

constexpr const char* kRegelpruefung[] = {"after-move", "as-before", nullptr};
constexpr const char* kPersonenwahl[] = {"first", "first-fitting", "fitting-only", nullptr};
constexpr const char* kMindestdurchgang[] = {"off", "on", nullptr};

// Numbers 1 to 4 are the logon items of dorvelian-config.
constexpr EinstellungsArt kArten[kEinstellungen] = {
    {"rule-check", "RULE-CHECK", 5, kRegelpruefung},
    {"person-choice", "PERSON-CHOICE", 6, kPersonenwahl},
    {"minimum-pass", "MINIMUM-PASS", 7, kMindestdurchgang},
};

}  // namespace

const EinstellungsArt& Einstellung_Art(int e) { return kArten[e]; }

int Einstellung_Wort(int e, std::string_view wort) {
    const char* const* w = kArten[e].worte;
    for (int i = 0; w[i] != nullptr; ++i)
        if (wort == w[i]) return i;
    return -1;
}

void Laufeinstellungen_Lesen(const char* pfad, Laufeinstellungen& e) {
    for (int i = 0; i < kEinstellungen; ++i) {
        e.wahl[i] = 0;
        e.quelle[i] = EinstellungsQuelle::Vorgabe;
        e.unbrauchbar[i].clear();
        Config_Read_Schluessel(kArten[i].schluessel, pfad);
        const ConfigErgebnis& r = Config_Ergebnis();
        if (r.schluessel.empty()) continue;  // no record: the default
        const int w = Einstellung_Wort(i, r.wert.view());
        if (w < 0) {
            e.quelle[i] = EinstellungsQuelle::Unbrauchbar;
            e.unbrauchbar[i] = r.wert.str();
        } else {
            e.wahl[i] = w;
            e.quelle[i] = EinstellungsQuelle::Datei;
        }
    }
    Config_Read("", "", 0, "");  // nothing of the file stays in the results
}

Laufeinstellungen& Einstellungen() { return Lauf().Einstellungen; }
