#include "support/PlanCopy.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>

namespace testdb {

bool makeDemoPlan(const std::string& dir, const std::string& options) {
    std::string cmd = std::string(DORVELIAN_BIN_DIR) + "/dorvelian-demo --dir '" + dir + "' --force " +
                      options + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
    PlanReader r(dir + "/db");
    // Horizon of three weeks: the period runs past the last plan day.
    r.exec("UPDATE Dvm701Plg SET PlgHzt = 3");
    return true;
}

bool copyPlan(const std::string& from, const std::string& to) {
    std::filesystem::create_directories(to);
    for (const char* name : {"PLAN.db", "DVMASTER.db"}) {
        sqlite3* db = nullptr;
        bool ok = sqlite3_open_v2((from + "/" + name).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
        std::string sql = "VACUUM INTO '" + to + "/" + name + "'";
        ok = ok && sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        if (!ok) return false;
        // VACUUM INTO writes a rollback-journal file; the program's plans are WAL.
        sqlite3_open((to + "/" + name).c_str(), &db);
        sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    return true;
}

PlanReader::PlanReader(const std::string& dbDir) {
    sqlite3_open_v2((dbDir + "/PLAN.db").c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db_, 10000);
}

PlanReader::~PlanReader() { sqlite3_close(db_); }

int PlanReader::query(const std::string& sql, std::vector<std::string>& rows, std::string& err) {
    rows.clear();
    sqlite3_stmt* st = nullptr;
    int r = sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr);
    if (r != SQLITE_OK) {
        err = sqlite3_errmsg(db_);
        return r;
    }
    while ((r = sqlite3_step(st)) == SQLITE_ROW) {
        std::string row;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            if (c) row += '|';
            const unsigned char* t = sqlite3_column_text(st, c);
            row += t ? reinterpret_cast<const char*>(t) : "~";
        }
        rows.push_back(row);
    }
    if (r != SQLITE_DONE) err = sqlite3_errmsg(db_);
    sqlite3_finalize(st);
    return r == SQLITE_DONE ? SQLITE_OK : r;
}

std::vector<std::string> PlanReader::rows(const std::string& sql) {
    std::vector<std::string> out;
    std::string err;
    int r = query(sql, out, err);
    EXPECT_EQ(r, SQLITE_OK) << err << "\n  in: " << sql;
    return out;
}

std::string PlanReader::scalar(const std::string& sql) {
    std::vector<std::string> r = rows(sql);
    return r.empty() ? "" : r[0];
}

void PlanReader::exec(const std::string& sql) {
    char* msg = nullptr;
    int r = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &msg);
    EXPECT_EQ(r, SQLITE_OK) << (msg ? msg : "") << "\n  in: " << sql;
    sqlite3_free(msg);
}

std::string PlanReader::columnsExcept(const std::string& table, const std::vector<std::string>& skip) {
    std::string out;
    for (const std::string& row : rows("SELECT name FROM pragma_table_info('" + table + "')")) {
        bool drop = false;
        for (const std::string& s : skip) drop = drop || s == row;
        if (drop) continue;
        if (!out.empty()) out += ',';
        out += row;
    }
    return out;
}

}  // namespace testdb
