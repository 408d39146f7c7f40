// The program's entry: "--help" and "--version" as the only argument answer
// on standard output; every other command line is a run (see run/Main.cpp).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/Laufbilanz.hpp"
#include "db/Runtime.hpp"
#include "run/Main.hpp"

namespace {
constexpr char kUsage[] =
    "usage: dorvelian CONFIG USER BEGIN END LEVEL JOBSTAMP JOBKEY PLANGROUP UNIT WORKPLACE MODE\n"
    "       dorvelian --help | --version\n"
    "\n"
    "Writes reassignment proposals for the understaffed slots of one plan group, or of\n"
    "all of them, and error rows for the staffing problems left after the run.\n"
    "\n"
    "  CONFIG     path of the enciphered configuration file (see dorvelian-config)\n"
    "  USER       user name of the run (first 50 characters, cut at the first blank)\n"
    "  BEGIN      plan begin yyyymmdd, or 00000000 for today\n"
    "  END        plan end yyyymmdd, or 00000000 for the plan group's horizon\n"
    "  LEVEL      placeholder; each plan group's own level is used\n"
    "  JOBSTAMP   caller's job stamp (14 characters), copied into every error row\n"
    "  JOBKEY     caller's job key (32 characters), copied into every error row\n"
    "  PLANGROUP  plan group, or 00000 for all plan groups in key order\n"
    "  UNIT       organisational unit, or 00000 for none\n"
    "  WORKPLACE  workplace, or 00000 for none\n"
    "  MODE       PLAN_OPTIM or AUTO_OPTIM (recorded only)\n"
    "\n"
    "The exit code of a run is always 0. Success and failure stand in the run log\n"
    "../zentravis_php/log/dorvelian_SCHEMA.log, relative to the working directory:\n"
    "a run succeeded when its start line is followed by its end line with no\n"
    "\"-Fehler:\" line between them. With DORVELIAN_STATS=FILE a run summary is\n"
    "written to FILE at the end of the run.\n";
}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("dorvelian %s\n", DORVELIAN_VERSION);
        return 0;
    }
    int r = Main(argc, argv);
    // DORVELIAN_STATS=FILE: the run summary (base/Laufbilanz.hpp). Without the
    // variable nothing is written; a file that cannot be written is reported
    // on standard error and changes nothing else.
    if (const char* path = std::getenv("DORVELIAN_STATS"); path && *path) {
        if (!Laufbilanz_Schreiben(path, db::statementCount(), db::fetchCount(), db::roundTripCount()))
            std::fprintf(stderr, "dorvelian: cannot write the run summary to %s\n", path);
    }
    return r;
}
