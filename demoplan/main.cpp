// dorvelian-demo: creates a complete demo plan as an SQLite schema directory,
// with the working directory, log folder and configuration file the
// optimiser runs with, and prints the command that runs it.
//
//   dorvelian-demo --dir DEMO [--schema NAME] [--days N] [--plangroups N]
//                  [--units N] [--workplaces N] [--slots N] [--persons N]
//                  [--seed N] [--force] [--pg URI] [--user NAME] [--password PW]
//                  [--schema-dir DIR]
//                  [--nulls]
//   dorvelian-demo --help | --version
//
// Options may stand in any order, as "--opt value" or "--opt=value".
//
// Layout written:
//   DEMO/db/SCHEMA.db      plan schema (schema.sql + indexes.sql + views.sql)
//   DEMO/db/DVMASTER.db    central calendar (dvmaster.sql)
//   DEMO/work/             working directory of the run, with dorvelian.cfg
//   DEMO/zentravis_php/log/  run log folder ("../zentravis_php/log" from work)
//
// With --pg the same plan is also copied into a PostgreSQL database (plan
// schema SCHEMA and the calendar in schema dvmaster, DDL of
// schema/postgresql), and the configuration file names that server.
//
// The plan starts today. Deployments leave some slots understaffed and others
// overstaffed on the same day and slot kind, within a workplace, a unit and a
// plan group, so that every search scope of the optimiser has work. The
// staffing matrix is counted by the optimiser's own recount after the rows
// have been inserted with their targets, so that it agrees with the
// deployments exactly as the optimiser would count them.
//
// The same seed gives the same plan on the same day (all dates are relative
// to today).
//
// The DDL comes from the schema folder beside the installation
// (bin/../share/dorvelian/schema), from the copy beside the program in the
// build tree, or from --schema-dir.
//
// With --nulls some deployments hold NULL in BdpRnd, BdpOsv, BdpAkt and
// BdpAzt, as a planners' front end may leave them; BdpAkt then loses its
// NOT NULL (on the server the primary key becomes a unique index, which
// allows NULL).
//
// Exit codes: 0 done; 1 the plan could not be written; 2 usage error, or
// DEMO exists and --force was not given.
#include <fcntl.h>
#include <getopt.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "db/Bsm.hpp"
#include "db/Connect.hpp"
#include "db/JulianDate.hpp"
#include "db/Runtime.hpp"
#include "optim/Nachzaehlung.hpp"
#include "run/Config.hpp"
#include "base/Log.hpp"
#include "demoplan/DemoPostgres.hpp"
#include "demoplan/SchemaDir.hpp"

namespace fs = std::filesystem;

namespace {

// ---- options -----------------------------------------------------------------

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
constexpr std::size_t kSchemaMax = 20;
// The logon text "demo/demo@sqlite:DIR" must fit in 99 characters, and a
// configuration value holds at most 96 characters of plain text.
constexpr std::size_t kLogonTextMax = 99;

constexpr char kErfasser[] = "demo";

void Usage(std::FILE* aus) {
    std::fprintf(aus,
                 "usage: dorvelian-demo --dir DEMO [--schema NAME] [--days N] [--plangroups N]\n"
                 "                      [--units N] [--workplaces N] [--slots N] [--persons N]\n"
                 "                      [--seed N] [--force] [--pg URI] [--user NAME] [--password PW]\n"
                 "                      [--schema-dir DIR]\n"
                 "                      [--nulls] [--start YYYYMMDD]\n"
                 "       dorvelian-demo --help | --version\n"
                 "Writes a demo plan, the configuration file and the log folder the optimiser\n"
                 "runs with, and prints the command that runs it.\n"
                 "  --dir DEMO        directory to create (refused when it exists, unless --force)\n"
                 "  --schema NAME     schema name (default PLAN)\n"
                 "  --days N          plan days from today (default 14, at most %d)\n"
                 "  --plangroups N    plan groups (default 2, at most %d)\n"
                 "  --units N         units per plan group (default 3, at most %d)\n"
                 "  --workplaces N    workplaces per unit (default 2, at most %d)\n"
                 "  --slots N         slots per day, 1..5: early, late, night, middle, day (default 3)\n"
                 "  --persons N       persons per workplace (default: enough for the targets, at most %d)\n"
                 "  --seed N          seed of the generator (default 1)\n"
                 "  --force           replace DEMO/db of an existing DEMO, keep its other files\n"
                 "                    (and the plan schema on the server with --pg)\n"
                 "  --pg URI          also load the plan into this PostgreSQL database (a libpq URI\n"
                 "                    without user and password) and configure the run for it\n"
                 "  --user NAME       logon user of the configuration (default demo)\n"
                 "  --password PW     logon password of the configuration (default demo)\n"
                 "  --schema-dir DIR  folder of the DDL files, with sqlite/ and postgresql/ (default:\n"
                 "                    share/dorvelian/schema of the installation)\n"
                 "  --nulls           NULL in BdpRnd, BdpOsv, BdpAkt and BdpAzt of some deployments\n"
                 "  --start YYYYMMDD  first plan day instead of today (today or later), so that the\n"
                 "                    plan is the same whatever day it is made; the printed command\n"
                 "                    then names the plan's period\n"
                 "  --help            this text\n"
                 "  --version         the version\n"
                 "Exit codes: 0 done; 1 the plan could not be written; 2 usage error, or DEMO\n"
                 "exists and --force was not given.\n",
                 kMaxTage, kMaxPlangruppen, kMaxEinheiten, kMaxArbeitsplaetze, kMaxPersonen);
}

bool ZahlLesen(const char* text, long min, long max, long& out) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max) return false;
    out = v;
    return true;
}

bool IstSchemaZeichen(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '#';
}

// A usage error: what was wrong, then where the usage is.
int Fehlbedienung(const std::string& was) {
    std::fprintf(stderr, "dorvelian-demo: %s\n", was.c_str());
    std::fprintf(stderr, "Try 'dorvelian-demo --help' for the usage.\n");
    return 2;
}

// Returns 0 when the options are usable, -1 when --help or --version has
// answered, else prints why not and returns 2.
int OptionenLesen(int argc, char** argv, Optionen& o) {
    enum {
        kDir = 1000, kSchema, kDays, kPlangroups, kUnits, kWorkplaces, kSlots, kPersons, kSeed, kForce,
        kPg, kUser, kPassword, kSchemaDir, kDdl, kHelp, kVersion, kNulls, kStart
    };
    static const option kOptionen[] = {
        {"dir", required_argument, nullptr, kDir},
        {"schema", required_argument, nullptr, kSchema},
        {"days", required_argument, nullptr, kDays},
        {"plangroups", required_argument, nullptr, kPlangroups},
        {"units", required_argument, nullptr, kUnits},
        {"workplaces", required_argument, nullptr, kWorkplaces},
        {"slots", required_argument, nullptr, kSlots},
        {"persons", required_argument, nullptr, kPersons},
        {"seed", required_argument, nullptr, kSeed},
        {"start", required_argument, nullptr, kStart},
        {"force", no_argument, nullptr, kForce},
        {"pg", required_argument, nullptr, kPg},
        {"user", required_argument, nullptr, kUser},
        {"password", required_argument, nullptr, kPassword},
        {"schema-dir", required_argument, nullptr, kSchemaDir},
        {"ddl", required_argument, nullptr, kDdl},
        {"help", no_argument, nullptr, kHelp},
        {"version", no_argument, nullptr, kVersion},
        {"nulls", no_argument, nullptr, kNulls},
        {nullptr, 0, nullptr, 0},
    };
    struct Zahl {
        int option;
        const char* name;
        long min, max;
        int* ziel;
    } zahlen[] = {{kDays, "--days", 1, kMaxTage, &o.tage},
                  {kPlangroups, "--plangroups", 1, kMaxPlangruppen, &o.plangruppen},
                  {kUnits, "--units", 1, kMaxEinheiten, &o.einheiten},
                  {kWorkplaces, "--workplaces", 1, kMaxArbeitsplaetze, &o.arbeitsplaetze},
                  {kSlots, "--slots", 1, kMaxSchichten, &o.schichten},
                  {kPersons, "--persons", 1, kMaxPersonen, &o.personen}};
    opterr = 0;  // the messages below name the option
    int opt;
    while ((opt = getopt_long(argc, argv, ":h", kOptionen, nullptr)) != -1) {
        const char* wert = optarg;
        switch (opt) {
            case 'h':
            case kHelp: Usage(stdout); return -1;
            case kVersion: std::printf("dorvelian-demo %s\n", DORVELIAN_VERSION); return -1;
            case kForce: o.force = true; continue;
            case kNulls: o.nullen = true; continue;
            case kDir: o.dir = wert; continue;
            case kSchema: o.schema = wert; continue;
            case kPg: o.pg = wert; continue;
            case kUser: o.user = wert; continue;
            case kPassword: o.passwort = wert; continue;
            case kSchemaDir: o.schemaDir = wert; continue;
            case kStart: o.start = wert; continue;
            case kDdl: o.ddl = wert; continue;
            case kSeed: {
                char* end = nullptr;
                errno = 0;
                unsigned long long v = std::strtoull(wert, &end, 10);
                if (errno != 0 || *end != '\0' || *wert == '\0' || *wert == '-')
                    return Fehlbedienung("--seed needs a non-negative number");
                o.seed = v;
                continue;
            }
            case ':': return Fehlbedienung(std::string("option ") + argv[optind - 1] + " needs a value");
            case '?': {
                std::string name = optopt != 0 ? std::string("-") + static_cast<char>(optopt) : argv[optind - 1];
                return Fehlbedienung("unknown option " + name.substr(0, name.find('=')));
            }
            default: break;
        }
        for (Zahl& z : zahlen) {
            if (z.option != opt) continue;
            long v = 0;
            if (!ZahlLesen(wert, z.min, z.max, v))
                return Fehlbedienung(std::string(z.name) + " needs a number from " + std::to_string(z.min) +
                                     " to " + std::to_string(z.max));
            *z.ziel = static_cast<int>(v);
        }
    }
    if (optind < argc) return Fehlbedienung(std::string("unexpected argument ") + argv[optind]);
    if (o.dir.empty()) return Fehlbedienung("--dir is required");
    if (o.schema.empty() || o.schema.size() > kSchemaMax ||
        !std::all_of(o.schema.begin(), o.schema.end(), IstSchemaZeichen) || strcasecmp(o.schema.c_str(), "DVMASTER") == 0) {
        std::fprintf(stderr,
                     "dorvelian-demo: --schema needs 1 to 20 letters, digits, '_', '$' or '#' "
                     "(and not DVMASTER)\n");
        return 2;
    }
    const auto logonZeichen = [](const std::string& s) {
        return !s.empty() && s.find_first_of("/@ \t\r\n") == std::string::npos;
    };
    if (!logonZeichen(o.user) || !logonZeichen(o.passwort)) {
        std::fprintf(stderr, "dorvelian-demo: --user and --password must be non-empty, without '/', '@' or blanks\n");
        return 2;
    }
    if (!o.pg.empty() && o.pg.rfind("postgresql://", 0) != 0 && o.pg.rfind("postgres://", 0) != 0) {
        std::fprintf(stderr, "dorvelian-demo: --pg needs a URI postgresql://...\n");
        return 2;
    }
    return 0;
}

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
constexpr double kJulianEpoche = 2440587.5;
double Julian(int64_t tag) { return static_cast<double>(tag) + kJulianEpoche; }

struct Datum {
    int64_t jahr;
    unsigned monat, tag;
};
Datum Zivil(int64_t t) {
    Datum d{};
    db::jd::civilFromDays(t, d.jahr, d.monat, d.tag);
    return d;
}
// 1 = Monday .. 7 = Sunday (1970-01-01 was a Thursday).
int Wochentag(int64_t t) { return static_cast<int>(((t + 3) % 7 + 7) % 7) + 1; }
int Jahrestag(int64_t t) {
    Datum d = Zivil(t);
    return static_cast<int>(t - db::jd::daysFromCivil(d.jahr, 1, 1)) + 1;
}
// ISO week and the year it belongs to (the year of its Thursday).
void IsoWoche(int64_t t, int& woche, int& wochenjahr) {
    int64_t donnerstag = t - (Wochentag(t) - 1) + 3;
    wochenjahr = static_cast<int>(Zivil(donnerstag).jahr);
    woche = (Jahrestag(donnerstag) - 1) / 7 + 1;
}
int64_t Heute() {
    std::time_t jetzt = std::time(nullptr);
    std::tm lt{};
    localtime_r(&jetzt, &lt);
    return db::jd::daysFromCivil(lt.tm_year + 1900, static_cast<unsigned>(lt.tm_mon + 1),
                                 static_cast<unsigned>(lt.tm_mday));
}
std::string Text8(int64_t t);
// The day of a --start date 'yyyymmdd' of the civil calendar, today or
// later; -1 for anything else.
int64_t StartTag(const std::string& text) {
    if (text.size() != 8 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    const int64_t t = db::jd::daysFromCivil(std::stoi(text.substr(0, 4)), static_cast<unsigned>(std::stoi(text.substr(4, 2))),
                                            static_cast<unsigned>(std::stoi(text.substr(6, 2))));
    return Text8(t) == text && t >= Heute() ? t : -1;
}
std::string Text8(int64_t t) {
    Datum d = Zivil(t);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02u%02u", static_cast<int>(d.jahr), d.monat, d.tag);
    return buf;
}

// Public holidays of fixed date; calendar 2 is a region with three more.
bool Feiertag(int kalender, int64_t t) {
    Datum d = Zivil(t);
    const unsigned md = d.monat * 100 + d.tag;
    if (md == 101 || md == 501 || md == 1003 || md == 1225 || md == 1226) return true;
    return kalender == 2 && (md == 106 || md == 815 || md == 1101);
}

// Day types of the plan-group calendars; the staffing targets are kept per day type.
enum Tagtyp { kWT = 0, kSA = 1, kSO = 2 };
const char* const kTagtypText[3] = {"WT", "SA", "SO"};
Tagtyp TagtypVon(int kalender, int64_t t) {
    if (Feiertag(kalender, t)) return kSO;  // staffed like a Sunday
    int w = Wochentag(t);
    return w == 7 ? kSO : (w == 6 ? kSA : kWT);
}

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
const Schicht kSchicht[kMaxSchichten] = {{"F", "Fruehdienst", 360, 840, 1, "F8"},
                                         {"S", "Spaetdienst", 840, 1320, 1, "S8"},
                                         {"N", "Nachtdienst", 1320, 360, 2, "N8"},
                                         {"M", "Mitteldienst", 600, 1080, 1, "M8"},
                                         {"T", "Tagdienst", 480, 960, 1, "T8"}};
constexpr int kF = 0, kS = 1, kN = 2;

// Targets per day type and slot before the workplace's own variation.
const int kGrundSoll[3][kMaxSchichten] = {{4, 3, 2, 2, 2}, {3, 2, 2, 1, 1}, {2, 2, 1, 1, 1}};

// Rest of at least 11 hours between the end of yesterday's slot and the
// start of today's: after a late slot the next day starts late or at night,
// after a night slot only another night follows.
bool RuheOk(int gestern, int heute) {
    if (gestern < 0) return true;
    const Schicht& g = kSchicht[gestern];
    const int ende = g.bis < g.von ? g.bis + 1440 : g.bis;
    return kSchicht[heute].von + 1440 - ende >= 11 * 60;
}

constexpr char kTeilzeitModell[] = "TZ4";
constexpr int kTeilzeitVon = 360, kTeilzeitBis = 600;  // 06:00-10:00 in the early slot
constexpr char kFreiModell[] = "FREI";

const char* const kQualifikation[] = {"STAPL", "KRAN", "ERSTH", "ELEKT", "HYGIE", "KASSE", "LAGER", "PRUEF"};
constexpr int kAnzQualifikation = 8;
const char* const kPlgName[] = {"Nord", "Sued", "West", "Ost", "Mitte", "Hafen", "Werk"};

// Cost-rate keys E05..E09 with the hourly rate of this year.
constexpr int kAnzEntgelt = 5;
double Stundensatz(int gruppe) { return 19.20 + 2.35 * gruppe; }
std::string Entgeltschluessel(int gruppe) { return "E" + std::to_string(gruppe + 105).substr(1); }

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
char Zeichen36(int n) { return static_cast<char>(n < 10 ? '0' + n : 'A' + (n - 10)); }

// The place of plan group g (from 1) in a unit or workplace code: one character.
std::string PlgZeichen(int g) { return std::string(1, Zeichen36(g)); }

// The place of unit e (from 1) in its code: two decimal digits up to 99, then
// a capital letter and a digit or letter, so that both forms never meet.
std::string EinheitZeichen(int e) {
    if (e <= 99) {
        char b[3] = {static_cast<char>('0' + e / 10), static_cast<char>('0' + e % 10), '\0'};
        return b;
    }
    const int k = e - 100;
    return std::string{static_cast<char>('A' + k / 36), Zeichen36(k % 36)};
}

// ---- SQLite helpers -----------------------------------------------------------

struct Db {
    sqlite3* h = nullptr;
    std::string fehler;
    bool exec(const char* sql) {
        char* err = nullptr;
        if (sqlite3_exec(h, sql, nullptr, nullptr, &err) != SQLITE_OK) {
            if (fehler.empty()) fehler = std::string(err ? err : "?") + " in: " + std::string(sql).substr(0, 120);
            sqlite3_free(err);
            return false;
        }
        return true;
    }
};

// A prepared insert; bind values by position from 1, then run. The first
// failure is kept in the database's error text.
class Einfuegen {
public:
    Einfuegen(Db& db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db.h, sql, -1, &st_, nullptr) != SQLITE_OK) {
            if (db.fehler.empty()) db.fehler = std::string(sqlite3_errmsg(db.h)) + " in: " + sql;
            st_ = nullptr;
        }
    }
    ~Einfuegen() { sqlite3_finalize(st_); }
    Einfuegen(const Einfuegen&) = delete;
    Einfuegen& operator=(const Einfuegen&) = delete;

    Einfuegen& t(const std::string& s) {
        if (st_) sqlite3_bind_text(st_, ++n_, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Einfuegen& i(int64_t v) {
        if (st_) sqlite3_bind_int64(st_, ++n_, v);
        return *this;
    }
    Einfuegen& r(double v) {
        if (st_) sqlite3_bind_double(st_, ++n_, v);
        return *this;
    }
    Einfuegen& null() {
        if (st_) sqlite3_bind_null(st_, ++n_);
        return *this;
    }
    bool los() {
        n_ = 0;
        if (!st_) return false;
        int rc = sqlite3_step(st_);
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
        if (rc != SQLITE_DONE) {
            if (db_.fehler.empty()) db_.fehler = sqlite3_errmsg(db_.h);
            return false;
        }
        return true;
    }

private:
    Db& db_;
    sqlite3_stmt* st_ = nullptr;
    int n_ = 0;
};


// bdpAktNull: BdpAkt of the deployment table is declared without NOT NULL.
bool SkriptAusfuehren(Db& db, const std::string& ddl, const char* datei, bool bdpAktNull = false) {
    std::string sql;
    if (!DdlDateiLesen(ddl + "/" + datei, sql)) {
        db.fehler = "cannot read " + ddl + "/" + datei;
        return false;
    }
    if (bdpAktNull) {
        const std::string lose = std::regex_replace(sql, std::regex("(BdpAkt\\s+INTEGER\\s+)NOT NULL"), "$1");
        if (lose == sql) {
            db.fehler = "no NOT NULL on BdpAkt in " + ddl + "/" + datei;
            return false;
        }
        sql = lose;
    }
    return db.exec(sql.c_str());
}

// NULLs in the sort columns of some deployments, chosen by row and seed:
// about one in five for BdpRnd, BdpOsv and BdpAzt, one in twelve for BdpAkt.
bool NullenStreuen(Db& db, uint64_t seed) {
    const std::string s = std::to_string(seed % 1000);
    return db.exec(("UPDATE Dvm730Bdp SET BdpRnd = NULL WHERE (rowid * 7 + " + s + ") % 5 = 0").c_str()) &&
           db.exec(("UPDATE Dvm730Bdp SET BdpOsv = NULL WHERE (rowid * 11 + " + s + ") % 5 = 1").c_str()) &&
           db.exec(("UPDATE Dvm730Bdp SET BdpAzt = NULL WHERE (rowid * 13 + " + s + ") % 5 = 2").c_str()) &&
           db.exec(("UPDATE Dvm730Bdp SET BdpAkt = NULL WHERE (rowid * 17 + " + s + ") % 12 = 3").c_str());
}

// ---- building the structure ---------------------------------------------------

// Persons per workplace that fill the weekday targets five days a week, with
// room for the day-to-day changes and a little spare.
int PersonenBedarf(const Arbeitsplatz& a, int schichten) {
    int summe = 0;
    for (int s = 0; s < schichten; ++s) summe += a.ziel[kWT][s].sol;
    return (summe + 2) * 7 / 5 + 2;
}

void StrukturBauen(const Optionen& o, Zufall& z, Plan& p) {
    char buf[32];
    for (int g = 0; g < o.plangruppen; ++g) {
        Plangruppe pg;
        std::snprintf(buf, sizeof buf, "PG%02d", g + 1);
        pg.plg = buf;
        pg.kalender = g % 2 + 1;
        // Levels go round PLG, ESA, ESO, so that two plan groups already show
        // the widest and the narrowest search.
        static const int kStufe[3] = {1, 3, 2};
        pg.opl = kStufe[g % 3];
        // Horizon in weeks: the run's period from today reaches the last plan day.
        const int wtg = Wochentag(p.heute);
        const int noetig = o.tage - 1 - 7 + wtg;
        pg.hzt = noetig > 0 ? (noetig + 6) / 7 : 0;
        for (int e = 0; e < o.einheiten; ++e) {
            const int ei = static_cast<int>(p.einheitCode.size());
            p.einheitCode.push_back("E" + PlgZeichen(g + 1) + EinheitZeichen(e + 1));
            p.einheitPlaetze.emplace_back();
            pg.einheiten.push_back(ei);
            for (int w = 0; w < o.arbeitsplaetze; ++w) {
                Arbeitsplatz a;
                a.plg = g;
                a.einheit = ei;
                a.nr = w;
                a.eso = p.einheitCode[static_cast<std::size_t>(ei)];
                a.esa = "A" + PlgZeichen(g + 1) + EinheitZeichen(e + 1) + Zeichen36(w + 1);
                a.azk = (e % 3 == 2) ? 10 : 8;
                // Qualifications the workplace lists: the first workplace of a
                // unit always lists one, others none, one or two.
                int anzQ = w == 0 ? 1 + z.unter(2) : z.unter(3);
                while (static_cast<int>(a.qualis.size()) < anzQ) {
                    int q = z.unter(kAnzQualifikation);
                    if (std::find(a.qualis.begin(), a.qualis.end(), q) == a.qualis.end()) a.qualis.push_back(q);
                }
                std::sort(a.qualis.begin(), a.qualis.end());
                const int mehr = z.unter(2);
                for (int t = 0; t < 3; ++t) {
                    for (int s = 0; s < kMaxSchichten; ++s) {
                        Ziel& zl = a.ziel[t][s];
                        zl.sol = kGrundSoll[t][s] + (t == kWT && s != kN ? mehr : 0);
                        zl.min = zl.sol >= 2 ? zl.sol - 1 : zl.sol;
                        zl.max = zl.sol + 1;
                    }
                }
                p.einheitPlaetze[static_cast<std::size_t>(ei)].push_back(static_cast<int>(p.platz.size()));
                p.platz.push_back(a);
            }
        }
        p.plg.push_back(pg);
    }

    for (std::size_t ai = 0; ai < p.platz.size(); ++ai) {
        Arbeitsplatz& a = p.platz[ai];
        a.ersterPerson = static_cast<int>(p.person.size());
        a.anzPersonen = o.personen > 0 ? o.personen : std::min(kMaxPersonen, PersonenBedarf(a, o.schichten));
        for (int k = 0; k < a.anzPersonen; ++k) {
            Person pe;
            std::snprintf(buf, sizeof buf, "P%s%02d", a.esa.c_str() + 1, k + 1);
            pe.pnr = buf;
            pe.platz = static_cast<int>(ai);
            pe.eintritt = p.heute - 180 - z.unter(3400);
            // Every second workplace has a new hire in induction, who works
            // beside the counted staff.
            if (k == a.anzPersonen - 1 && ai % 2 == 0 && a.anzPersonen >= 4) {
                pe.einarbeitung = true;
                pe.eintritt = p.heute - 20 - z.unter(60);
            }
            const int r = z.unter(100);
            pe.awp = r < 70 ? 1 : (r < 95 ? 2 : 3);
            pe.zrm = z.chance(0.2) ? 2 : 1;
            pe.teilzeit = !pe.einarbeitung && pe.awp == 2 && z.chance(0.4);
            pe.entgelt = z.unter(kAnzEntgelt);
            p.person.push_back(pe);
        }
    }
}

// ---- writing the reference data ------------------------------------------------

bool KalenderSchreiben(Db& db, const Plan& p) {
    Einfuegen bak(db,
                  "insert into DVMASTER.Dvm133Bak (BakDtm,BakJhr,BakMon,BakTag,BakWch,BakWtg,BakJtg) "
                  "values (?,?,?,?,?,?,?)");
    Einfuegen ka2(db, "insert into Dvm133Ka2 (Ka2Num,Ka2Dtm,Ka2Ttp,Ka2Ptp,Ka2Gwt) values (?,?,?,?,?)");
    const int64_t von = p.heute - 730, bis = p.heute + 730;
    for (int64_t t = von; t <= bis; ++t) {
        Datum d = Zivil(t);
        int woche = 0, wj = 0;
        IsoWoche(t, woche, wj);
        if (!bak.r(Julian(t)).i(d.jahr).i(d.monat).i(d.tag).i(woche).i(Wochentag(t)).i(Jahrestag(t)).los())
            return false;
        for (int k = 1; k <= 2; ++k) {
            Tagtyp tt = TagtypVon(k, t);
            char num[8];
            std::snprintf(num, sizeof num, "%03d", k);
            const bool ft = Feiertag(k, t);
            if (!ka2.t(num).r(Julian(t)).t(kTagtypText[tt]).t(ft ? "FT" : kTagtypText[tt]).i(ft ? 3 : tt + 1).los())
                return false;
        }
    }
    return true;
}

bool PlangruppenSchreiben(Db& db, const Plan& p) {
    Einfuegen plg(db,
                  "insert into Dvm701Plg (PlgPlg,PlgTxt,PlgKal,PlgHzt,PlgSta,PlgDat,PlgErf,PlgPdt,PlgPlr,"
                  "PlgPgm,PlgUsr,PlgBeg,PlgFts,"
                  "PlgQu1,PlgAr1,PlgRu1,PlgMe1,PlgAm1,PlgRe1,PlgQu2,PlgAr2,PlgRu2,PlgMe2,PlgAm2,PlgRe2,"
                  "PlgQu3,PlgAr3,PlgRu3,PlgMe3,PlgAm3,PlgRe3,PlgOpt,PlgOpl) "
                  "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    Einfuegen pka(db, "insert into Dvm755Pka (PkaPlg,PkaNum,PkaDtm,PkaTtp,PkaGwt) values (?,?,?,?,?)");
    const double geaendert = Julian(p.heute - 1) + 0.5;  // yesterday noon
    for (std::size_t g = 0; g < p.plg.size(); ++g) {
        const Plangruppe& pg = p.plg[g];
        char kal[8], txt[64];
        std::snprintf(kal, sizeof kal, "%03d", pg.kalender);
        std::snprintf(txt, sizeof txt, "Plangruppe %s %s", kPlgName[g % 7], pg.plg.c_str() + 2);
        // Rule switches of level 2: all on in the first plan group, one of
        // the four off in each of the others.
        int s2[4] = {1, 1, 1, 1};
        if (g > 0) s2[(g - 1) % 4] = 0;
        plg.t(pg.plg).t(txt).t(kal).i(pg.hzt).i(0).r(geaendert).t(kErfasser).r(geaendert).t(kErfasser);
        plg.null().null().null().i(0);
        plg.i(1).i(1).i(1).i(1).i(0).i(0);
        plg.i(s2[0]).i(s2[1]).i(s2[2]).i(s2[3]).i(0).i(0);
        plg.i(1).i(0).i(0).i(1).i(0).i(0);
        plg.i(1).i(pg.opl);
        if (!plg.los()) return false;

        // The plan group's own calendar: the public holidays of the year
        // around today, and a works holiday of its own.
        for (int64_t t = p.heute - 182; t <= p.heute + 182; ++t) {
            const bool betrieb = t == p.heute + 9 + static_cast<int64_t>(g);
            if (!Feiertag(pg.kalender, t) && !betrieb) continue;
            if (!pka.t(pg.plg).t(kal).r(Julian(t)).t(betrieb ? "BF" : "FT").i(1).los()) return false;
        }
    }
    return true;
}

bool ModelleSchreiben(Db& db, const Plan& p) {
    Einfuegen azv(db,
                  "insert into Dvm140Azv (AzvNum,AzvGvo,AzvGbi,AzvKev,AzvKeb,AzvGlv,AzvGlb,AzvSol) "
                  "values (?,?,?,?,?,?,?,?)");
    const Datum d = Zivil(p.heute);
    const int64_t neu = db::jd::daysFromCivil(d.jahr - 2, 1, 1);
    const int64_t alt = db::jd::daysFromCivil(2015, 1, 1);
    struct Modell {
        const char* num;
        int kev, keb, glv, glb, sol;
    } modelle[] = {{"F8", 360, 840, 300, 900, 480},      {"S8", 840, 1320, 780, 1380, 480},
                   {"N8", 1320, 360, 1260, 420, 480},    {kTeilzeitModell, 360, 600, 330, 720, 240},
                   {kFreiModell, 0, 0, 0, 0, 0},         {"M8", 600, 1080, 540, 1140, 480},
                   {"T8", 480, 960, 420, 1020, 480}};
    for (const Modell& m : modelle) {
        // The middle and the day slot's models exist in plans that use them.
        if ((std::strcmp(m.num, "M8") == 0 && p.schichten < 4) || (std::strcmp(m.num, "T8") == 0 && p.schichten < 5))
            continue;
        // The shift models had shorter breaks in an earlier version, which ended
        // when the current one began.
        if (m.sol == 480 &&
            !azv.t(m.num).r(Julian(alt)).r(Julian(neu - 1)).i(m.kev - 15).i(m.keb - 15).i(m.glv).i(m.glb).i(m.sol).los())
            return false;
        if (!azv.t(m.num).r(Julian(neu)).null().i(m.kev).i(m.keb).i(m.glv).i(m.glb).i(m.sol).los()) return false;
    }
    Einfuegen ers(db, "insert into Dvm162Ers (ErsAgr,ErsAzt,ErsAze) values (?,?,?)");
    const char* const paare[][3] = {{"SCH", "F8", "S8"},   {"SCH", "S8", "F8"},   {"SCH", "S8", "N8"},
                                    {"SCH", "N8", "S8"},   {"SCH", kFreiModell, "F8"}, {"SCH", kFreiModell, "S8"},
                                    {"SCH", kFreiModell, "N8"}, {"TZ", kTeilzeitModell, "F8"},
                                    {"TZ", kFreiModell, kTeilzeitModell}};
    for (const auto& e : paare)
        if (!ers.t(e[0]).t(e[1]).t(e[2]).los()) return false;

    Einfuegen pss(db, "insert into Dvm708Pss (PssKss,PssGvo,PssGbi,PssWrt) values (?,?,?,?)");
    const int64_t jahr = db::jd::daysFromCivil(d.jahr, 1, 1);
    const int64_t vorjahr = db::jd::daysFromCivil(d.jahr - 1, 1, 1);
    for (int g = 0; g < kAnzEntgelt; ++g) {
        const std::string kss = Entgeltschluessel(g);
        const double satz = Stundensatz(g);
        if (!pss.t(kss).r(Julian(vorjahr)).r(Julian(jahr - 1)).r(std::round(satz / 1.035 * 100) / 100).los())
            return false;
        if (!pss.t(kss).r(Julian(jahr)).null().r(satz).los()) return false;
    }
    return true;
}

bool PersonenSchreiben(Db& db, Zufall& z, const Plan& p) {
    Einfuegen pgz(db, "insert into Dvm712Pgz (PgzPlg,PgzEso,PgzEsa,PgzAzk,PgzRzk) values (?,?,?,?,?)");
    Einfuegen qea(db, "insert into Dvm717Qea (QeaEsa,QeaQfk) values (?,?)");
    Einfuegen bss(db,
                  "insert into Dvm720Bss (BssPlg,BssEso,BssEsa,BssTtp,BssVon,BssBis,BssBsz,BssTxt,BssSol,"
                  "BssMax,BssMin,BssMwt,BssVtg,BssAtg,BssKgw,BssKmw,BssAsw) "
                  "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    for (const Arbeitsplatz& a : p.platz) {
        const std::string& plg = p.plg[static_cast<std::size_t>(a.plg)].plg;
        if (!pgz.t(plg).t(a.eso).t(a.esa).i(a.azk).i(11).los()) return false;
        for (int q : a.qualis)
            if (!qea.t(a.esa).t(kQualifikation[q]).los()) return false;
        for (int t = 0; t < 3; ++t) {
            for (int s = 0; s < std::max(3, p.schichten); ++s) {
                const Schicht& sc = kSchicht[s];
                const Ziel& zl = a.ziel[t][s];
                if (!bss.t(plg).t(a.eso).t(a.esa).t(kTagtypText[t]).i(sc.von).i(sc.bis).t(sc.bsz).t(sc.text)
                         .i(zl.sol).i(zl.max).i(zl.min).r(0.0).i(0).i(0).i(0).i(0).i(sc.asw).los())
                    return false;
            }
        }
    }

    Einfuegen pbv(db,
                  "insert into Dvm710Pbv (PbvPnr,PbvGvo,PbvGbi,PbvZrm,PbvEso,PbvEsa,PbvAwp,PbvSst) "
                  "values (?,?,?,?,?,?,?,?)");
    Einfuegen qzp(db, "insert into Dvm716Qzp (QzpPnr,QzpQfk,QzpVon,QzpBis) values (?,?,?,?)");
    for (const Person& pe : p.person) {
        const Arbeitsplatz& a = p.platz[static_cast<std::size_t>(pe.platz)];
        const std::string sst = Entgeltschluessel(pe.entgelt);
        int64_t gvo = pe.eintritt;
        // Some persons came from another workplace of their unit; that
        // assignment ended the day before the current one began.
        const std::vector<int>& nachbarn = p.einheitPlaetze[static_cast<std::size_t>(a.einheit)];
        if (!pe.einarbeitung && nachbarn.size() > 1 && z.chance(0.1)) {
            const int64_t wechsel = pe.eintritt + 1 + z.unter(static_cast<int>(p.heute - pe.eintritt - 1));
            const Arbeitsplatz& vorher = p.platz[static_cast<std::size_t>(nachbarn[(static_cast<std::size_t>(a.nr) + 1) % nachbarn.size()])];
            if (!pbv.t(pe.pnr).r(Julian(pe.eintritt)).r(Julian(wechsel - 1)).i(pe.zrm).t(vorher.eso).t(vorher.esa)
                     .i(pe.awp).t(sst).los())
                return false;
            gvo = wechsel;
        }
        if (!pbv.t(pe.pnr).r(Julian(gvo)).null().i(pe.zrm).t(a.eso).t(a.esa).i(pe.awp).t(sst).los()) return false;

        // The workplace's own qualifications, now and then one of them
        // lapsed, and sometimes one more.
        std::vector<int> held = a.qualis;
        if (z.chance(0.3)) {
            int q = z.unter(kAnzQualifikation);
            if (std::find(held.begin(), held.end(), q) == held.end()) held.push_back(q);
        }
        for (int q : held) {
            const bool abgelaufen = z.chance(0.08);
            const int64_t bis = p.heute - 1 - z.unter(200);
            if (abgelaufen && bis > pe.eintritt) {
                if (!qzp.t(pe.pnr).t(kQualifikation[q]).r(Julian(pe.eintritt)).r(Julian(bis)).los()) return false;
            } else if (!qzp.t(pe.pnr).t(kQualifikation[q]).r(Julian(pe.eintritt)).null().los()) {
                return false;
            }
        }
    }
    return true;
}

// ---- deployments and the staffing matrix ------------------------------------------

struct Einsatz {
    int person;  // -1 = placeholder record
    int schicht;
    char sts = ' ';
    const char* fc1 = "   ";
    const char* fc3 = "   ";
    bool inaktiv = false;
};

class Plansatz {
public:
    explicit Plansatz(Db& db)
        : bdp_(db,
               "insert into Dvm730Bdp (BdpPnr,BdpBdt,BdpEso,BdpEsa,BdpSzv,BdpSzb,BdpBsz,BdpJhr,BdpMon,BdpWoc,"
               "BdpJwc,BdpTtp,BdpTag,BdpZtv,BdpZtb,BdpKst,BdpFc1,BdpFc2,BdpFc3,BdpOso,BdpOsa,BdpOsv,BdpOsb,"
               "BdpOsz,BdpOsw,BdpPlg,BdpAsw,BdpAwp,BdpSts,BdpFnr,BdpSta,BdpDat,BdpTxt,BdpErf,BdpAzt,BdpId1,"
               "BdpId2,BdpId3,BdpId4,BdpId5,BdpId6,BdpId7,BdpId8,BdpRnd,BdpAkt,BdpBnr,BdpPau,BdpBzt,BdpKos) "
               "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,"
               "?,?,?,?,?)"),
          bsm_(db,
               "insert into Dvm725Bsm (BsmBdt,BsmEso,BsmEsa,BsmSzv,BsmSzb,BsmBsz,BsmJhr,BsmMon,BsmWoc,BsmJwc,"
               "BsmTag,BsmTtp,BsmSol,BsmMin,BsmMax,BsmIst,BsmPlg,BsmHtg,BsmHtv,BsmHtn,BsmKng,BsmFkt,BsmAsw,"
               "BsmSta,BsmDat,BsmErf,BsmKor,BsmKos,BsmKo2,BsmOva,BsmOve) "
               "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
          ztg_(db, "insert into Dvm329Ztg (ZtgPnr,ZtgVon,ZtgAzt,ZtgKst,ZtgAgr) values (?,?,?,?,?)") {}

    Einfuegen bdp_, bsm_, ztg_;
    long anzBdp = 0, anzBsm = 0, anzZtg = 0;
};

struct Tagesdaten {
    int64_t t;
    Tagtyp tt;
    Datum d;
    int woche, wochenjahr;
};

std::string Kostenstelle(const Arbeitsplatz& a) { return "K-" + a.esa; }

bool EinsatzSchreiben(Plansatz& ps, const Plan& p, Person* pe, const Arbeitsplatz& a, const Tagesdaten& td,
                      const Einsatz& e, int rnd) {
    const Schicht& sc = kSchicht[e.schicht];
    const std::string& plg = p.plg[static_cast<std::size_t>(a.plg)].plg;
    int ztv = sc.von, ztb = sc.bis, azt = 450, pau = 30;
    if (pe && pe->teilzeit) {
        ztv = kTeilzeitVon;
        ztb = kTeilzeitBis;
        azt = 240;
        pau = 0;
    }
    double kos = 0.0;
    std::string pnr;
    int awp = 0, bnr = 0;
    if (pe) {
        pnr = pe->pnr;
        awp = pe->awp;
        bnr = ++pe->satznr;
        // Hourly rate with the surcharges for nights and Sundays or holidays.
        double faktor = 1.0 + (e.schicht == kN ? 0.25 : 0.0) + (td.tt == kSO ? 0.5 : 0.0);
        kos = std::round(Stundensatz(pe->entgelt) * azt / 60.0 * faktor * 100.0) / 100.0;
    } else {
        // Placeholder for a slot that could not be filled.
        pnr = "D" + a.esa;
        azt = 0;
        pau = 0;
    }
    const double geaendert = Julian(p.heute - 1) + 0.75;
    Einfuegen& b = ps.bdp_;
    b.t(pnr).r(Julian(td.t)).t(a.eso).t(a.esa).i(sc.von).i(sc.bis).t(sc.bsz).i(td.d.jahr).i(td.d.monat).i(td.woche)
        .i(td.wochenjahr * 100 + td.woche).t(kTagtypText[td.tt]).i(td.d.tag).i(ztv).i(ztb).t(Kostenstelle(a))
        .t(e.fc1).t("   ").t(e.fc3).t(a.eso).t(a.esa).i(sc.von).i(sc.bis).t(sc.bsz).i(sc.asw).t(plg).i(sc.asw)
        .i(awp).t(std::string(1, e.sts)).i(0).i(0).r(geaendert).null().t(kErfasser).i(azt)
        .i(td.tt == kSO ? 1 : 0).i(e.schicht == kN ? 1 : 0).i(0).i(0).i(0).i(0).i(0).i(0)
        .i(rnd).i(e.inaktiv ? 9999 : sc.von).i(bnr).i(pau).i(azt + pau).r(kos);
    if (!b.los()) return false;
    ++ps.anzBdp;
    return true;
}

// Staffing of one plan group on one day: start at the targets, then move
// persons between slots of the same kind so that understaffed and
// overstaffed slots stand side by side within a workplace, within a unit and
// across units. `frei` tells per workplace and slot how many of its persons
// must be movable, so that the cases planted for today cannot be blocked by
// persons the optimiser passes over.
void BesetzungPlanen(const Plan& p, const Plangruppe& pg, const Optionen& o, const Tagesdaten& td, int tagNr,
                     Zufall& z, std::vector<std::vector<int>>& soll, std::vector<std::vector<int>>& frei) {
    std::vector<int> plaetze;
    for (int e : pg.einheiten)
        for (int a : p.einheitPlaetze[static_cast<std::size_t>(e)]) plaetze.push_back(a);
    soll.assign(p.platz.size(), std::vector<int>());
    frei.assign(p.platz.size(), std::vector<int>(kMaxSchichten, 0));
    for (int a : plaetze) {
        soll[static_cast<std::size_t>(a)].resize(kMaxSchichten, 0);
        for (int s = 0; s < o.schichten; ++s)
            soll[static_cast<std::size_t>(a)][static_cast<std::size_t>(s)] = p.platz[static_cast<std::size_t>(a)].ziel[td.tt][s].sol;
    }
    auto add = [&](int a, int s, int n) {
        int& v = soll[static_cast<std::size_t>(a)][static_cast<std::size_t>(s)];
        v = std::max(0, v + n);
    };
    auto ueber = [&](int a, int s, int n) {
        add(a, s, n);
        frei[static_cast<std::size_t>(a)][static_cast<std::size_t>(s)] += n;
    };
    const int nS = o.schichten;
    // A slot of the night kind exists only with three slots; otherwise both
    // partners of a shift between workplaces are day slots, the surplus on
    // the early slot so that it cannot cancel the short late slot that the
    // case within the workplace leaves.
    const int andereArt = nS == 3 ? kN : (nS == 2 ? kS : kF);
    const auto& ersteEinheit = p.einheitPlaetze[static_cast<std::size_t>(pg.einheiten[0])];

    if (tagNr == 0) {
        // Today every scope has one case of its own.
        if (nS >= 2) {  // within a workplace: early over, late short
            ueber(ersteEinheit[0], kF, +1);
            add(ersteEinheit[0], kS, -1);
        }
        if (ersteEinheit.size() >= 2) {  // within a unit
            add(ersteEinheit[0], andereArt, -1);
            ueber(ersteEinheit[1], nS == 2 ? kF : andereArt, +1);
        }
        if (pg.einheiten.size() >= 2) {  // across units
            const auto& zweite = p.einheitPlaetze[static_cast<std::size_t>(pg.einheiten[1])];
            add(zweite[0], andereArt, -1);
            ueber(ersteEinheit.back(), nS == 2 ? kF : andereArt, +1);
        }
        return;
    }
    for (int a : plaetze) {
        if (nS >= 2 && z.chance(0.3)) {
            const int k = 1 + z.unter(2);
            const bool frueh = z.chance(0.5);
            add(a, frueh ? kF : kS, +k);
            add(a, frueh ? kS : kF, -k);
        }
    }
    for (int e : pg.einheiten) {
        const auto& ap = p.einheitPlaetze[static_cast<std::size_t>(e)];
        if (ap.size() >= 2 && z.chance(0.3)) {
            const int s = z.unter(nS);
            const int i = z.unter(static_cast<int>(ap.size()));
            const int j = (i + 1 + z.unter(static_cast<int>(ap.size()) - 1)) % static_cast<int>(ap.size());
            add(ap[static_cast<std::size_t>(i)], s, +1);
            add(ap[static_cast<std::size_t>(j)], s, -1);
        }
    }
    if (pg.einheiten.size() >= 2 && z.chance(0.5)) {
        const int n = static_cast<int>(pg.einheiten.size());
        const int s = z.unter(nS);
        const int i = z.unter(n);
        const int j = (i + 1 + z.unter(n - 1)) % n;
        const auto& ai = p.einheitPlaetze[static_cast<std::size_t>(pg.einheiten[static_cast<std::size_t>(i)])];
        const auto& aj = p.einheitPlaetze[static_cast<std::size_t>(pg.einheiten[static_cast<std::size_t>(j)])];
        add(ai[static_cast<std::size_t>(z.unter(static_cast<int>(ai.size())))], s, +1);
        add(aj[static_cast<std::size_t>(z.unter(static_cast<int>(aj.size())))], s, -1);
    }
    for (int a : plaetze)
        for (int s = 0; s < nS; ++s)
            if (z.chance(0.08)) add(a, s, z.chance(0.5) ? +1 : -1);
}

// Chooses the persons of one workplace for one day and writes their
// deployments and working-time entries.
bool TagBesetzen(Plansatz& ps, Plan& p, const Optionen& o, const Arbeitsplatz& a, const Tagesdaten& td,
                 const std::vector<int>& soll, const std::vector<int>& frei, Zufall& z) {
    const int erster = a.ersterPerson, anz = a.anzPersonen;
    std::vector<int> heute(static_cast<std::size_t>(anz), -1);  // slot of today per person
    std::vector<Einsatz> einsaetze;
    std::vector<int> besetzt(kMaxSchichten, 0);
    std::vector<int> los(static_cast<std::size_t>(anz));
    for (int& l : los) l = z.unter(1000);

    // The night first, then late, then early: the slots whose persons are
    // most bound by yesterday's slot are filled while the choice is widest.
    static const int kReihe[kMaxSchichten] = {kN, kS, 3, 4, kF};
    for (int r = 0; r < kMaxSchichten; ++r) {
        const int s = kReihe[r];
        if (s >= o.schichten) continue;
        const int bedarf = soll[static_cast<std::size_t>(s)];
        for (int strikt = 1; strikt >= 0 && besetzt[static_cast<std::size_t>(s)] < bedarf; --strikt) {
            std::vector<std::pair<int, int>> kandidaten;  // key, person
            for (int k = 0; k < anz; ++k) {
                const Person& pe = p.person[static_cast<std::size_t>(erster + k)];
                if (heute[static_cast<std::size_t>(k)] >= 0 || pe.einarbeitung) continue;
                if (pe.teilzeit && s != kF) continue;
                const int maxFolge = pe.teilzeit ? 3 : 5;
                if (strikt) {
                    if (pe.folge >= maxFolge || !RuheOk(pe.gestern, s)) continue;
                } else if (pe.folge >= maxFolge + 1) {
                    continue;
                }
                int key = pe.gearbeitet * 1000 + (pe.gestern == s ? 0 : 1500) + los[static_cast<std::size_t>(k)];
                if (pe.awp == 3 && frei[static_cast<std::size_t>(s)] > 0) key += 10000000;  // chosen last
                kandidaten.emplace_back(key, k);
            }
            std::sort(kandidaten.begin(), kandidaten.end());
            for (const auto& kd : kandidaten) {
                if (besetzt[static_cast<std::size_t>(s)] >= bedarf) break;
                heute[static_cast<std::size_t>(kd.second)] = s;
                ++besetzt[static_cast<std::size_t>(s)];
                Einsatz e;
                e.person = erster + kd.second;
                e.schicht = s;
                einsaetze.push_back(e);
            }
        }
    }
    // Shift leads (function code 3) in well staffed slots, a few records
    // already changed by a planner ('U', 'M'); none of them is movable.
    std::vector<bool> leitung(kMaxSchichten, false);
    for (Einsatz& e : einsaetze) {
        if (frei[static_cast<std::size_t>(e.schicht)] > 0) continue;
        if (!leitung[static_cast<std::size_t>(e.schicht)] && besetzt[static_cast<std::size_t>(e.schicht)] >= 3 &&
            z.chance(0.15)) {
            leitung[static_cast<std::size_t>(e.schicht)] = true;
            e.fc3 = "SLT";
            continue;
        }
        const int r = z.unter(100);
        if (r < 2) e.sts = 'U';
        else if (r < 3) e.sts = 'M';
    }
    // The new hire works the early slot beside the counted staff.
    for (int k = 0; k < anz; ++k) {
        const Person& pe = p.person[static_cast<std::size_t>(erster + k)];
        if (!pe.einarbeitung || pe.folge >= 5) continue;
        heute[static_cast<std::size_t>(k)] = kF;
        Einsatz e;
        e.person = erster + k;
        e.schicht = kF;
        e.fc1 = "EIN";
        einsaetze.push_back(e);
    }

    std::vector<int> rnd(kMaxSchichten, 0);
    for (const Einsatz& e : einsaetze) {
        Person& pe = p.person[static_cast<std::size_t>(e.person)];
        if (!EinsatzSchreiben(ps, p, &pe, a, td, e, ++rnd[static_cast<std::size_t>(e.schicht)])) return false;
        // Now and then the person was planned into another slot first; that
        // record was set inactive when the plan changed.
        if (o.schichten >= 2 && e.fc1[0] == ' ' && z.chance(0.03)) {
            Einsatz alt = e;
            alt.schicht = (e.schicht + 1 + z.unter(o.schichten - 1)) % o.schichten;
            alt.sts = 'O';
            alt.inaktiv = true;
            if (!EinsatzSchreiben(ps, p, &pe, a, td, alt, 0)) return false;
        }
    }
    // Placeholders for open positions in some short slots.
    for (int s = 0; s < o.schichten; ++s) {
        if (besetzt[static_cast<std::size_t>(s)] < a.ziel[td.tt][s].sol && z.chance(0.5)) {
            Einsatz e;
            e.person = -1;
            e.schicht = s;
            e.sts = 'D';
            if (!EinsatzSchreiben(ps, p, nullptr, a, td, e, 99)) return false;
        }
    }

    // Working-time entries of every person of the workplace, and the
    // scheduling state for the next day.
    for (int k = 0; k < anz; ++k) {
        Person& pe = p.person[static_cast<std::size_t>(erster + k)];
        const int s = heute[static_cast<std::size_t>(k)];
        const char* modell = s < 0 ? kFreiModell : (pe.teilzeit ? kTeilzeitModell : kSchicht[s].modell);
        if (!ps.ztg_.t(pe.pnr).r(Julian(td.t)).t(modell).t(Kostenstelle(a)).t(pe.teilzeit ? "TZ" : "SCH").los())
            return false;
        ++ps.anzZtg;
        if (s < 0) {
            pe.folge = 0;
        } else {
            ++pe.folge;
            ++pe.gearbeitet;
        }
        pe.gestern = s;
    }
    return true;
}

bool MatrixZeilenSchreiben(Plansatz& ps, const Plan& p, const Optionen& o, const Arbeitsplatz& a,
                           const Tagesdaten& td) {
    const std::string& plg = p.plg[static_cast<std::size_t>(a.plg)].plg;
    for (int s = 0; s < o.schichten; ++s) {
        const Schicht& sc = kSchicht[s];
        const Ziel& zl = a.ziel[td.tt][s];
        // Counts, costs and the deviation are filled by the recount.
        Einfuegen& m = ps.bsm_;
        m.r(Julian(td.t)).t(a.eso).t(a.esa).i(sc.von).i(sc.bis).t(sc.bsz).i(td.d.jahr).i(td.d.monat).i(td.woche)
            .i(td.wochenjahr * 100 + td.woche).i(td.d.tag).t(kTagtypText[td.tt]).i(zl.sol).i(zl.min).i(zl.max)
            .i(0).t(plg).i(0).i(0).i(0).i(0).i(0).i(sc.asw).i(0).r(Julian(p.heute - 1) + 0.75).t(kErfasser)
            .i(0).r(0.0).r(0.0).i(0).i(0);
        if (!m.los()) return false;
        ++ps.anzBsm;
    }
    return true;
}

bool PlanSchreiben(Zufall& z, Plan& p, const Optionen& o, Plansatz& ps) {
    for (const Plangruppe& pg : p.plg) {
        for (int tagNr = 0; tagNr < o.tage; ++tagNr) {
            Tagesdaten td{};
            td.t = p.heute + tagNr;
            td.tt = TagtypVon(pg.kalender, td.t);
            td.d = Zivil(td.t);
            IsoWoche(td.t, td.woche, td.wochenjahr);
            std::vector<std::vector<int>> soll, frei;
            BesetzungPlanen(p, pg, o, td, tagNr, z, soll, frei);
            for (int e : pg.einheiten) {
                for (int ai : p.einheitPlaetze[static_cast<std::size_t>(e)]) {
                    const Arbeitsplatz& a = p.platz[static_cast<std::size_t>(ai)];
                    if (!TagBesetzen(ps, p, o, a, td, soll[static_cast<std::size_t>(ai)], frei[static_cast<std::size_t>(ai)], z)) return false;
                    if (!MatrixZeilenSchreiben(ps, p, o, a, td)) return false;
                }
            }
        }
    }
    return true;
}

// ---- the recount ------------------------------------------------------------

// Counts every staffing-matrix row of the plan with the optimiser's own
// recount. Returns the number of rows that could not be rewritten, or -1
// when the logon failed.
long MatrixNachzaehlen(const std::string& dbDir, const Optionen& o, const Plan& p, long& gezaehlt) {
    gezaehlt = 0;
    const std::string dienst = "sqlite:" + dbDir;
    int32_t r = dbConnect(o.user.c_str(), o.passwort.c_str(), dienst.c_str(), o.schema.c_str());
    if (r != 0) {
        std::fprintf(stderr, "dorvelian-demo: logon for the recount failed: RC %ld %s\n", static_cast<long>(r),
                     db::lastErrorText().c_str());
        return -1;
    }
    const std::string von = Text8(p.heute), bis = Text8(p.heute + o.tage - 1);
    long fehler = 0;
    for (const Plangruppe& pg : p.plg) {
        std::vector<Dvm725Bsm> zeilen;
        Bsm_PlgVonBis_Open(pg.plg.c_str(), von.c_str(), bis.c_str());
        Dvm725Bsm bsm;
        while ((r = Bsm_PlgVonBis_Read(bsm)) == 0) zeilen.push_back(bsm);
        Bsm_PlgVonBis_Close();
        if (r != 1403) {
            std::fprintf(stderr, "dorvelian-demo: reading the staffing matrix of %s failed: RC %ld %s\n",
                         pg.plg.c_str(), static_cast<long>(r), db::lastErrorText().c_str());
            ++fehler;
            continue;
        }
        for (Dvm725Bsm& z : zeilen) {
            if (Update_BsmSatz(z) != 1) ++fehler;
            else ++gezaehlt;
        }
    }
    db::disconnect();
    return fehler;
}

// ---- directory, configuration, command ------------------------------------------

bool ShellSicher(const std::string& s) {
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/._-+,:=@%", c))) return false;
    return !s.empty();
}
std::string Shell(const std::string& s) {
    if (ShellSicher(s)) return s;
    std::string o = "'";
    for (char c : s) {
        if (c == '\'') o += "'\\''";
        else o += c;
    }
    return o + "'";
}

std::string ProgrammVerzeichnis() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return ".";
    return exe.parent_path().string();
}

bool KonfigurationSchreiben(const std::string& pfad, const std::string& dienst, const Optionen& o) {
    std::string inhalt;
    const struct {
        const char* key;
        std::string wert;
    } items[4] = {{"NET8", dienst}, {"SCHEMA", o.schema + "."}, {"LOGIN", o.user}, {"PASS", o.passwort}};
    for (int i = 0; i < 4; ++i) {
        inhalt += "[dorvelian];dorvelian;\n";
        inhalt += std::to_string(i + 1) + ";" + items[i].key + ";" + Wert_Verschluesseln(items[i].wert) + "\n";
    }
    // The file holds the logon: readable by its owner only, also when an
    // older file of wider mode is replaced (its mode goes before its content).
    int fd = ::open(pfad.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, 0600) == 0;
    for (std::size_t getan = 0; ok && getan < inhalt.size();) {
        ssize_t n = ::write(fd, inhalt.data() + getan, inhalt.size() - getan);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) getan += static_cast<std::size_t>(n);
    }
    return (::close(fd) == 0) && ok;
}

bool Zaehlen(Db& db, const char* sql, long& n) {
    sqlite3_stmt* st = nullptr;
    n = 0;
    if (sqlite3_prepare_v2(db.h, sql, -1, &st, nullptr) != SQLITE_OK) return false;
    if (sqlite3_step(st) == SQLITE_ROW) n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return true;
}

int Fehlschlag(const char* was, const std::string& warum) {
    std::fprintf(stderr, "dorvelian-demo: %s: %s\n", was, warum.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    Optionen o;
    int rc = OptionenLesen(argc, argv, o);
    if (rc != 0) return rc < 0 ? 0 : rc;
    if (!o.start.empty() && StartTag(o.start) < 0) return Fehlbedienung("--start needs a date yyyymmdd, today or later");
    // The DDL files: a wrong --schema-dir is a usage error, none found beside
    // the program a broken installation.
    std::string ddlWarum;
    const bool schemaDirGegeben = !o.schemaDir.empty();
    o.schemaDir = SchemaVerzeichnisSuchen(o.schemaDir, ProgrammVerzeichnis(), ddlWarum);
    if (o.schemaDir.empty()) {
        if (!schemaDirGegeben) return Fehlschlag("no DDL files", ddlWarum);
        return Fehlbedienung("--schema-dir: " + ddlWarum);
    }
    if (o.ddl.empty()) o.ddl = o.schemaDir + "/sqlite";
    const auto start = std::chrono::steady_clock::now();

    std::error_code ec;
    fs::path demo = fs::absolute(o.dir, ec).lexically_normal();
    if (ec) return Fehlschlag("cannot resolve --dir", ec.message());
    if (demo.has_filename() == false) demo = demo.parent_path();
    if (fs::exists(demo, ec)) {
        if (!o.force) {
            std::fprintf(stderr, "dorvelian-demo: %s exists; use --force to replace its database\n",
                         demo.string().c_str());
            return 2;
        }
        if (!fs::is_directory(demo, ec)) {
            std::fprintf(stderr, "dorvelian-demo: %s exists and is not a directory\n", demo.string().c_str());
            return 2;
        }
        fs::remove_all(demo / "db", ec);
        if (ec) return Fehlschlag("cannot remove the old database", ec.message());
    }
    for (const fs::path& d : {demo / "db", demo / "work", demo / "zentravis_php" / "log"}) {
        fs::create_directories(d, ec);
        if (ec) return Fehlschlag("cannot create directory", d.string() + ": " + ec.message());
    }
    demo = fs::canonical(demo, ec);
    if (ec) return Fehlschlag("cannot resolve --dir", ec.message());
    const std::string dbDir = (demo / "db").string();
    const std::string dienst = "sqlite:" + dbDir;
    const std::string laufDienst = o.pg.empty() ? dienst : o.pg;
    if (laufDienst.find('@') != std::string::npos)
        return Fehlschlag("unusable directory", "the path must not contain '@' (it separates the logon items)");
    if (o.user.size() + 1 + o.passwort.size() + 1 + laufDienst.size() > kLogonTextMax ||
        laufDienst.size() > kConfigWertMaxKlar)
        return Fehlschlag(o.pg.empty() ? "unusable directory" : "unusable --pg",
                          "the logon text user/password@service must have at most " +
                              std::to_string(kLogonTextMax) + " characters, the service at most " +
                              std::to_string(kConfigWertMaxKlar) + ": " + laufDienst);

    Plan p;
    p.heute = Heute();
    if (!o.start.empty()) p.heute = StartTag(o.start);
    Zufall z{o.seed};
    p.schichten = o.schichten;
    StrukturBauen(o, z, p);

    // Create both database files and load the DDL.
    const std::string planDatei = dbDir + "/" + o.schema + ".db";
    const std::string masterDatei = dbDir + "/DVMASTER.db";
    Db db;
    if (sqlite3_open(planDatei.c_str(), &db.h) != SQLITE_OK)
        return Fehlschlag("cannot create", planDatei);
    std::string attach = "ATTACH DATABASE '";
    for (char c : masterDatei) attach += c == '\'' ? std::string("''") : std::string(1, c);
    attach += "' AS DVMASTER";
    bool ok = db.exec("PRAGMA journal_mode=WAL") && db.exec(attach.c_str()) &&
              db.exec("PRAGMA DVMASTER.journal_mode=WAL") && db.exec("PRAGMA synchronous=OFF") &&
              db.exec("PRAGMA DVMASTER.synchronous=OFF") && SkriptAusfuehren(db, o.ddl, "schema.sql", o.nullen) &&
              SkriptAusfuehren(db, o.ddl, "indexes.sql") && SkriptAusfuehren(db, o.ddl, "dvmaster.sql") &&
              SkriptAusfuehren(db, o.ddl, "views.sql");
    long anzBdp = 0, anzBsm = 0, anzZtg = 0;
    if (ok) {
        ok = db.exec("BEGIN");
        if (ok) {
            Plansatz ps(db);
            ok = KalenderSchreiben(db, p) && PlangruppenSchreiben(db, p) && ModelleSchreiben(db, p) &&
                 PersonenSchreiben(db, z, p) && PlanSchreiben(z, p, o, ps) && (!o.nullen || NullenStreuen(db, o.seed));
            anzBdp = ps.anzBdp;
            anzBsm = ps.anzBsm;
            anzZtg = ps.anzZtg;
        }
        ok = ok && db.exec("COMMIT");
    }
    if (!ok) {
        std::string warum = db.fehler;
        sqlite3_close_v2(db.h);
        return Fehlschlag("writing the plan failed", warum);
    }
    sqlite3_close_v2(db.h);
    db.h = nullptr;

    // Failures of the recount are logged where the optimiser's messages go.
    const std::string logDir = (demo / "zentravis_php" / "log").string();
    Log_Pfade_Setzen(logDir + "/dorvelian-demo.log", logDir + "/dorvelian-demo.bak");
    long gezaehlt = 0;
    const long nichtGezaehlt = MatrixNachzaehlen(dbDir, o, p, gezaehlt);
    if (nichtGezaehlt != 0)
        return Fehlschlag("the recount of the staffing matrix failed",
                          nichtGezaehlt < 0 ? "no logon" : std::to_string(nichtGezaehlt) + " rows, see " + logDir + "/dorvelian-demo.log");

    if (!o.pg.empty()) {
        PgZiel ziel{o.pg, o.user, o.passwort, o.schema, o.schemaDir + "/postgresql", o.force, {}};
        if (o.nullen)
            ziel.anpassungen = {"ALTER TABLE dvm730bdp DROP CONSTRAINT dvm730bdp_pkey",
                                "ALTER TABLE dvm730bdp ALTER COLUMN bdpakt DROP NOT NULL",
                                "CREATE UNIQUE INDEX dvm730bdp_key ON dvm730bdp (BdpPlg, BdpEso, BdpEsa, BdpPnr, "
                                "BdpBdt, BdpSzv, BdpAsw, BdpAkt)"};
        std::string warum;
        int pr = 1;
        if (sqlite3_open_v2(planDatei.c_str(), &db.h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
            db.exec(attach.c_str()))
            pr = PlanNachPostgres(db.h, ziel, warum);
        else
            warum = db.fehler.empty() ? sqlite3_errmsg(db.h) : db.fehler;
        sqlite3_close_v2(db.h);
        db.h = nullptr;
        if (pr == 2) {
            std::fprintf(stderr, "dorvelian-demo: %s\n", warum.c_str());
            return 2;
        }
        if (pr != 0) return Fehlschlag("loading the plan into PostgreSQL failed", warum);
    }

    const std::string cfg = (demo / "work" / "dorvelian.cfg").string();
    if (!KonfigurationSchreiben(cfg, laufDienst, o)) return Fehlschlag("cannot write", cfg);

    long unter = 0, ueber = 0;
    if (sqlite3_open_v2(planDatei.c_str(), &db.h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        Zaehlen(db, "select count(*) from Dvm725Bsm where BsmFkt<0", unter);
        Zaehlen(db, "select count(*) from Dvm725Bsm where BsmFkt>0", ueber);
    }
    sqlite3_close_v2(db.h);

    const double sekunden =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("Demo plan written to %s (%.1f s)\n", demo.string().c_str(), sekunden);
    if (!o.pg.empty()) std::printf("  and loaded into %s, schemas %s and dvmaster\n", o.pg.c_str(), o.schema.c_str());
    std::printf("  schema %s: %zu plan groups, %zu units, %zu workplaces, %zu persons, %d days from %s\n",
                o.schema.c_str(), p.plg.size(), p.einheitCode.size(), p.platz.size(), p.person.size(), o.tage,
                Text8(p.heute).c_str());
    std::printf("  %ld deployments, %ld working-time entries, %ld staffing-matrix rows, %ld of them recounted "
                "(%ld understaffed, %ld overstaffed)\n",
                anzBdp, anzZtg, anzBsm, gezaehlt, unter, ueber);
    std::printf("Run the optimiser with:\n");
    const std::string zeitraum =
        o.start.empty() ? "00000000 00000000" : Text8(p.heute) + " " + Text8(p.heute + o.tage - 1);
    std::printf("  cd %s && %s dorvelian.cfg demo %s PLG JOB0001 KEY0001 00000 00000 00000 PLAN_OPTIM\n",
                Shell((demo / "work").string()).c_str(), Shell(ProgrammVerzeichnis() + "/dorvelian").c_str(),
                zeitraum.c_str());
    std::printf("The run log is %s/dorvelian_%s.log\n", logDir.c_str(), o.schema.c_str());
    return 0;
}
