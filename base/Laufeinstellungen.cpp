// Run settings: the table of settings with their records and words, and the
// run's settings in the run context (read by run/ConfigEintraege.cpp).
#include "base/Laufeinstellungen.hpp"

#include "base/Laufkontext.hpp"

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

Laufeinstellungen& Einstellungen() { return Lauf().Einstellungen; }
