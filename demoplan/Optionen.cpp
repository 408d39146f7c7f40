// Reading the options of dorvelian-demo.
#include "demoplan/Optionen.hpp"

#include <getopt.h>
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "run/Config.hpp"

namespace demoplan {

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

namespace {

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

}  // namespace

int Fehlbedienung(const std::string& was) {
    std::fprintf(stderr, "dorvelian-demo: %s\n", was.c_str());
    std::fprintf(stderr, "Try 'dorvelian-demo --help' for the usage.\n");
    return 2;
}

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
            case kHelp: Usage(stdout); return kHilfeGegeben;
            case kVersion: return kVersionGefragt;
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

}  // namespace demoplan
