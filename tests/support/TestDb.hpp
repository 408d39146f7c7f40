#pragma once
// A real plan schema, created from the project's DDL, with the runtime logged
// on to it. A second, raw connection sets up and inspects the data as the
// planners' front end would.
//
// Two backends:
//  - SQLite (the default): DIR/PLAN.db and DIR/DVMASTER.db in a temporary
//    folder, service "sqlite:DIR".
//  - PostgreSQL: a database of its own on the server named by
//    DORVELIAN_PG_URI, copied from a template that holds schema "plan"
//    (schema/postgresql) and schema "dvmaster"; it is dropped at the end, so
//    that cases running side by side never see each other's rows. The
//    tables of the test databases carry one extra column, rowid (bigserial),
//    so that "order by rowid" is the order of insertion on both backends.
//
// Cases that run on both backends are value-parametrised by Backend (see
// BackendTest below) and write their SQL with the neutral helpers of this
// header (jd, stamp, recent, dateText, stampText, TestDb::refuse, ...), so
// that each expectation is one text for both backends.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

struct sqlite3;
struct pg_conn;

namespace testdb {

class ServerDb;

enum class Layout { Newer, Older };
enum class Backend { Sqlite, Postgres };

// "sqlite" or "postgresql".
const char* backendName(Backend b);
// How gtest prints the parameter.
void PrintTo(Backend b, std::ostream* os);
// The server of the PostgreSQL cases: DORVELIAN_PG_URI when it is set, else
// the private cluster that ctest's fixture started (DORVELIAN_PG_STATE names
// the fixture's folder); "" when there is none. Under ctest, a case that was
// not given the fixture throws instead of skipping unseen.
std::string postgresUri();
// The URI with its database name replaced.
std::string uriWithDatabase(const std::string& uri, const std::string& database);

class TestDb {
public:
    // SQLite: creates DIR/PLAN.db and DIR/DVMASTER.db and connects the
    // runtime with "test/test@sqlite:DIR" and schema PLAN. With connect =
    // false the runtime is left alone (for logon tests).
    explicit TestDb(Layout layout = Layout::Newer, bool connect = true);
    // Either backend. PostgreSQL without a server (no DORVELIAN_PG_URI)
    // builds an empty object that only a skipped case may hold: every use
    // of it throws.
    explicit TestDb(Backend backend, Layout layout = Layout::Newer, bool connect = true);
    ~TestDb();
    TestDb(const TestDb&) = delete;
    TestDb& operator=(const TestDb&) = delete;

    Backend backend() const { return backend_; }
    bool postgres() const { return backend_ == Backend::Postgres; }
    // A scratch folder of the case (the SQLite files live there; logs may).
    const std::string& dir() const { return dir_; }
    // The service text for the configuration or dbConnect.
    std::string service() const;
    // The plan schema and the logon that the service accepts.
    std::string schema() const { return "PLAN"; }
    std::string login() const { return postgres() ? "dorvelian" : "test"; }
    std::string password() const { return postgres() ? "dorvelian" : "test"; }

    // Raw SQL on the plan schema (the central calendar is DVMASTER.<table>).
    void exec(const std::string& sql);
    // First column of the first row as text ("" for NULL or no row).
    std::string scalar(const std::string& sql);
    long long count(const std::string& sql) { return std::stoll("0" + scalar(sql)); }
    // Rows as text. Both backends give the same text: integers as digits,
    // booleans as 1 and 0, floating values as SQLite prints them ("10.0",
    // "2.5"), NULL as "". Dates and time stamps go through dateText() and
    // stampText().
    std::vector<std::vector<std::string>> rows(const std::string& sql);
    // The first column of every row, joined by sep.
    std::string joined(const std::string& sql, const std::string& sep = ",");

    // Central calendar rows from today-before to today+after days.
    void fillCalendar(int before = 30, int after = 60);

    // Makes the statement fail on every row where condition holds (a trigger
    // that raises an error): when is "before insert", "after update", ...;
    // the condition may use old. and new. columns. With trace, the trigger
    // first inserts a row into table Spur (created here), so that a test can
    // see whether the statement's own changes were undone.
    void refuse(const std::string& when, const std::string& table, const std::string& condition,
                bool trace = false);
    // Lets a column declared NOT NULL (a key column too) hold NULL, as a
    // table made without the project's DDL might; indexes stay.
    void allowNull(const std::string& table, const std::string& column);
    // Lets an integer column hold values beyond the 32-bit range (on the
    // server it becomes bigint; SQLite columns hold them already).
    void widenInteger(const std::string& table, const std::string& column);

private:
    void openSqlite(Layout layout, bool connect);
    void openPostgres(Layout layout, bool connect);
    void require() const;

    Backend backend_ = Backend::Sqlite;
    bool available_ = true;
    std::string dir_;
    sqlite3* raw_ = nullptr;
    pg_conn* pg_ = nullptr;       // raw connection to the case's database
    pg_conn* admin_ = nullptr;    // maintenance connection (creates and drops it)
    std::unique_ptr<ServerDb> server_;   // the case's database on the server
    std::string uri_;             // its URI
    int triggers_ = 0;
};

// A TestDb whose session takes the plain path, one statement at a time
// (DORVELIAN_PIPELINE=off while it logs on), or the batched one.
std::unique_ptr<TestDb> onPath(Backend backend, bool plain);

// SQL pieces of the backend of the TestDb that was made last (SQLite when
// none lives), so that helpers without a TestDb at hand write neutral SQL:
// A date literal for a 'yyyymmdd' text (julianday('yyyy-mm-dd') on SQLite).
std::string jd(const std::string& yyyymmdd);
// A time-stamp literal for 'yyyy-mm-dd hh:mm:ss'.
std::string stamp(const std::string& isoDateTime);
// A condition (1 or 0) that a time-stamp column holds about the local time now.
std::string recent(const std::string& column);
// The 'yyyymmdd' and 'yyyymmddHH24MISS' texts of a date or time-stamp column.
std::string dateText(const std::string& column);
std::string stampText(const std::string& column);

// Today's date 'yyyymmdd' (local time), and today plus n days.
std::string today();
std::string dayOffset(int n);
// Reads a whole file ("" when missing).
std::string readFile(const std::string& path);
// The messages of a run log without their "yyyy-mm-dd hh:mm:ss  " stamps; a
// message that spans lines is one entry.
std::vector<std::string> logMessages(const std::string& path);
// A fresh empty temporary directory.
std::string makeTempDir();
void removeTree(const std::string& dir);

// The fixture of the cases that run on both backends: the parameter is the
// backend; without a server the PostgreSQL cases skip with one line. A
// derived fixture's SetUp calls BackendTest::SetUp() first and returns when
// IsSkipped().
class BackendTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override;
    Backend backend() const { return GetParam(); }
};

std::string backendParamName(const ::testing::TestParamInfo<Backend>& info);
// True for the PostgreSQL backend when no server is set; such a case skips
// with skipReason(): why there is no server.
bool serverMissing(Backend b);
std::string skipReason();

}  // namespace testdb

// Declares fixture Suite (a BackendTest) and runs its TEST_P cases on both
// backends, named Suite.Case/sqlite and Suite.Case/postgresql.
#define TESTDB_BOTH_BACKENDS(Suite)                                            \
    class Suite : public ::testdb::BackendTest {};                             \
    INSTANTIATE_TEST_SUITE_P(, Suite,                                          \
                             ::testing::Values(::testdb::Backend::Sqlite,      \
                                               ::testdb::Backend::Postgres),   \
                             ::testdb::backendParamName)
// Runs the TEST_P cases of an existing BackendTest fixture on both backends.
#define TESTDB_INSTANTIATE_BOTH(Suite)                                         \
    INSTANTIATE_TEST_SUITE_P(, Suite,                                          \
                             ::testing::Values(::testdb::Backend::Sqlite,      \
                                               ::testdb::Backend::Postgres),   \
                             ::testdb::backendParamName)
