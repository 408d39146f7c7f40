// dorvelian-demo: creates a complete demo plan as an SQLite schema directory,
// with the working directory, log folder and configuration file the
// optimiser runs with, and prints the command that runs it. The options are
// demoplan/Optionen, the plan model demoplan/Modell, the writers
// demoplan/Schreiber; this file prepares the folders, runs them in order and
// reports.
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
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "base/Log.hpp"
#include "demoplan/DemoPostgres.hpp"
#include "demoplan/Modell.hpp"
#include "demoplan/Optionen.hpp"
#include "demoplan/SchemaDir.hpp"
#include "demoplan/Schreiber.hpp"
#include "run/Config.hpp"

namespace fs = std::filesystem;
using namespace demoplan;

namespace {

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
    const std::string inhalt = Anmeldung_Saetze(dienst, o.schema, o.user, o.passwort);
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

int Fehlschlag(const char* was, const std::string& warum) {
    std::fprintf(stderr, "dorvelian-demo: %s: %s\n", was, warum.c_str());
    return 1;
}

// The places of one demo plan.
struct Orte {
    fs::path demo;            // DEMO, resolved
    std::string dbDir;        // DEMO/db
    std::string laufDienst;   // the service the run logs on to: sqlite:DEMO/db or the --pg URI
    std::string planDatei;    // DEMO/db/SCHEMA.db
    std::string attach;       // the statement that attaches DVMASTER.db
    std::string logDir;       // DEMO/zentravis_php/log
};

// Creates DEMO's folders (with --force its old database goes) and checks
// that the logon text fits. Returns 0, or the exit code.
int VerzeichnisVorbereiten(const Optionen& o, Orte& orte) {
    std::error_code ec;
    fs::path& demo = orte.demo;
    demo = fs::absolute(o.dir, ec).lexically_normal();
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
    orte.dbDir = (demo / "db").string();
    orte.laufDienst = o.pg.empty() ? "sqlite:" + orte.dbDir : o.pg;
    const std::string& laufDienst = orte.laufDienst;
    if (laufDienst.find('@') != std::string::npos)
        return Fehlschlag("unusable directory", "the path must not contain '@' (it separates the logon items)");
    if (o.user.size() + 1 + o.passwort.size() + 1 + laufDienst.size() > kAnmeldeTextMax ||
        laufDienst.size() > kConfigWertMaxKlar)
        return Fehlschlag(o.pg.empty() ? "unusable directory" : "unusable --pg",
                          "the logon text user/password@service must have at most " +
                              std::to_string(kAnmeldeTextMax) + " characters, the service at most " +
                              std::to_string(kConfigWertMaxKlar) + ": " + laufDienst);

    orte.planDatei = orte.dbDir + "/" + o.schema + ".db";
    const std::string masterDatei = orte.dbDir + "/DVMASTER.db";
    orte.attach = "ATTACH DATABASE '";
    for (char c : masterDatei) orte.attach += c == '\'' ? std::string("''") : std::string(1, c);
    orte.attach += "' AS DVMASTER";
    orte.logDir = (demo / "zentravis_php" / "log").string();
    return 0;
}

// Row counts of the written plan.
struct Zaehler {
    long bdp = 0, bsm = 0, ztg = 0;
};

// Creates both database files, loads the DDL and writes the plan in one
// transaction. Returns 0, or the exit code.
int PlanSchreibenInDateien(const Optionen& o, Plan& p, Zufall& z, const Orte& orte, Zaehler& n) {
    Db db;
    if (sqlite3_open(orte.planDatei.c_str(), &db.h) != SQLITE_OK)
        return Fehlschlag("cannot create", orte.planDatei);
    bool ok = db.exec("PRAGMA journal_mode=WAL") && db.exec(orte.attach.c_str()) &&
              db.exec("PRAGMA DVMASTER.journal_mode=WAL") && db.exec("PRAGMA synchronous=OFF") &&
              db.exec("PRAGMA DVMASTER.synchronous=OFF") && SkriptAusfuehren(db, o.ddl, "schema.sql", o.nullen) &&
              SkriptAusfuehren(db, o.ddl, "indexes.sql") && SkriptAusfuehren(db, o.ddl, "dvmaster.sql") &&
              SkriptAusfuehren(db, o.ddl, "views.sql");
    if (ok) {
        ok = db.exec("BEGIN");
        if (ok) {
            Plansatz ps(db);
            ok = KalenderSchreiben(db, p) && PlangruppenSchreiben(db, p) && ModelleSchreiben(db, p) &&
                 PersonenSchreiben(db, z, p) && PlanSchreiben(z, p, o, ps) && (!o.nullen || NullenStreuen(db, o.seed));
            n.bdp = ps.anzBdp;
            n.bsm = ps.anzBsm;
            n.ztg = ps.anzZtg;
        }
        ok = ok && db.exec("COMMIT");
    }
    if (!ok) {
        std::string warum = db.fehler;
        sqlite3_close_v2(db.h);
        return Fehlschlag("writing the plan failed", warum);
    }
    sqlite3_close_v2(db.h);
    return 0;
}

// The recount of the staffing matrix; its failures are logged where the
// optimiser's messages go. Returns 0, or the exit code.
int Nachzaehlen(const Optionen& o, const Plan& p, const Orte& orte, long& gezaehlt) {
    const std::string& logDir = orte.logDir;
    Log_Pfade_Setzen(logDir + "/dorvelian-demo.log", logDir + "/dorvelian-demo.bak");
    const long nichtGezaehlt = MatrixNachzaehlen(orte.dbDir, o, p, gezaehlt);
    if (nichtGezaehlt != 0)
        return Fehlschlag("the recount of the staffing matrix failed",
                          nichtGezaehlt < 0 ? "no logon" : std::to_string(nichtGezaehlt) + " rows, see " + logDir + "/dorvelian-demo.log");
    return 0;
}

// With --pg: the written plan copied to the server. Returns 0, or the exit code.
int NachPostgres(const Optionen& o, const Orte& orte) {
    PgZiel ziel{o.pg, o.user, o.passwort, o.schema, o.schemaDir + "/postgresql", o.force, {}};
    if (o.nullen)
        ziel.anpassungen = {"ALTER TABLE dvm730bdp DROP CONSTRAINT dvm730bdp_pkey",
                            "ALTER TABLE dvm730bdp ALTER COLUMN bdpakt DROP NOT NULL",
                            "CREATE UNIQUE INDEX dvm730bdp_key ON dvm730bdp (BdpPlg, BdpEso, BdpEsa, BdpPnr, "
                            "BdpBdt, BdpSzv, BdpAsw, BdpAkt)"};
    std::string warum;
    int pr = 1;
    Db db;
    if (sqlite3_open_v2(orte.planDatei.c_str(), &db.h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        db.exec(orte.attach.c_str()))
        pr = PlanNachPostgres(db.h, ziel, warum);
    else
        warum = db.fehler.empty() ? sqlite3_errmsg(db.h) : db.fehler;
    sqlite3_close_v2(db.h);
    if (pr == 2) {
        std::fprintf(stderr, "dorvelian-demo: %s\n", warum.c_str());
        return 2;
    }
    if (pr != 0) return Fehlschlag("loading the plan into PostgreSQL failed", warum);
    return 0;
}

// What was written, and the command that runs the optimiser on it.
void Zusammenfassung(const Optionen& o, const Plan& p, const Orte& orte, const Zaehler& n, long gezaehlt,
                     std::chrono::steady_clock::time_point start) {
    long unter = 0, ueber = 0;
    Db db;
    if (sqlite3_open_v2(orte.planDatei.c_str(), &db.h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        Zaehlen(db, "select count(*) from Dvm725Bsm where BsmFkt<0", unter);
        Zaehlen(db, "select count(*) from Dvm725Bsm where BsmFkt>0", ueber);
    }
    sqlite3_close_v2(db.h);

    const double sekunden =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const fs::path& demo = orte.demo;
    std::printf("Demo plan written to %s (%.1f s)\n", demo.string().c_str(), sekunden);
    if (!o.pg.empty()) std::printf("  and loaded into %s, schemas %s and dvmaster\n", o.pg.c_str(), o.schema.c_str());
    std::printf("  schema %s: %zu plan groups, %zu units, %zu workplaces, %zu persons, %d days from %s\n",
                o.schema.c_str(), p.plg.size(), p.einheitCode.size(), p.platz.size(), p.person.size(), o.tage,
                Text8(p.heute).c_str());
    std::printf("  %ld deployments, %ld working-time entries, %ld staffing-matrix rows, %ld of them recounted "
                "(%ld understaffed, %ld overstaffed)\n",
                n.bdp, n.ztg, n.bsm, gezaehlt, unter, ueber);
    std::printf("Run the optimiser with:\n");
    const std::string zeitraum =
        o.start.empty() ? "00000000 00000000" : Text8(p.heute) + " " + Text8(p.heute + o.tage - 1);
    std::printf("  cd %s && %s dorvelian.cfg demo %s PLG JOB0001 KEY0001 00000 00000 00000 PLAN_OPTIM\n",
                Shell((demo / "work").string()).c_str(), Shell(ProgrammVerzeichnis() + "/dorvelian").c_str(),
                zeitraum.c_str());
    std::printf("The run log is %s/dorvelian_%s.log\n", orte.logDir.c_str(), o.schema.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    Optionen o;
    int rc = OptionenLesen(argc, argv, o);
    if (rc == kVersionGefragt) {
        std::printf("dorvelian-demo %s\n", DORVELIAN_VERSION);
        return 0;
    }
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

    Orte orte;
    if ((rc = VerzeichnisVorbereiten(o, orte)) != 0) return rc;

    Plan p;
    p.heute = Heute();
    if (!o.start.empty()) p.heute = StartTag(o.start);
    Zufall z{o.seed};
    p.schichten = o.schichten;
    StrukturBauen(o, z, p);

    Zaehler n;
    if ((rc = PlanSchreibenInDateien(o, p, z, orte, n)) != 0) return rc;
    long gezaehlt = 0;
    if ((rc = Nachzaehlen(o, p, orte, gezaehlt)) != 0) return rc;
    if (!o.pg.empty() && (rc = NachPostgres(o, orte)) != 0) return rc;

    const std::string cfg = (orte.demo / "work" / "dorvelian.cfg").string();
    if (!KonfigurationSchreiben(cfg, orte.laufDienst, o)) return Fehlschlag("cannot write", cfg);

    Zusammenfassung(o, p, orte, n, gezaehlt, start);
    return 0;
}
