#pragma once
// The plan model of the demo plan generator: its random numbers, calendar,
// slots and working-time models, the structure of plan groups, units,
// workplaces and persons, and the choice of each day's staffing. It writes
// nothing; demoplan/Schreiber writes what it chooses, in the order chosen.
// The same seed gives the same draws in the same order, hence the same plan.
#include <cstdint>
#include <string>
#include <vector>

#include "demoplan/Optionen.hpp"

namespace demoplan {

// ---- pseudo-random numbers ---------------------------------------------------

// splitmix64: small, fast, and the same sequence on every platform.
struct Zufall {
    uint64_t zustand;
    uint64_t naechste() {
        uint64_t z = (zustand += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1
    int unter(int n) { return n <= 1 ? 0 : static_cast<int>(naechste() % static_cast<uint64_t>(n)); }
    bool chance(double p) { return static_cast<double>(naechste() >> 11) * 0x1.0p-53 < p; }
};

// ---- dates -------------------------------------------------------------------

// A day is counted in days since 1970-01-01.
inline constexpr double kJulianEpoche = 2440587.5;
inline double Julian(int64_t tag) { return static_cast<double>(tag) + kJulianEpoche; }

struct Datum {
    int64_t jahr;
    unsigned monat, tag;
};
Datum Zivil(int64_t t);
// 1 = Monday .. 7 = Sunday (1970-01-01 was a Thursday).
int Wochentag(int64_t t);
int Jahrestag(int64_t t);
// ISO week and the year it belongs to (the year of its Thursday).
void IsoWoche(int64_t t, int& woche, int& wochenjahr);
// Today in the local time zone.
int64_t Heute();
// The day of a --start date 'yyyymmdd' of the civil calendar, today or
// later; -1 for anything else.
int64_t StartTag(const std::string& text);
// The day as 'yyyymmdd'.
std::string Text8(int64_t t);

// Public holidays of fixed date; calendar 2 is a region with three more.
bool Feiertag(int kalender, int64_t t);

// Day types of the plan-group calendars; the staffing targets are kept per day type.
enum Tagtyp { kWT = 0, kSA = 1, kSO = 2 };
inline constexpr const char* kTagtypText[3] = {"WT", "SA", "SO"};
// A holiday is staffed like a Sunday.
Tagtyp TagtypVon(int kalender, int64_t t);

// ---- slots and working-time models -------------------------------------------

struct Schicht {
    const char* bsz;
    const char* text;
    int von, bis;  // minutes; the night runs past midnight
    int asw;       // slot kind: the day slots are one kind, the night another
    const char* modell;
};
// The first three slots are those of a plan with three slots a day; plans
// with more add a middle and a day slot of the day kind.
inline constexpr Schicht kSchicht[kMaxSchichten] = {{"F", "Fruehdienst", 360, 840, 1, "F8"},
                                         {"S", "Spaetdienst", 840, 1320, 1, "S8"},
                                         {"N", "Nachtdienst", 1320, 360, 2, "N8"},
                                         {"M", "Mitteldienst", 600, 1080, 1, "M8"},
                                         {"T", "Tagdienst", 480, 960, 1, "T8"}};
inline constexpr int kF = 0, kS = 1, kN = 2;

// Targets per day type and slot before the workplace's own variation.
inline constexpr int kGrundSoll[3][kMaxSchichten] = {{4, 3, 2, 2, 2}, {3, 2, 2, 1, 1}, {2, 2, 1, 1, 1}};

// Rest of at least 11 hours between the end of yesterday's slot and the
// start of today's: after a late slot the next day starts late or at night,
// after a night slot only another night follows.
bool RuheOk(int gestern, int heute);

inline constexpr char kTeilzeitModell[] = "TZ4";
inline constexpr int kTeilzeitVon = 360, kTeilzeitBis = 600;  // 06:00-10:00 in the early slot
inline constexpr char kFreiModell[] = "FREI";

inline constexpr const char* kQualifikation[] = {"STAPL", "KRAN", "ERSTH", "ELEKT", "HYGIE", "KASSE", "LAGER", "PRUEF"};
inline constexpr int kAnzQualifikation = 8;
inline constexpr const char* kPlgName[] = {"Nord", "Sued", "West", "Ost", "Mitte", "Hafen", "Werk"};

// Cost-rate keys E05..E09 with the hourly rate of this year.
inline constexpr int kAnzEntgelt = 5;
double Stundensatz(int gruppe);
std::string Entgeltschluessel(int gruppe);

// ---- structure of the plan ----------------------------------------------------

struct Ziel {
    int sol = 0, min = 0, max = 0;
};

struct Arbeitsplatz {
    int plg = 0;
    int einheit = 0;  // global index of the unit
    int nr = 0;       // index within the unit
    std::string eso, esa;
    std::vector<int> qualis;
    Ziel ziel[3][kMaxSchichten];  // day type, slot
    int azk = 8;
    int ersterPerson = 0, anzPersonen = 0;
};

struct Person {
    std::string pnr;
    int platz = 0;
    int awp = 1, zrm = 1, entgelt = 0;
    bool teilzeit = false;
    bool einarbeitung = false;  // new hire, works beside the counted staff
    int64_t eintritt = 0;
    // scheduling state
    int gestern = -1;  // slot of the previous day, -1 = off
    int folge = 0;     // consecutive working days
    int gearbeitet = 0;
    int satznr = 0;    // running number of the person's records
};

struct Plangruppe {
    std::string plg;
    int kalender = 1;
    int opl = 1;
    int hzt = 0;
    std::vector<int> einheiten;  // global unit indexes
};

struct Plan {
    int64_t heute = 0;
    std::vector<Plangruppe> plg;
    std::vector<std::vector<int>> einheitPlaetze;  // unit -> workplaces
    std::vector<std::string> einheitCode;
    std::vector<Arbeitsplatz> platz;
    std::vector<Person> person;
    int schichten = 3;  // slots a day
};

// One character for 0..35: a digit, then a capital letter.
char Zeichen36(int n);
// The place of plan group g (from 1) in a unit or workplace code: one character.
std::string PlgZeichen(int g);
// The place of unit e (from 1) in its code: two decimal digits up to 99, then
// a capital letter and a digit or letter, so that both forms never meet.
std::string EinheitZeichen(int e);

// Persons per workplace that fill the weekday targets five days a week, with
// room for the day-to-day changes and a little spare.
int PersonenBedarf(const Arbeitsplatz& a, int schichten);
// Plan groups, units, workplaces with their targets and qualifications, and
// persons, drawn from z.
void StrukturBauen(const Optionen& o, Zufall& z, Plan& p);

// ---- the staffing of a day ------------------------------------------------------

struct Einsatz {
    int person;  // -1 = placeholder record
    int schicht;
    char sts = ' ';
    const char* fc1 = "   ";
    const char* fc3 = "   ";
    bool inaktiv = false;
};

struct Tagesdaten {
    int64_t t;
    Tagtyp tt;
    Datum d;
    int woche, wochenjahr;
};


// Staffing of one plan group on one day: start at the targets, then move
// persons between slots of the same kind so that understaffed and
// overstaffed slots stand side by side within a workplace, within a unit and
// across units. `frei` tells per workplace and slot how many of its persons
// must be movable, so that the cases planted for today cannot be blocked by
// persons the optimiser passes over.
void BesetzungPlanen(const Plan& p, const Plangruppe& pg, const Optionen& o, const Tagesdaten& td, int tagNr,
                     Zufall& z, std::vector<std::vector<int>>& soll, std::vector<std::vector<int>>& frei);

// The persons one workplace works with on one day.
struct Tagesbesetzung {
    std::vector<Einsatz> einsaetze;  // in the order they are written
    std::vector<int> heute;          // slot of today per person of the workplace, -1 = off
    std::vector<int> besetzt;        // counted persons per slot (the new hire not among them)
};
// Chooses the persons of workplace a for the day: the slots to their
// targets `soll`, the shift leads and planner-changed records, and the new
// hire beside them. Reads the persons' scheduling state, changes nothing.
Tagesbesetzung PersonenWaehlen(const Plan& p, const Optionen& o, const Arbeitsplatz& a, const std::vector<int>& soll,
                               const std::vector<int>& frei, Zufall& z);

}  // namespace demoplan
