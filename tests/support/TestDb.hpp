#pragma once
// A real SQLite schema directory in a temporary folder, created from the
// project's DDL, with the runtime logged on to it. A second, raw connection
// sets up and inspects the data as the planners' front end would.
#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;

namespace testdb {

enum class Layout { Newer, Older };

class TestDb {
public:
    // Creates DIR/PLAN.db and DIR/DVMASTER.db and connects the runtime with
    // "test/test@sqlite:DIR" and schema PLAN. With connect = false the
    // runtime is left alone (for logon tests).
    explicit TestDb(Layout layout = Layout::Newer, bool connect = true);
    ~TestDb();
    TestDb(const TestDb&) = delete;
    TestDb& operator=(const TestDb&) = delete;

    const std::string& dir() const { return dir_; }
    std::string service() const { return "sqlite:" + dir_; }

    // Raw SQL on the plan database (DVMASTER is attached there too).
    void exec(const std::string& sql);
    // First column of the first row as text ("" for NULL or no row).
    std::string scalar(const std::string& sql);
    long long count(const std::string& sql) { return std::stoll("0" + scalar(sql)); }
    std::vector<std::vector<std::string>> rows(const std::string& sql);

    // Central calendar rows from today-before to today+after days.
    void fillCalendar(int before = 30, int after = 60);

private:
    std::string dir_;
    sqlite3* raw_ = nullptr;
};

// "julianday('yyyy-mm-dd')" for a 'yyyymmdd' text, to write dates in SQL.
std::string jd(const std::string& yyyymmdd);
// Today's date 'yyyymmdd' (local time), and today plus n days.
std::string today();
std::string dayOffset(int n);
// Reads a whole file ("" when missing).
std::string readFile(const std::string& path);
// A fresh empty temporary directory.
std::string makeTempDir();
void removeTree(const std::string& dir);

}  // namespace testdb
