#include "support/TestDb.hpp"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "db/JulianDate.hpp"
#include "db/Runtime.hpp"
#include "support/ServerDb.hpp"

namespace testdb {

namespace {

// The backend of the TestDb made last; the free SQL helpers follow it.
Backend g_active = Backend::Sqlite;
int g_live = 0;

void check(sqlite3* db, int r, const std::string& what) {
    if (r != SQLITE_OK) throw std::runtime_error(what + ": " + sqlite3_errmsg(db));
}

std::string ddlText(const std::string& dialect, const std::string& file) {
    std::string sql = readFile(std::string(DORVELIAN_SCHEMA_DIR) + "/" + dialect + "/" + file);
    if (sql.empty()) throw std::runtime_error("missing DDL " + dialect + "/" + file);
    return sql;
}

void execScript(sqlite3* db, const std::string& file) {
    std::string sql = ddlText("sqlite", file);
    check(db, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), file);
}

// ---- server side -------------------------------------------------------------

PGconn* pgConnect(const std::string& uri) {
    const char* keys[] = {"dbname", "user", "password", "application_name", nullptr};
    const char* vals[] = {uri.c_str(), "dorvelian", "dorvelian", "dorvelian-tests", nullptr};
    PGconn* c = PQconnectdbParams(keys, vals, 1);
    if (!c || PQstatus(c) != CONNECTION_OK) {
        std::string msg = c ? PQerrorMessage(c) : "out of memory";
        PQfinish(c);
        throw std::runtime_error("cannot connect to " + uri + ": " + msg);
    }
    PQsetNoticeProcessor(c, [](void*, const char*) {}, nullptr);
    return c;
}

PGresult* pgRun(PGconn* c, const std::string& sql) {
    PGresult* r = PQexec(c, sql.c_str());
    ExecStatusType st = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
        std::string msg = PQerrorMessage(c);
        PQclear(r);
        throw std::runtime_error("SQL failed: " + msg + "\n" + sql.substr(0, 2000));
    }
    return r;
}

void pgExec(PGconn* c, const std::string& sql) { PQclear(pgRun(c, sql)); }

std::string pgScalar(PGconn* c, const std::string& sql) {
    PGresult* r = pgRun(c, sql);
    std::string v = PQntuples(r) > 0 && PQnfields(r) > 0 ? PQgetvalue(r, 0, 0) : "";
    PQclear(r);
    return v;
}

std::string quoteLiteral(const std::string& s) {
    std::string o = "'";
    for (char ch : s) {
        o += ch;
        if (ch == '\'') o += '\'';
    }
    return o + "'";
}

// FNV-1a: the template's name follows its DDL, so that a changed DDL never
// meets a template of the old one.
uint64_t fnv(const std::string& s) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char ch : s) {
        h ^= ch;
        h *= 1099511628211ull;
    }
    return h;
}

std::string templateDdl(Layout layout) {
    std::string sql = "SET client_min_messages TO warning;\nCREATE SCHEMA plan;\nSET search_path TO plan;\n" +
                      ddlText("postgresql", "schema.sql") + "\n" + ddlText("postgresql", "indexes.sql") + "\n";
    if (layout == Layout::Older) sql += ddlText("postgresql", "older_layout.sql") + "\n";
    sql += ddlText("postgresql", "dvmaster.sql") + "\n";
    // The insertion order of every plan table, as SQLite's rowid gives it.
    sql += "DO $$ DECLARE t record; BEGIN "
           "FOR t IN SELECT table_name FROM information_schema.tables "
           "WHERE table_schema = 'plan' AND table_type = 'BASE TABLE' LOOP "
           "EXECUTE format('ALTER TABLE plan.%I ADD COLUMN rowid bigserial', t.table_name); "
           "END LOOP; END $$;\n";
    return sql;
}

// Formats a floating value as SQLite prints a REAL.
std::string sqliteReal(const char* text) {
    char* end = nullptr;
    double d = std::strtod(text, &end);
    if (end == text) return text;
    char* s = sqlite3_mprintf("%!.15g", d);
    std::string out = s ? s : text;
    sqlite3_free(s);
    return out;
}


}  // namespace

const char* backendName(Backend b) { return b == Backend::Postgres ? "postgresql" : "sqlite"; }

void PrintTo(Backend b, std::ostream* os) { *os << backendName(b); }

namespace {

// First line of a file of the server fixture, "" when the file is missing.
std::string stateLine(const char* name, bool& exists) {
    const char* state = std::getenv("DORVELIAN_PG_STATE");
    exists = false;
    if (state == nullptr || *state == '\0') return "";
    std::ifstream f(std::string(state) + "/" + name);
    if (!f) return "";
    exists = true;
    std::string line;
    std::getline(f, line);
    return line;
}

}  // namespace

std::string postgresUri() {
    const char* u = std::getenv("DORVELIAN_PG_URI");
    if (u != nullptr && *u != '\0') return u;
    const char* state = std::getenv("DORVELIAN_PG_STATE");
    if (state == nullptr || *state == '\0') return "";  // run outside ctest
    bool exists = false;
    std::string uri = stateLine("uri", exists);
    if (!uri.empty()) return uri;
    stateLine("skip", exists);
    if (exists) return "";
    // Under ctest a server case finds the fixture's uri or skip file; a case
    // that finds neither was not given the fixture.
    throw std::logic_error(
        "this case needs the database server, but ctest started none for it: "
        "list it among the server cases (DORVELIAN_SERVER_CASES) in tests/CMakeLists.txt");
}

std::string uriWithDatabase(const std::string& uri, const std::string& database) {
    std::size_t scheme = uri.find("://");
    if (scheme == std::string::npos) throw std::runtime_error("not a URI: " + uri);
    std::size_t start = scheme + 3;
    std::size_t query = uri.find('?', start);
    std::size_t slash = uri.find('/', start);
    if (slash != std::string::npos && (query == std::string::npos || slash < query)) {
        return uri.substr(0, slash + 1) + database + (query == std::string::npos ? "" : uri.substr(query));
    }
    std::size_t at = query == std::string::npos ? uri.size() : query;
    return uri.substr(0, at) + "/" + database + uri.substr(at);
}

std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return "";
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::vector<std::string> logMessages(const std::string& path) {
    std::vector<std::string> out;
    const std::string text = readFile(path);
    static const std::regex stempel(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  )");
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t ende = text.find('\n', pos);
        if (ende == std::string::npos) ende = text.size();
        std::string z = text.substr(pos, ende - pos);
        std::smatch m;
        if (std::regex_search(z, m, stempel)) out.push_back(m.suffix());
        else if (!out.empty()) out.back() += "\n" + z;
        pos = ende + 1;
    }
    return out;
}

std::string makeTempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "dorvelian-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    return tmpl;
}

void removeTree(const std::string& dir) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

std::string jd(const std::string& d) {
    std::string iso = d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2);
    if (g_active == Backend::Postgres) return "date '" + iso + "'";
    return "julianday('" + iso + "')";
}

std::string stamp(const std::string& iso) {
    if (g_active == Backend::Postgres) return "timestamp '" + iso + "'";
    return "julianday('" + iso + "')";
}

std::string recent(const std::string& column) {
    // Within a quarter of an hour of now.
    if (g_active == Backend::Postgres)
        return "(abs(extract(epoch from (LOCALTIMESTAMP(0) - " + column + "))) < 864)";
    return "(abs(julianday('now','localtime')-" + column + ") < 0.01)";
}

std::string dateText(const std::string& column) {
    if (g_active == Backend::Postgres) return "to_char(" + column + ",'yyyymmdd')";
    return "strftime('%Y%m%d'," + column + ")";
}

std::string stampText(const std::string& column) {
    if (g_active == Backend::Postgres) return "to_char(" + column + ",'yyyymmddHH24MISS')";
    return "strftime('%Y%m%d%H%M%S'," + column + ")";
}

std::string dayOffset(int n) {
    std::time_t t = std::time(nullptr);
    std::tm lt{};
    localtime_r(&t, &lt);
    int64_t days = db::jd::daysFromCivil(lt.tm_year + 1900, static_cast<unsigned>(lt.tm_mon + 1),
                                         static_cast<unsigned>(lt.tm_mday)) + n;
    int64_t y;
    unsigned m, d;
    db::jd::civilFromDays(days, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02u%02u", static_cast<int>(y), m, d);
    return buf;
}

std::string today() { return dayOffset(0); }

// ---- TestDb ------------------------------------------------------------------

TestDb::TestDb(Layout layout, bool connect) : TestDb(Backend::Sqlite, layout, connect) {}

TestDb::TestDb(Backend backend, Layout layout, bool connect) : backend_(backend) {
    if (backend == Backend::Postgres && postgresUri().empty()) {
        available_ = false;
        return;
    }
    dir_ = makeTempDir();
    try {
        if (backend == Backend::Postgres) openPostgres(layout, connect);
        else openSqlite(layout, connect);
    } catch (...) {
        db::disconnect();
        if (raw_) sqlite3_close(raw_);
        if (pg_) PQfinish(pg_);
        server_.reset();
        if (admin_) PQfinish(admin_);
        removeTree(dir_);
        throw;
    }
    g_active = backend;
    ++g_live;
}

void TestDb::openSqlite(Layout layout, bool connect) {
    sqlite3* master = nullptr;
    check(master, sqlite3_open((dir_ + "/DVMASTER.db").c_str(), &master), "open DVMASTER");
    sqlite3_close(master);

    check(raw_, sqlite3_open((dir_ + "/PLAN.db").c_str(), &raw_), "open PLAN");
    sqlite3_busy_timeout(raw_, 10000);
    check(raw_, sqlite3_exec(raw_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr), "wal");
    std::string attach = "ATTACH DATABASE '" + dir_ + "/DVMASTER.db' AS DVMASTER";
    check(raw_, sqlite3_exec(raw_, attach.c_str(), nullptr, nullptr, nullptr), "attach");
    execScript(raw_, "schema.sql");
    execScript(raw_, "indexes.sql");
    if (layout == Layout::Older) execScript(raw_, "older_layout.sql");
    execScript(raw_, "dvmaster.sql");

    if (connect) {
        if (db::connect("test/test@" + service()) != 0)
            throw std::runtime_error("logon failed: " + db::lastErrorText());
        if (db::executeImmediate("ALTER SESSION SET CURRENT_SCHEMA=PLAN") != 0)
            throw std::runtime_error("schema switch failed: " + db::lastErrorText());
    }
}

void TestDb::openPostgres(Layout layout, bool connect) {
    const std::string server = postgresUri();
    admin_ = pgConnect(server);
    const std::string ddl = templateDdl(layout);
    char hash[20];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv(ddl)));
    const std::string tpl = std::string("dvt_tpl_") + (layout == Layout::Older ? "o_" : "n_") + hash;

    // One process at a time builds a template or copies one: the copy needs
    // the template without other sessions.
    pgExec(admin_, "SELECT pg_advisory_lock(727350)");
    try {
        if (pgScalar(admin_, "SELECT count(*) FROM pg_database WHERE datname = " + quoteLiteral(tpl)) != "1") {
            const std::string building = tpl + "_b";
            pgExec(admin_, "DROP DATABASE IF EXISTS " + building);
            pgExec(admin_, "CREATE DATABASE " + building);
            PGconn* c = pgConnect(uriWithDatabase(server, building));
            try {
                pgExec(c, ddl);
            } catch (...) {
                PQfinish(c);
                throw;
            }
            PQfinish(c);
            // Only a complete template gets its name.
            pgExec(admin_, "ALTER DATABASE " + building + " RENAME TO " + tpl);
        }
        server_ = std::make_unique<ServerDb>("dvt", tpl);
        if (!server_->ok()) throw std::runtime_error("the case's database was refused");
    } catch (...) {
        PQclear(PQexec(admin_, "SELECT pg_advisory_unlock(727350)"));
        throw;
    }
    pgExec(admin_, "SELECT pg_advisory_unlock(727350)");

    uri_ = server_->uri();
    pg_ = pgConnect(uri_);
    pgExec(pg_, "SET client_min_messages TO warning; SET search_path TO plan");

    if (connect) {
        if (db::connect("dorvelian/dorvelian@" + uri_) != 0)
            throw std::runtime_error("logon failed: " + db::lastErrorText());
        if (db::executeImmediate("ALTER SESSION SET CURRENT_SCHEMA=PLAN") != 0)
            throw std::runtime_error("schema switch failed: " + db::lastErrorText());
    }
}

std::unique_ptr<TestDb> onPath(Backend backend, bool plain) {
    if (plain) setenv("DORVELIAN_PIPELINE", "off", 1);
    auto db = std::make_unique<TestDb>(backend);
    unsetenv("DORVELIAN_PIPELINE");
    return db;
}

TestDb::~TestDb() {
    if (!available_) return;
    db::disconnect();
    if (raw_) sqlite3_close(raw_);
    if (pg_) PQfinish(pg_);
    server_.reset();
    if (admin_) PQfinish(admin_);
    removeTree(dir_);
    if (--g_live == 0) g_active = Backend::Sqlite;
}

void TestDb::require() const {
    if (!available_) throw std::logic_error("no PostgreSQL server for this case (DORVELIAN_PG_URI is not set)");
}

std::string TestDb::service() const {
    require();
    return postgres() ? uri_ : "sqlite:" + dir_;
}

void TestDb::exec(const std::string& sql) {
    require();
    if (pg_) {
        pgExec(pg_, sql);
        return;
    }
    char* err = nullptr;
    if (sqlite3_exec(raw_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string e = err ? err : "?";
        sqlite3_free(err);
        throw std::runtime_error("SQL failed: " + e + "\n" + sql);
    }
}

std::vector<std::vector<std::string>> TestDb::rows(const std::string& sql) {
    require();
    std::vector<std::vector<std::string>> out;
    if (pg_) {
        PGresult* r = pgRun(pg_, sql);
        for (int i = 0; i < PQntuples(r); ++i) {
            std::vector<std::string> row;
            for (int j = 0; j < PQnfields(r); ++j) {
                if (PQgetisnull(r, i, j)) {
                    row.emplace_back();
                    continue;
                }
                const char* v = PQgetvalue(r, i, j);
                switch (PQftype(r, j)) {
                    case 16: row.emplace_back(v[0] == 't' ? "1" : "0"); break;  // boolean
                    case 700:                                                      // real
                    case 701:                                                      // double precision
                    case 1700: row.push_back(sqliteReal(v)); break;                // numeric
                    default: row.emplace_back(v);
                }
            }
            out.push_back(std::move(row));
        }
        PQclear(r);
        return out;
    }
    sqlite3_stmt* st = nullptr;
    check(raw_, sqlite3_prepare_v2(raw_, sql.c_str(), -1, &st, nullptr), sql);
    int r;
    while ((r = sqlite3_step(st)) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            const unsigned char* t = sqlite3_column_text(st, i);
            row.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
        }
        out.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    if (r != SQLITE_DONE) throw std::runtime_error("query failed: " + sql);
    return out;
}

std::string TestDb::scalar(const std::string& sql) {
    auto r = rows(sql);
    return r.empty() || r[0].empty() ? "" : r[0][0];
}

std::string TestDb::joined(const std::string& sql, const std::string& sep) {
    std::string out;
    bool first = true;
    for (const auto& r : rows(sql)) {
        if (!first) out += sep;
        out += r.empty() ? "" : r[0];
        first = false;
    }
    return out;
}

void TestDb::fillCalendar(int before, int after) {
    require();
    if (pg_) {
        // The days are worked out here, from the same local date as today().
        std::ostringstream s;
        s << "INSERT INTO DVMASTER.Dvm133Bak (BakDtm, BakJhr, BakMon, BakTag, BakWch, BakWtg, BakJtg) VALUES ";
        for (int n = -before; n <= after; ++n) {
            std::string d = dayOffset(n);
            int y = std::stoi(d.substr(0, 4)), m = std::stoi(d.substr(4, 2)), t = std::stoi(d.substr(6, 2));
            int64_t days = db::jd::daysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(t));
            int wday = static_cast<int>(((days + 4) % 7 + 7) % 7);  // 0 = Sunday; 1970-01-01 was a Thursday
            int yday = static_cast<int>(days - db::jd::daysFromCivil(y, 1, 1));
            int week = (yday + 7 - (wday + 6) % 7) / 7;  // Monday weeks, as %W
            s << (n == -before ? "" : ",") << "(" << jd(d) << "," << y << "," << m << "," << t << "," << week << ","
              << (wday + 6) % 7 + 1 << "," << yday + 1 << ")";
        }
        s << " ON CONFLICT (BakDtm) DO UPDATE SET BakJhr = excluded.BakJhr, BakMon = excluded.BakMon, "
             "BakTag = excluded.BakTag, BakWch = excluded.BakWch, BakWtg = excluded.BakWtg, BakJtg = excluded.BakJtg";
        exec(s.str());
        return;
    }
    std::ostringstream s;
    s << "WITH RECURSIVE d(n) AS (SELECT " << -before << " UNION ALL SELECT n+1 FROM d WHERE n < " << after
      << ") INSERT OR REPLACE INTO DVMASTER.Dvm133Bak (BakDtm, BakJhr, BakMon, BakTag, BakWch, BakWtg, BakJtg) "
         "SELECT julianday('now','localtime','start of day', n || ' days'), "
         "CAST(strftime('%Y', julianday('now','localtime','start of day', n || ' days')) AS INTEGER), "
         "CAST(strftime('%m', julianday('now','localtime','start of day', n || ' days')) AS INTEGER), "
         "CAST(strftime('%d', julianday('now','localtime','start of day', n || ' days')) AS INTEGER), "
         "CAST(strftime('%W', julianday('now','localtime','start of day', n || ' days')) AS INTEGER), "
         "(CAST(strftime('%w', julianday('now','localtime','start of day', n || ' days')) AS INTEGER) + 6) % 7 + 1, "
         "CAST(strftime('%j', julianday('now','localtime','start of day', n || ' days')) AS INTEGER) FROM d";
    exec(s.str());
}

void TestDb::refuse(const std::string& when, const std::string& table, const std::string& condition, bool trace) {
    require();
    const std::string name = "dvt_refuse_" + std::to_string(++triggers_);
    if (trace) exec("create table if not exists Spur (x integer)");
    if (pg_) {
        // Raised as a constraint failure, the class SQLite gives raise() in
        // a trigger, so that both backends answer with the same code.
        exec("create function " + name + "() returns trigger language plpgsql as $$ begin " +
             (trace ? std::string("insert into Spur values (1); ") : std::string()) +
             "raise exception 'abgelehnt' using errcode = 'integrity_constraint_violation'; end $$");
        exec("create trigger " + name + " " + when + " on " + table + " for each row when (" + condition +
             ") execute function " + name + "()");
        return;
    }
    exec("create trigger " + name + " " + when + " on " + table + " when " + condition + " begin " +
         (trace ? std::string("insert into Spur values (1); ") : std::string()) +
         "select raise(fail, 'abgelehnt'); end");
}

void TestDb::widenInteger(const std::string& table, const std::string& column) {
    require();
    if (pg_) exec("alter table " + table + " alter column " + column + " type bigint");
}

void TestDb::allowNull(const std::string& table, const std::string& column) {
    require();
    if (pg_) {
        // A key column cannot be NULL on the server: the primary key goes.
        std::string name = table;
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        exec("alter table " + table + " drop constraint if exists " + name + "_pkey");
        exec("alter table " + table + " alter column " + column + " drop not null");
        return;
    }
    // SQLite cannot drop a constraint: the table's stored definition loses
    // the column's NOT NULL, which changes nothing on disk; the schema
    // version moves on, so that every connection reads the definition again.
    // Key columns may hold NULL in SQLite without NOT NULL.
    const std::string ddl = scalar("select sql from sqlite_schema where type = 'table' and name = '" + table + "'");
    const std::regex notNull("(\\b" + column + "\\s+[A-Za-z]+\\s+)NOT NULL", std::regex::icase);
    const std::string lose = std::regex_replace(ddl, notNull, "$1");
    if (lose == ddl) throw std::runtime_error("allowNull: " + table + "." + column + " is not declared NOT NULL");
    std::string quoted;
    for (char c : lose) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    const long long version = count("pragma schema_version");
    exec("pragma writable_schema = on");
    exec("update sqlite_schema set sql = '" + quoted + "' where type = 'table' and name = '" + table + "'");
    exec("pragma schema_version = " + std::to_string(version + 1));
    exec("pragma writable_schema = off");
}

// ---- fixture -----------------------------------------------------------------

bool serverMissing(Backend b) { return b == Backend::Postgres && postgresUri().empty(); }

std::string skipReason() {
    bool exists = false;
    std::string why = stateLine("skip", exists);
    if (!why.empty()) return why;
    return "no PostgreSQL server: set DORVELIAN_PG_URI, or run the cases through ctest, to run the server-backend cases";
}

void BackendTest::SetUp() {
    if (serverMissing(GetParam())) GTEST_SKIP() << skipReason();
}

std::string backendParamName(const ::testing::TestParamInfo<Backend>& info) { return backendName(info.param); }

}  // namespace testdb
