#pragma once
// The tests' one raw reader of a plan schema on either backend, as the
// planners' front end reads it: its own connection (SQLite with a busy
// timeout and the calendar attached as DVMASTER; the server with the plan
// schema as the default schema), every value as text and NULL as "~", so
// that rows of both backends compare as texts.
#include <string>
#include <vector>

#include "support/TestDb.hpp"

struct sqlite3;
struct pg_conn;

namespace testdb {

class PlanRows {
public:
    // service: "sqlite:DIR" (DIR/<schema>.db and DIR/DVMASTER.db) or a
    // server URI (schema plan).
    PlanRows(Backend backend, const std::string& service, const std::string& schema = "PLAN");
    ~PlanRows();
    PlanRows(const PlanRows&) = delete;
    PlanRows& operator=(const PlanRows&) = delete;
    // Every row as its cells (NULL as "~"); the SQL is run as it stands.
    std::vector<std::vector<std::string>> cells(const std::string& sql);
    // Every row as its cells joined by '|'.
    std::vector<std::string> rows(const std::string& sql);
    // The first cell of the first row; "" when there is no row.
    std::string scalar(const std::string& sql);
    void exec(const std::string& sql);
    // Runs SQL; false with the engine's text in err when it fails.
    bool tryQuery(const std::string& sql, std::vector<std::string>& rows, std::string& err);
    // The columns of a table without the named ones, comma-separated.
    std::string columnsExcept(const std::string& table, const std::vector<std::string>& skip);
    // The 'yyyymmdd' text of a date column in this backend's SQL.
    std::string day(const std::string& column) const;
    Backend backend() const { return backend_; }
    // SQLite: the connection itself, for functions a case registers on it.
    sqlite3* sqlite() const { return sq_; }

private:
    bool tryCells(const std::string& sql, std::vector<std::vector<std::string>>& out, std::string& err);
    Backend backend_;
    sqlite3* sq_ = nullptr;
    pg_conn* pg_ = nullptr;
};

}  // namespace testdb
