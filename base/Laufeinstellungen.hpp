#pragma once
// Run settings: choices that change what a run writes. They are records of
// the configuration file (written by dorvelian-config), so that every run of
// a site, started by the scheduler or by the front end, makes the same
// choices; a file without such a record gives the setting's default, and an
// older file keeps working unchanged.
//
// A setting is one record "number;KEY;value" beside the logon items, its
// value enciphered like theirs and holding one of the setting's words. It is
// looked up by its key alone. Adding a setting takes one entry in
// Einstellung, one line in the table of Laufeinstellungen.cpp and, for its
// words, one enum below.
#include <cstdint>
#include <string>
#include <string_view>

enum class Einstellung : int {
    Regelpruefung = 0,  // how the rules judge the person's day
    Personenwahl,       // which person of an overstaffed slot is proposed
    Mindestdurchgang,   // whether a day's rows below their minimum get a pass of their own
    Anzahl
};
inline constexpr int kEinstellungen = static_cast<int>(Einstellung::Anzahl);

// Words of the rule check: the day after the move (the deployment being left
// taken out), or as the earlier program judged it (the deployment still in).
enum Regelpruefung : int { kNachUmzug = 0, kWieFrueher = 1 };
// Words of the person choice: the first person for whom a proposal can be
// written; the first whose proposal would break no rule, else the first; or
// only a person whose proposal would break no rule (nobody else is proposed).
enum Personenwahl : int { kErste = 0, kErstePassende = 1, kNurPassende = 2 };
// Words of the minimum pass (optim/Mindestdurchgang): off, or on after the
// scans of every day.
enum Mindestdurchgang : int { kMindestAus = 0, kMindestAn = 1 };

struct EinstellungsArt {
    const char* option;        // option of dorvelian-config without "--"
    const char* schluessel;    // key of the record
    int32_t nummer;            // number of the record
    const char* const* worte;  // the words, ended by nullptr; the first is the default
};
const EinstellungsArt& Einstellung_Art(int e);

// Index of a word among the setting's words, -1 when it is none of them.
int Einstellung_Wort(int e, std::string_view wort);

// What the configuration file said about each setting.
enum class EinstellungsQuelle { Vorgabe, Datei, Unbrauchbar };
struct Laufeinstellungen {
    int wahl[kEinstellungen] = {};                   // word index; 0 = default
    EinstellungsQuelle quelle[kEinstellungen] = {};  // where it came from
    std::string unbrauchbar[kEinstellungen];         // the value of an unusable record
};

// The settings of this run, in the run context (filled by Main before the
// first plan group).
Laufeinstellungen& Einstellungen();
inline int Einstellung_Wahl(Einstellung e) { return Einstellungen().wahl[static_cast<int>(e)]; }
