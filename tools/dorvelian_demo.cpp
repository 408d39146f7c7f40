// dorvelian-demo: creates a complete demo plan as an SQLite schema
// directory, with the configuration file and the run log folder, and prints
// the command line that runs the optimiser on it.
//
//   dorvelian-demo --dir DIR [--force] [--seed N] [--days N] [--plangroups N]
//                  [--units N] [--workplaces N] [--slots N] [--persons N]
//                  [--schema NAME]
//
// Layout: DIR/db/SCHEMA.db and DIR/db/DVMASTER.db, DIR/work (the working
// directory), DIR/work/dorvelian.cfg, DIR/zentravis_php/log (the run log).
// The staffing matrix is recounted by the program's own recount, so that its
// counts and deviations agree with the deployments.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "db/Bsm.hpp"
#include "db/Connect.hpp"
#include "db/JulianDate.hpp"
#include "optim/Nachzaehlung.hpp"
#include "run/Config.hpp"

namespace fs = std::filesystem;

namespace {

struct Options {
    std::string dir;
    std::string schema = "PLAN";
    bool force = false;
    uint64_t seed = 1;
    int days = 14;
    int plangroups = 2;
    int units = 3;
    int workplaces = 2;
    int slots = 3;
    int persons = 0;  // per workplace; 0 = enough for the targets and some spare
};

// splitmix64: small, fast and the same on every platform.
struct Zufall {
    uint64_t s;
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int bis(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<uint64_t>(n)); }
};

struct Schicht {
    const char* code;
    int von, bis, asw;
    int sollWerktag, sollWochenende;
};
const Schicht kSchichten[] = {{"F", 360, 840, 1, 3, 2}, {"S", 840, 1320, 1, 3, 2}, {"N", 1320, 360, 2, 2, 1}};

[[noreturn]] void fehler(const std::string& text) {
    std::fprintf(stderr, "dorvelian-demo: %s\n", text.c_str());
    std::exit(2);
}

class Db {
public:
    explicit Db(const std::string& file) {
        if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK) fehler("cannot create " + file);
    }
    ~Db() {
        for (auto* s : stmts_) sqlite3_finalize(s);
        sqlite3_close(db_);
    }
    void exec(const std::string& sql) {
        char* err = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            std::string e = err ? err : "?";
            sqlite3_free(err);
            fehler("SQL failed: " + e);
        }
    }
    sqlite3_stmt* prepare(const char* sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK) fehler(sqlite3_errmsg(db_));
        stmts_.push_back(s);
        return s;
    }
    // Binds the values in order and runs the statement once.
    template <typename... T>
    void run(sqlite3_stmt* s, const T&... values) {
        int i = 1;
        (bind(s, i++, values), ...);
        if (sqlite3_step(s) != SQLITE_DONE) fehler(sqlite3_errmsg(db_));
        sqlite3_reset(s);
    }

private:
    static void bind(sqlite3_stmt* s, int i, int v) { sqlite3_bind_int(s, i, v); }
    static void bind(sqlite3_stmt* s, int i, double v) { sqlite3_bind_double(s, i, v); }
    static void bind(sqlite3_stmt* s, int i, const std::string& v) {
        sqlite3_bind_text(s, i, v.c_str(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    static void bind(sqlite3_stmt* s, int i, const char* v) { sqlite3_bind_text(s, i, v, -1, SQLITE_TRANSIENT); }
    static void bind(sqlite3_stmt* s, int i, std::nullptr_t) { sqlite3_bind_null(s, i); }
    sqlite3* db_ = nullptr;
    std::vector<sqlite3_stmt*> stmts_;
};

std::string lies(const std::string& pfad) {
    std::ifstream f(pfad);
    if (!f) fehler("missing DDL " + pfad);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

int64_t heuteTage() {
    std::time_t t = std::time(nullptr);
    std::tm lt{};
    localtime_r(&t, &lt);
    return db::jd::daysFromCivil(lt.tm_year + 1900, static_cast<unsigned>(lt.tm_mon + 1),
                                 static_cast<unsigned>(lt.tm_mday));
}
double julian(int64_t tage) { return 2440587.5 + static_cast<double>(tage); }
std::string text(int64_t tage) {
    std::string out;
    db::jd::format(julian(tage), "yyyymmdd", out);
    return out;
}
int wochentag(int64_t tage) { return static_cast<int>(((tage % 7) + 7 + 3) % 7) + 1; }  // 1 Monday .. 7 Sunday
std::string tagesart(int64_t tage) {
    int w = wochentag(tage);
    return w == 6 ? "SA" : w == 7 ? "SO" : "WT";
}

std::string zahl(int v, int breite) {
    char b[16];
    std::snprintf(b, sizeof b, "%0*d", breite, v);
    return b;
}

Options lesen(int argc, char** argv) {
    Options o;
    auto wert = [&](int& i) -> std::string {
        if (i + 1 >= argc) fehler(std::string("missing value after ") + argv[i]);
        return argv[++i];
    };
    auto ganz = [&](int& i, int lo, int hi) {
        std::string v = wert(i);
        char* end = nullptr;
        long x = std::strtol(v.c_str(), &end, 10);
        if (*end || x < lo || x > hi) fehler("value of " + std::string(argv[i - 1]) + " must lie from " +
                                             std::to_string(lo) + " to " + std::to_string(hi));
        return static_cast<int>(x);
    };
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::printf("usage: dorvelian-demo --dir DIR [--force] [--seed N] [--days N] [--plangroups N] [--units N]\n"
                        "                      [--workplaces N] [--slots N] [--persons N] [--schema NAME]\n");
            std::exit(0);
        }
        if (a == "--dir") o.dir = wert(i);
        else if (a == "--schema") o.schema = wert(i);
        else if (a == "--force") o.force = true;
        else if (a == "--seed") o.seed = static_cast<uint64_t>(ganz(i, 0, 2000000000));
        else if (a == "--days") o.days = ganz(i, 1, 366);
        else if (a == "--plangroups") o.plangroups = ganz(i, 1, 9);
        else if (a == "--units") o.units = ganz(i, 1, 99);
        else if (a == "--workplaces") o.workplaces = ganz(i, 1, 9);
        else if (a == "--slots") o.slots = ganz(i, 1, 3);
        else if (a == "--persons") o.persons = ganz(i, 1, 99);
        else fehler("unknown option " + a +
                    " (options: --dir DIR --force --seed N --days N --plangroups N --units N --workplaces N"
                    " --slots N --persons N --schema NAME)");
    }
    if (o.dir.empty()) fehler("--dir DIR is required");
    if (o.schema.empty() || o.schema.size() > 20) fehler("--schema takes 1 to 20 characters");
    for (char c : o.schema)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) fehler("--schema: letters, digits and _ only");
    if (o.persons == 0) {
        int bedarf = 0;
        for (int s = 0; s < o.slots; ++s) bedarf += kSchichten[s].sollWerktag + 2;
        o.persons = bedarf + 2;
    }
    return o;
}

void erzeugen(const Options& o, const std::string& dbDir) {
    Zufall z{o.seed};
    const int64_t heute = heuteTage();
    Db d(dbDir + "/" + o.schema + ".db");
    d.exec("PRAGMA journal_mode=WAL");
    d.exec("ATTACH DATABASE '" + dbDir + "/DVMASTER.db' AS DVMASTER");
    const std::string ddl = std::string(DORVELIAN_SCHEMA_DIR) + "/sqlite/";
    d.exec(lies(ddl + "schema.sql"));
    d.exec(lies(ddl + "indexes.sql"));
    d.exec(lies(ddl + "dvmaster.sql"));
    d.exec("BEGIN");

    // Central calendar: two years back and two years ahead.
    auto bak = d.prepare("INSERT INTO DVMASTER.Dvm133Bak (BakDtm, BakJhr, BakMon, BakTag, BakWch, BakWtg, BakJtg) "
                         "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    for (int64_t t = heute - 730; t <= heute + 730; ++t) {
        int64_t y;
        unsigned m, dd;
        db::jd::civilFromDays(t, y, m, dd);
        int jtg = static_cast<int>(t - db::jd::daysFromCivil(y, 1, 1)) + 1;
        d.run(bak, julian(t), static_cast<int>(y), static_cast<int>(m), static_cast<int>(dd), (jtg - 1) / 7 + 1,
              wochentag(t), jtg);
    }

    // Plan groups, with their calendar; one own-calendar holiday each.
    auto plg = d.prepare("INSERT INTO Dvm701Plg (PlgPlg, PlgTxt, PlgKal, PlgHzt, PlgSta, PlgErf, PlgQu2, PlgAr2, "
                         "PlgRu2, PlgMe2, PlgOpt, PlgOpl) VALUES (?1, ?2, ?3, 1, 0, 'DEMO', 1, 1, 1, 0, 1, ?4)");
    auto ka2 = d.prepare("INSERT INTO Dvm133Ka2 (Ka2Num, Ka2Dtm, Ka2Ttp, Ka2Ptp, Ka2Gwt) VALUES (?1, ?2, ?3, ?3, 1)");
    auto pka = d.prepare("INSERT INTO Dvm755Pka (PkaPlg, PkaNum, PkaDtm, PkaTtp, PkaGwt) VALUES (?1, ?2, ?3, 'FT', 0)");
    for (int p = 1; p <= o.plangroups; ++p) {
        std::string name = "PG" + zahl(p, 2);
        std::string kal = "K" + zahl(p, 1);
        d.run(plg, name, "Demo plan group " + std::to_string(p), kal, (p - 1) % 3 + 1);
        for (int64_t t = heute - 30; t <= heute + o.days + 400; ++t) d.run(ka2, kal, julian(t), tagesart(t));
        d.run(pka, name, kal, julian(heute + 3));
    }

    // Working-time models, substitute models, cost rate.
    d.exec("INSERT INTO Dvm140Azv VALUES ('TAG', " + std::to_string(julian(heute - 3650)) + ", NULL, 420, 900, 360, 1320, 480)");
    d.exec("INSERT INTO Dvm140Azv VALUES ('NACHT', " + std::to_string(julian(heute - 3650)) + ", NULL, 1320, 300, 1260, 420, 480)");
    d.exec("INSERT INTO Dvm140Azv VALUES ('FRUEH', " + std::to_string(julian(heute - 3650)) + ", NULL, 360, 840, 300, 900, 480)");
    d.exec("INSERT INTO Dvm162Ers VALUES ('G1', 'TAG', 'NACHT'), ('G1', 'TAG', 'FRUEH'), ('G1', 'NACHT', 'TAG')");
    d.exec("INSERT INTO Dvm708Pss VALUES ('KS1', " + std::to_string(julian(heute - 3650)) + ", NULL, 24.5), ('KS2', " +
           std::to_string(julian(heute - 3650)) + ", NULL, NULL)");

    auto bss = d.prepare("INSERT INTO Dvm720Bss (BssPlg, BssEso, BssEsa, BssTtp, BssVon, BssBis, BssBsz, BssTxt, BssSol, "
                         "BssMax, BssMin, BssMwt, BssVtg, BssAtg, BssKgw, BssKmw, BssAsw) "
                         "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, 0, 0, 0, 0, 0, ?12)");
    auto pgz = d.prepare("INSERT INTO Dvm712Pgz VALUES (?1, ?2, ?3, ?4, 11)");
    auto qea = d.prepare("INSERT INTO Dvm717Qea VALUES (?1, ?2)");
    auto pbv = d.prepare("INSERT INTO Dvm710Pbv VALUES (?1, ?2, NULL, ?3, ?4, ?5, ?6, ?7)");
    auto qzp = d.prepare("INSERT INTO Dvm716Qzp VALUES (?1, ?2, ?3, NULL)");
    auto ztg = d.prepare("INSERT INTO Dvm329Ztg VALUES (?1, ?2, ?3, 'KST100', 'G1')");
    auto bsm = d.prepare("INSERT INTO Dvm725Bsm (BsmBdt, BsmEso, BsmEsa, BsmSzv, BsmSzb, BsmBsz, BsmJhr, BsmMon, BsmTag, "
                         "BsmTtp, BsmSol, BsmMin, BsmMax, BsmPlg, BsmAsw, BsmErf, BsmKos, BsmKo2) "
                         "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, 'DEMO', 0, 0)");
    auto bdp = d.prepare("INSERT INTO Dvm730Bdp (BdpPnr, BdpBdt, BdpEso, BdpEsa, BdpSzv, BdpSzb, BdpBsz, BdpTtp, BdpZtv, "
                         "BdpZtb, BdpKst, BdpFc1, BdpPlg, BdpAsw, BdpAwp, BdpSts, BdpSta, BdpErf, BdpAzt, BdpRnd, BdpAkt, "
                         "BdpBnr, BdpPau, BdpKos) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, 'KST100', ?11, ?12, ?13, "
                         "?14, ' ', 0, 'DEMO', ?15, ?16, ?17, ?18, 30, ?19)");

    const double gueltigAb = julian(heute - 365);
    for (int p = 1; p <= o.plangroups; ++p) {
        const std::string pg = "PG" + zahl(p, 2);
        for (int e = 1; e <= o.units; ++e) {
            const std::string eso = "E" + zahl(p, 1) + zahl(e, 2);
            for (int a = 1; a <= o.workplaces; ++a) {
                const std::string esa = "A" + zahl(p, 1) + zahl(e, 2) + zahl(a, 1);
                const std::string qual = "Q" + zahl(e, 2) + zahl(a, 1);
                d.run(qea, esa, qual);
                d.run(pgz, pg, eso, esa, z.bis(4) == 0 ? 8 : 10);
                for (int s = 0; s < o.slots; ++s) {
                    const Schicht& sch = kSchichten[s];
                    for (const char* ttp : {"WT", "SA", "SO", "FT"}) {
                        int sol = std::strcmp(ttp, "WT") == 0 ? sch.sollWerktag : sch.sollWochenende;
                        d.run(bss, pg, eso, esa, ttp, sch.von, sch.bis, sch.code, std::string("Schicht ") + sch.code,
                              sol, sol + 1, sol - 1, sch.asw);
                    }
                }
                // Persons of the workplace: assignment, qualification, working time.
                std::vector<std::string> personen;
                std::vector<int> art;
                for (int k = 1; k <= o.persons; ++k) {
                    std::string pnr = "P" + zahl(p, 1) + zahl(e, 2) + zahl(a, 1) + zahl(k, 2);
                    int awp = k % 11 == 0 ? 3 : (k % 3 == 0 ? 2 : 1);
                    personen.push_back(pnr);
                    art.push_back(awp);
                    d.run(pbv, pnr, gueltigAb, k % 2 + 1, eso, esa, awp, k % 5 == 0 ? "KS2" : "KS1");
                    // Most hold their workplace's qualification; some only a neighbour's.
                    d.run(qzp, pnr, z.bis(6) == 0 ? "Q" + zahl(e % o.units + 1, 2) + zahl(a, 1) : qual, gueltigAb);
                    for (int64_t t = heute - 1; t <= heute + o.days; ++t)
                        if (z.bis(20) != 0) d.run(ztg, pnr, julian(t), k % 4 == 0 ? "NACHT" : "TAG");
                }

                // Deployments: around the target, so that some slots are short
                // and others over; each person works at most one slot a day.
                for (int64_t t = heute - 1; t <= heute + o.days; ++t) {
                    const std::string ttp = t == heute + 3 ? "FT" : tagesart(t);
                    int64_t y;
                    unsigned m, dd;
                    db::jd::civilFromDays(t, y, m, dd);
                    int naechste = z.bis(o.persons);
                    int frei = o.persons;
                    for (int s = 0; s < o.slots; ++s) {
                        const Schicht& sch = kSchichten[s];
                        int sol = ttp == "WT" ? sch.sollWerktag : sch.sollWochenende;
                        d.run(bsm, julian(t), eso, esa, sch.von, sch.bis, sch.code, static_cast<int>(y),
                              static_cast<int>(m), static_cast<int>(dd), ttp, sol, sol - 1, sol + 1, pg, sch.asw);
                        int anzahl = std::max(0, sol + z.bis(5) - 2);
                        anzahl = std::min(anzahl, frei);
                        frei -= anzahl;
                        for (int r = 1; r <= anzahl; ++r) {
                            int k = naechste;
                            naechste = (naechste + 1) % o.persons;
                            int ztb = sch.bis;
                            if (z.bis(12) == 0) ztb = (sch.bis + 1380) % 1440;  // leaves an hour early
                            const char* fc1 = z.bis(15) == 0 ? "SL " : "   ";
                            int akt = z.bis(30) == 0 ? 9999 : 1;
                            d.run(bdp, personen[static_cast<std::size_t>(k)], julian(t), eso, esa, sch.von, sch.bis,
                                  sch.code, ttp, sch.von, ztb, fc1, pg, sch.asw, art[static_cast<std::size_t>(k)], 480,
                                  r, akt, r, 190.0 + z.bis(40));
                        }
                    }
                }
            }
        }
    }
    d.exec("COMMIT");
}

// Recounts every matrix row with the program's own recount.
void nachzaehlen(const Options& o, const std::string& dbDir) {
    std::string service = "sqlite:" + dbDir;
    if (dbConnect("demo", "demo", service.c_str(), o.schema.c_str()) != 0) fehler("cannot log on to " + service);
    for (int p = 1; p <= o.plangroups; ++p) {
        std::string pg = "PG" + zahl(p, 2);
        std::vector<Dvm725Bsm> zeilen;
        Dvm725Bsm z;
        Bsm_PlgVonBis_Open(pg.c_str(), "19000101", "29991231");
        while (Bsm_PlgVonBis_Read(z) == 0) zeilen.push_back(z);
        Bsm_PlgVonBis_Close();
        for (Dvm725Bsm& zeile : zeilen)
            if (!Update_BsmSatz(zeile)) fehler("recount of a matrix row failed");
    }
}

void konfiguration(const Options& o, const std::string& pfad, const std::string& dbDir) {
    std::ofstream f(pfad, std::ios::binary | std::ios::trunc);
    f << "[dorvelian];dorvelian;\n1;NET8;" << Wert_Verschluesseln("sqlite:" + dbDir) << "\n"
      << "[dorvelian];dorvelian;\n2;SCHEMA;" << Wert_Verschluesseln(o.schema + ".") << "\n"
      << "[dorvelian];dorvelian;\n3;LOGIN;" << Wert_Verschluesseln("demo") << "\n"
      << "[dorvelian];dorvelian;\n4;PASS;" << Wert_Verschluesseln("demo") << "\n";
    if (!f) fehler("cannot write " + pfad);
    fs::permissions(pfad, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
}

}  // namespace

int main(int argc, char** argv) {
    Options o = lesen(argc, argv);
    std::error_code ec;
    const fs::path root = fs::absolute(o.dir);
    const std::string dbDir = (root / "db").string();
    if (fs::exists(root / "db")) {
        if (!o.force) fehler(root.string() + " holds a demo already; --force replaces it");
        fs::remove_all(root / "db", ec);
    }
    fs::create_directories(root / "db");
    fs::create_directories(root / "work");
    fs::create_directories(root / "zentravis_php" / "log");
    // DVMASTER.db must exist before it is attached.
    { Db master(dbDir + "/DVMASTER.db"); }

    erzeugen(o, dbDir);
    nachzaehlen(o, dbDir);
    konfiguration(o, (root / "work" / "dorvelian.cfg").string(), dbDir);

    char self[4096] = {};
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string bin = n > 0 ? fs::path(std::string(self, static_cast<std::size_t>(n))).parent_path().string() : ".";
    std::printf("Demo plan created in %s\n", root.string().c_str());
    std::printf("Run the optimiser:\n  cd %s && %s/dorvelian dorvelian.cfg demo 00000000 00000000 PLG JOB0001 KEY0001 "
                "00000 00000 00000 PLAN_OPTIM\n",
                (root / "work").string().c_str(), bin.c_str());
    std::printf("Run log: %s\n", (root / "zentravis_php" / "log" / ("dorvelian_" + o.schema + ".log")).string().c_str());
    return 0;
}
