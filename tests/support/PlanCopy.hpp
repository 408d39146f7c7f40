#pragma once
// Plans for the tests that run the program binary on a generated demo plan:
// a pristine copy to start every case from, and a raw connection that reads
// the tables as the planners' front end does (own connection, busy timeout).
#include <string>
#include <vector>

struct sqlite3;

namespace testdb {

// Generates a demo plan into DIR/db (dorvelian-demo with the given options)
// and widens each plan group's horizon so that the run's period covers every
// day of the plan. Returns false when the generator failed.
bool makeDemoPlan(const std::string& dir, const std::string& options);
// Copies the schema directory FROM (PLAN.db and DVMASTER.db) to a fresh TO.
bool copyPlan(const std::string& from, const std::string& to);

class PlanReader {
public:
    explicit PlanReader(const std::string& dbDir);  // opens DIR/PLAN.db
    ~PlanReader();
    PlanReader(const PlanReader&) = delete;
    PlanReader& operator=(const PlanReader&) = delete;
    // Runs SQL; every row as its columns joined by '|' (NULL as "~").
    // Returns the SQLite result code (SQLITE_OK on success), message in err.
    int query(const std::string& sql, std::vector<std::string>& rows, std::string& err);
    // The same, failing the test on an error.
    std::vector<std::string> rows(const std::string& sql);
    std::string scalar(const std::string& sql);
    void exec(const std::string& sql);
    // The columns of a table without the named ones, comma-separated.
    std::string columnsExcept(const std::string& table, const std::vector<std::string>& skip);

private:
    sqlite3* db_ = nullptr;
};

}  // namespace testdb
