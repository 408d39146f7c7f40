#pragma once
// The options of dorvelian-demo: what the plan holds and where it goes, the
// limits of each, and the reading of the command line.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace demoplan {

struct Optionen {
    std::string dir;
    std::string schema = "PLAN";
    std::string schemaDir;  // folder with sqlite/ and postgresql/ ("" = find it)
    std::string ddl;        // SQLite DDL folder ("" = schemaDir/sqlite)
    int tage = 14;
    int plangruppen = 2;
    int einheiten = 3;      // units per plan group
    int arbeitsplaetze = 2; // workplaces per unit
    int schichten = 3;      // slots per day
    int personen = 0;       // per workplace; 0 = enough for the targets plus spare
    uint64_t seed = 1;
    bool force = false;
    std::string pg;                // connection URI of a PostgreSQL database, or empty
    std::string user = "demo";     // logon written to the configuration file
    std::string passwort = "demo";
    bool nullen = false;           // NULLs in some deployments' sort columns
    std::string start;             // first plan day 'yyyymmdd'; empty = today
};

// Codes name their place in the structure and fit their column widths:
// plan group 2 is "PG02", its unit 5 "E205", that unit's workplace 3 "A2053"
// and person 7 of that workplace "P205307". Past 9 plan groups the plan
// group's place in a code is a capital letter (plan group 10 is "A", unit 5
// of it "EA05"); past 99 units a unit's place is a capital letter and a
// digit or letter (unit 100 is "A0", unit 137 "A1"... "ZZ" is unit 1035).
constexpr int kMaxTage = 700;  // the calendar reaches two years ahead
constexpr int kMaxPlangruppen = 35;
constexpr int kMaxEinheiten = 1035;
constexpr int kMaxArbeitsplaetze = 9;
constexpr int kMaxSchichten = 5;
constexpr int kMaxPersonen = 99;
// The schema and the logon text "demo/demo@sqlite:DIR" have the limits of
// the configuration's logon items (run/Config.hpp: kSchemaMax,
// kAnmeldeTextMax, kConfigWertMaxKlar).

constexpr char kErfasser[] = "demo";

void Usage(std::FILE* aus);
// A usage error: prints what was wrong and where the usage is; returns 2.
int Fehlbedienung(const std::string& was);

// What OptionenLesen returns besides 0 (usable) and 2 (usage error printed).
inline constexpr int kHilfeGegeben = -1;    // --help: the usage is printed
inline constexpr int kVersionGefragt = -2;  // --version: the caller prints the version

// Returns 0 when the options are usable, kHilfeGegeben or kVersionGefragt
// when --help or --version was asked, else prints why not and returns 2.
int OptionenLesen(int argc, char** argv, Optionen& o);

}  // namespace demoplan
