#include "support/TestDb.hpp"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "db/JulianDate.hpp"
#include "db/Runtime.hpp"

namespace testdb {

namespace {
void check(sqlite3* db, int r, const std::string& what) {
    if (r != SQLITE_OK) throw std::runtime_error(what + ": " + sqlite3_errmsg(db));
}

void execScript(sqlite3* db, const std::string& file) {
    std::string sql = readFile(std::string(DORVELIAN_SCHEMA_DIR) + "/sqlite/" + file);
    if (sql.empty()) throw std::runtime_error("missing DDL " + file);
    check(db, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), file);
}
}  // namespace

std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return "";
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
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
    return "julianday('" + d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2) + "')";
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

TestDb::TestDb(Layout layout, bool connect) {
    dir_ = makeTempDir();
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

TestDb::~TestDb() {
    db::disconnect();
    sqlite3_close(raw_);
    removeTree(dir_);
}

void TestDb::exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(raw_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string e = err ? err : "?";
        sqlite3_free(err);
        throw std::runtime_error("SQL failed: " + e + "\n" + sql);
    }
}

std::vector<std::vector<std::string>> TestDb::rows(const std::string& sql) {
    std::vector<std::vector<std::string>> out;
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

void TestDb::fillCalendar(int before, int after) {
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

}  // namespace testdb
