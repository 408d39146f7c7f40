#include "support/PlanCopy.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "support/PlanRows.hpp"
#include "support/Program.hpp"

namespace testdb {

bool makeDemoPlan(const std::string& dir, const std::string& options) {
    std::vector<std::string> args = words(options);
    args.insert(args.begin(), {"--dir", dir, "--force"});
    if (runDemo(args).code != 0) return false;
    // Horizon of three weeks: the period runs past the last plan day.
    PlanRows(Backend::Sqlite, "sqlite:" + dir + "/db").exec("UPDATE Dvm701Plg SET PlgHzt = 3");
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

}  // namespace testdb
