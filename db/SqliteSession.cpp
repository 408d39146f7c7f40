// The embedded backend: the service "sqlite:DIR" names a directory with one
// database file per schema (DIR/SCHEMA.db) and the central calendar
// DIR/DVMASTER.db, attached as DVMASTER. Dates are stored as Julian day
// numbers, so that the statements' date arithmetic and comparisons hold as
// written; TO_DATE, TO_CHAR and sysdate are provided as SQL functions, and
// every order by gets the NULL place of the original database.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <thread>
#include <vector>

#include "db/HostOutput.hpp"
#include "db/JulianDate.hpp"
#include "db/NullOrder.hpp"
#include "db/ResultCodes.hpp"
#include "db/Session.hpp"
#include "db/SqlText.hpp"

namespace db {

namespace {

// ---- SQL functions of the original dialect ---------------------------------

// Errors of the functions carry the original code in front of their text, so
// that the session can hand it back as the statement's result.
void resultCodedError(sqlite3_context* ctx, int32_t code, const char* what) {
    char msg[96];
    std::snprintf(msg, sizeof msg, "DV-%05d: %s", -code, what);
    sqlite3_result_error(ctx, msg, -1);
}

void fnToDate(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    int t = sqlite3_value_type(argv[0]);
    if (t == SQLITE_NULL) { sqlite3_result_null(ctx); return; }
    if (argc == 1) {
        // TO_DATE(sysdate): the day of a date value.
        if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) {
            sqlite3_result_double(ctx, jd::truncateToDay(sqlite3_value_double(argv[0])));
            return;
        }
        resultCodedError(ctx, rc::kInvalidNumber, "date expected");
        return;
    }
    if (t != SQLITE_TEXT) {
        // A date value given where a text was expected stays what it is.
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const char* fmt = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    if (text[0] == '\0') { sqlite3_result_null(ctx); return; }
    int32_t err = 0;
    std::optional<double> v = jd::parse(text, fmt ? fmt : "", err);
    if (!v) { resultCodedError(ctx, err, "date text does not match its format"); return; }
    sqlite3_result_double(ctx, *v);
}

void fnToChar(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    int t = sqlite3_value_type(argv[0]);
    if (t == SQLITE_NULL) { sqlite3_result_null(ctx); return; }
    if (argc == 1 || (t != SQLITE_INTEGER && t != SQLITE_FLOAT)) {
        sqlite3_result_text(ctx, reinterpret_cast<const char*>(sqlite3_value_text(argv[0])), -1,
                            SQLITE_TRANSIENT);
        return;
    }
    std::string out;
    const char* fmt = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    if (!jd::inRange(sqlite3_value_double(argv[0]))) {
        resultCodedError(ctx, -1841, "year must be between 1 and 9999");
        return;
    }
    if (!jd::format(sqlite3_value_double(argv[0]), fmt ? fmt : "", out)) {
        resultCodedError(ctx, -1821, "date format not recognized");
        return;
    }
    sqlite3_result_text(ctx, out.c_str(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

void fnSysdate(sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_double(ctx, jd::now()); }

int32_t codeFromMessage(const char* msg, int32_t fallback) {
    if (msg && std::strncmp(msg, "DV-", 3) == 0) return -std::atoi(msg + 3);
    return fallback;
}

int32_t mapError(sqlite3* db, int result) {
    const char* msg = sqlite3_errmsg(db);
    int ext = sqlite3_extended_errcode(db);
    switch (result & 0xff) {
        case SQLITE_CONSTRAINT:
            if (ext == SQLITE_CONSTRAINT_PRIMARYKEY || ext == SQLITE_CONSTRAINT_UNIQUE) return rc::kUnique;
            if (ext == SQLITE_CONSTRAINT_NOTNULL) return rc::kNullInsert;
            if (ext == SQLITE_CONSTRAINT_CHECK) return rc::kCheck;
            return rc::kConstraint;
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return rc::kBusy;
        case SQLITE_READONLY: return rc::kReadOnly;
        case SQLITE_FULL: return rc::kFull;
        case SQLITE_IOERR: return rc::kIoError;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB: return rc::kCorrupt;
        case SQLITE_NOMEM: return rc::kNoMemory;
        case SQLITE_MISMATCH: return rc::kInvalidNumber;
        case SQLITE_ERROR:
            if (msg && std::strncmp(msg, "no such column", 14) == 0) return rc::kInvalidColumn;
            if (msg && std::strncmp(msg, "no such table", 13) == 0) return rc::kNoTable;
            return codeFromMessage(msg, rc::kInternal);
        default: return codeFromMessage(msg, rc::kInternal);
    }
}

bool isDirectory(const std::string& p) {
    struct stat st{};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool isFile(const std::string& p) {
    struct stat st{};
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool validSchemaName(const std::string& s) {
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#')) return false;
    return true;
}

// The rows of a cursor read ahead, with each value as the engine delivered it:
// the outputs are converted from here exactly as from a live row.
struct SpillBuffer {
    struct Cell {
        int type;             // SQLITE_INTEGER, _FLOAT, _TEXT, _BLOB or _NULL
        int64_t i = 0;
        double d = 0.0;
        uint32_t off = 0;     // text (terminated) in arena, for every type but
        uint32_t len = 0;     // INTEGER and NULL
    };
    std::vector<Cell> cells;  // row by row
    std::string arena;
    std::size_t columns = 0;
    std::size_t next = 0;     // index of the next row to deliver
    int32_t endCode = 0;      // result after the last row (1403 or an error)
    std::string endError;
    void clear() {
        cells.clear();
        arena.clear();
        next = 0;
        endCode = 0;
        endError.clear();
    }
};

// A live row: the values of the statement's current row.
struct LiveRow {
    sqlite3_stmt* st;
    int type(int c) const { return sqlite3_column_type(st, c); }
    int64_t i64(int c) const { return sqlite3_column_int64(st, c); }
    double dbl(int c) const { return sqlite3_column_double(st, c); }
    const char* text(int c) const { return reinterpret_cast<const char*>(sqlite3_column_text(st, c)); }
    std::size_t bytes(int c) const { return static_cast<std::size_t>(sqlite3_column_bytes(st, c)); }
};

// A row read ahead into a SpillBuffer. An integer's text is rendered as the
// engine renders it ("%lld"); every other text was taken from the engine.
struct BufferedRow {
    const SpillBuffer::Cell* cells;
    const std::string* arena;
    mutable char num[24];
    int type(int c) const { return cells[c].type; }
    int64_t i64(int c) const { return cells[c].i; }
    double dbl(int c) const { return cells[c].d; }
    const char* text(int c) const {
        const SpillBuffer::Cell& x = cells[c];
        if (x.type == SQLITE_INTEGER) {
            std::snprintf(num, sizeof num, "%lld", static_cast<long long>(x.i));
            return num;
        }
        return x.type == SQLITE_NULL ? "" : arena->data() + x.off;
    }
    std::size_t bytes(int c) const {
        const SpillBuffer::Cell& x = cells[c];
        return x.type == SQLITE_INTEGER ? std::strlen(text(c)) : x.len;
    }
};

// The prepared form of one statement text.
struct Prepared {
    sqlite3_stmt* stmt = nullptr;
    SqlKind kind = SqlKind::Other;
    uint64_t placeholderMask = 0;
    std::size_t intoCount = 0;
    std::vector<IntoTarget> into;
    std::string savepointName;  // for "rollback  to NAME"
    bool busy = false;          // an open cursor uses it
    std::string text;           // as prepared
    // Cursor state. midRows: the last step delivered a row, so the statement
    // holds a read transaction. spilled: the rest of the rows was read ahead
    // into rows (see spill) and fetches come from there.
    bool midRows = false;
    bool spilled = false;
    SpillBuffer rows;
};

class SqliteSession final : public Session {
public:
    SqliteSession(std::string dir) : dir_(std::move(dir)) {}
    ~SqliteSession() override { closeDb(); }

    int32_t switchSchema(const std::string& schemaText) override {
        std::string schema = schemaText;
        while (!schema.empty() && schema.back() == ' ') schema.pop_back();
        if (schema.empty()) return fail(rc::kMissingOption, "empty schema name");
        if (!validSchemaName(schema)) return fail(rc::kInvalidCharacter, "invalid schema name");
        std::string file = dir_ + "/" + schema + ".db";
        std::string master = dir_ + "/DVMASTER.db";
        if (!isFile(file)) return fail(rc::kNoSchema, "no schema file " + file);
        if (!isFile(master)) return fail(rc::kNoSchema, "no central calendar " + master);

        closeDb();
        sqlite3* db = nullptr;
        int r = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (r != SQLITE_OK) {
            int32_t code = db ? mapError(db, r) : rc::kNoSchema;
            lastError = db ? sqlite3_errmsg(db) : "cannot open";
            sqlite3_close(db);
            return code == rc::kInternal ? rc::kNoSchema : code;
        }
        db_ = db;
        lockPath_ = dir_ + "/" + schema + ".lock";
        sqlite3_busy_timeout(db_, 10000);
        // Counts the WAL frames; replaces the engine's own checkpoint after
        // a commit, which the open cursors keep from running (see
        // checkpointIfDue).
        walFrames_ = 0;
        sqlite3_wal_hook(db_, walHook, this);
        sqlite3_extended_result_codes(db_, 1);
        const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
        sqlite3_create_function(db_, "TO_DATE", 1, det, nullptr, fnToDate, nullptr, nullptr);
        sqlite3_create_function(db_, "TO_DATE", 2, det, nullptr, fnToDate, nullptr, nullptr);
        sqlite3_create_function(db_, "TO_CHAR", 1, det, nullptr, fnToChar, nullptr, nullptr);
        sqlite3_create_function(db_, "TO_CHAR", 2, det, nullptr, fnToChar, nullptr, nullptr);
        // sysdate is one value for the whole of a statement.
        sqlite3_create_function(db_, "ora_sysdate", 0, det, nullptr, fnSysdate, nullptr, nullptr);

        std::string attach = "ATTACH DATABASE '" + escape(master) + "' AS DVMASTER";
        const char* setup[] = {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL",
                               "PRAGMA foreign_keys=OFF",
                               // 64 MiB of page cache: the pages of a run's
                               // tables are read from the files once.
                               "PRAGMA cache_size=-65536", attach.c_str(),
                               "PRAGMA DVMASTER.journal_mode=WAL"};
        for (const char* s : setup) {
            r = sqlite3_exec(db_, s, nullptr, nullptr, nullptr);
            if (r != SQLITE_OK) {
                int32_t code = mapError(db_, r);
                lastError = sqlite3_errmsg(db_);
                closeDb();
                return code;
            }
        }
        return rc::kOk;
    }

    int32_t selectInto(const Sql& sql, const Bind* binds, std::size_t nb, const HostVar* outs,
                       std::size_t no) override {
        Prepared* p = nullptr;
        int32_t r = prepare(sql, p);
        if (r != 0) return r;
        if (p->kind != SqlKind::SelectInto) return fail(rc::kSyntax, "not a select with INTO");
        if ((r = checkOuts(*p, outs, no)) != 0) return r;
        if ((r = bindAll(*p, binds, nb, SQLITE_STATIC)) != 0) return finish(p, r);
        int s = sqlite3_step(p->stmt);
        if (s == SQLITE_DONE) return finish(p, rc::kNotFound);
        if (s != SQLITE_ROW) return finish(p, mapError(db_, s));
        r = fetchRow(p->stmt, outs, no);
        if (r == 0) {
            s = sqlite3_step(p->stmt);
            if (s == SQLITE_ROW) r = fail(rc::kTooManyRows, "single-row select found more rows");
            else if (s != SQLITE_DONE) r = mapError(db_, s);
        }
        return finish(p, r);
    }

    int32_t execute(const Sql& sql, const Bind* binds, std::size_t nb) override {
        Prepared* p = nullptr;
        int32_t r = prepare(sql, p);
        if (r != 0) return r;
        if ((r = bindAll(*p, binds, nb, SQLITE_STATIC)) != 0) return finish(p, r);
        if (p->kind == SqlKind::Savepoint) openSavepoint_ = p->savepointName;
        int s;
        while ((s = sqlite3_step(p->stmt)) == SQLITE_ROW) {
        }
        if ((s & 0xff) == SQLITE_BUSY) {
            sqlite3_reset(p->stmt);  // a savepoint cannot be let go under a pending write
            if (readAheadForWrite())
                while ((s = sqlite3_step(p->stmt)) == SQLITE_ROW) {
                }
        }
        if (s != SQLITE_DONE) return finish(p, mapError(db_, s));
        // As with the original embedded SQL, an update or delete that
        // touched no row answers "no rows".
        if ((p->kind == SqlKind::Update || p->kind == SqlKind::Delete) && sqlite3_changes(db_) == 0)
            return finish(p, rc::kNotFound);
        return finish(p, rc::kOk);
    }

    int32_t rollbackTo(const Sql& sql) override {
        int32_t r = execute(sql, nullptr, 0);
        Prepared* p = nullptr;
        if (prepare(sql, p) == 0 && !p->savepointName.empty()) {
            // Let the savepoint go, so that no empty transaction stays open
            // and holds the write lock until the next commit.
            std::string release = "RELEASE SAVEPOINT " + p->savepointName;
            sqlite3_exec(db_, release.c_str(), nullptr, nullptr, nullptr);
        }
        return r;
    }

    int32_t commit() override {
        if (!db_) return rc::kNotLoggedOn;
        if (sqlite3_get_autocommit(db_)) {
            // Nothing open to commit: the commit of the scan after a day.
            // Every write is committed already, so this is the place to
            // copy the WAL back into the database file.
            checkpointIfDue();
            return rc::kOk;
        }
        int r = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (r != SQLITE_OK) {
            lastError = sqlite3_errmsg(db_);
            const int32_t code = mapError(db_, r);
            // The engine rolls back by itself after some failures (a full
            // disk, an I/O error) and keeps the transaction after others;
            // either way the caller is told that nothing of it stays.
            if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            return code;
        }
        checkpointIfDue(false);
        return rc::kOk;
    }

    int32_t rollbackUnit() override {
        inUnit = false;
        if (!db_) return rc::kNotLoggedOn;
        if (sqlite3_get_autocommit(db_)) return rc::kOk;
        int r = sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        if (r != SQLITE_OK) {
            lastError = sqlite3_errmsg(db_);
            return mapError(db_, r);
        }
        return rc::kOk;
    }

    // The locks are byte-range locks owned by one open description of the
    // lock file (F_OFD_SETLK): unlike a process's record locks, no other
    // open or close of the file in the process lets them go, and unlike
    // flock they lock one byte per name, so that runs of other names go on.
    // The byte is a 62-bit hash of the name; two names that met in it would
    // only wait for each other.
    int32_t lock(const std::string& name, int waitSeconds) override {
        if (lockFd_ < 0) {
            if (lockPath_.empty()) return fail(rc::kNotLoggedOn, "no schema switched to");
            lockFd_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0664);
            if (lockFd_ < 0) {
                const int e = errno;
                lastError = "cannot open " + lockPath_ + ": " + std::strerror(e);
                return e == EACCES || e == EROFS || e == EPERM ? rc::kReadOnly : rc::kIoError;
            }
        }
        struct flock fl{};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = lockByte(name);
        fl.l_len = 1;
        // Polled, so that the wait has its bound: short steps first, then
        // a quarter of a second.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::max(waitSeconds, 0));
        auto step = std::chrono::milliseconds(5);
        for (;;) {
            if (::fcntl(lockFd_, F_OFD_SETLK, &fl) == 0) return rc::kOk;
            const int e = errno;
            if (e != EAGAIN && e != EACCES && e != EINTR) {
                lastError = "cannot lock " + lockPath_ + ": " + std::strerror(e);
                return rc::kIoError;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                lastError = "lock " + name + " is held by another session";
                return rc::kBusy;
            }
            std::this_thread::sleep_for(step);
            step = std::min(step * 2, std::chrono::milliseconds(250));
        }
    }

    int32_t unlock(const std::string& name) override {
        if (lockFd_ < 0) return fail(rc::kInternal, "no lock taken");
        struct flock fl{};
        fl.l_type = F_UNLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = lockByte(name);
        fl.l_len = 1;
        if (::fcntl(lockFd_, F_OFD_SETLK, &fl) != 0) {
            lastError = std::string("cannot unlock: ") + std::strerror(errno);
            return rc::kIoError;
        }
        return rc::kOk;
    }

    int32_t cursorOpen(Cursor& c, const Bind* binds, std::size_t nb) override {
        Prepared* p = nullptr;
        int32_t r = prepare(c.sql(), p);
        if (r != 0) {
            c.state = nullptr;
            return r;
        }
        if (p->kind != SqlKind::Select) return fail(rc::kSyntax, "cursor text is not a select");
        sqlite3_reset(p->stmt);
        // The key values are taken at open time.
        if ((r = bindAll(*p, binds, nb, SQLITE_TRANSIENT)) != 0) {
            c.state = nullptr;
            return r;
        }
        c.state = p;
        c.session = id;
        p->busy = true;
        p->midRows = p->spilled = false;
        p->rows.clear();
        return rc::kOk;
    }

    int32_t cursorFetch(Cursor& c, const HostVar* outs, std::size_t no) override {
        Prepared* p = openState(c);
        if (!p) return fail(rc::kInvalidCursor, "cursor is not open");
        if (sqlite3_column_count(p->stmt) != static_cast<int>(no))
            return fail(rc::kSelectListMismatch, "output list does not match the select list");
        if (p->spilled) {
            SpillBuffer& b = p->rows;
            if (b.next * b.columns >= b.cells.size()) {
                if (b.endCode != rc::kNotFound) lastError = b.endError;
                return b.endCode;
            }
            const SpillBuffer::Cell* row = b.cells.data() + b.next * b.columns;
            ++b.next;
            return convertRow(BufferedRow{row, &b.arena, {}}, outs, no);
        }
        int s = sqlite3_step(p->stmt);
        p->midRows = s == SQLITE_ROW;
        if (s == SQLITE_DONE) return rc::kNotFound;
        if (s != SQLITE_ROW) {
            lastError = sqlite3_errmsg(db_);
            return mapError(db_, s);
        }
        return fetchRow(p->stmt, outs, no);
    }

    int32_t cursorClose(Cursor& c) override {
        Prepared* p = openState(c);
        c.state = nullptr;
        if (!p) return fail(rc::kInvalidCursor, "cursor is not open");
        sqlite3_reset(p->stmt);
        p->busy = false;
        p->midRows = p->spilled = false;
        p->rows.clear();
        return rc::kOk;
    }

    std::vector<std::string> preparedTexts() const override {
        std::vector<std::string> out;
        for (const Prepared& p : cache_)
            if (p.stmt) out.push_back(p.text);
        return out;
    }

private:
    static std::string escape(const std::string& s) {
        std::string o;
        for (char ch : s) {
            o += ch;
            if (ch == '\'') o += '\'';
        }
        return o;
    }

    int32_t fail(int32_t code, const std::string& text) {
        lastError = text;
        return code;
    }

    int32_t finish(Prepared* p, int32_t r) {
        if (r != 0 && r != rc::kNotFound && lastError.empty()) lastError = sqlite3_errmsg(db_);
        sqlite3_reset(p->stmt);
        return r;
    }

    // The writes of a run are committed one by one while cursors are open,
    // and an open cursor keeps its read transaction, and with it its view of
    // the WAL: the engine's own checkpoint after a commit cannot run then,
    // and the WAL would grow by every page the run writes until the program
    // ends (hundreds of megabytes for a plan of a few weeks, slower to read
    // for everyone). So after a day, once the WAL holds kCheckpointFrames or
    // more, the cursors still in the middle of their rows (the plan-group
    // cursor of a run over all plan groups) read the rest of them ahead and
    // let their statements go, and a passive checkpoint copies the WAL back;
    // the next write starts the WAL from its beginning. Read ahead, a cursor
    // goes on with its rows as they stood at that moment, as on the original
    // database, where a cursor delivers its rows as of its open.
    static constexpr int kCheckpointFrames = 1000;
    // After a write's commit (spillOpen false) the checkpoint runs only when
    // no cursor is open in the middle of its rows, as the engine's own would.
    void checkpointIfDue(bool spillOpen = true) {
        if (walFrames_ < kCheckpointFrames) return;
        for (Prepared& p : cache_) {
            if (!p.midRows) continue;
            if (!spillOpen) return;
            spill(p);
        }
        if (sqlite3_wal_checkpoint_v2(db_, "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr) ==
            SQLITE_OK)
            walFrames_ = 0;
    }
    // A write that finds the write lock taken by another process waits for
    // it in the busy handler, but only when this connection holds no read
    // transaction: a cursor in the middle of its rows holds one, and the
    // engine then answers busy at once (its view may be older than the
    // other writer's commit, so waiting could not help). Then the cursors
    // read the rest of their rows ahead and let their statements go, the
    // write's savepoint is started afresh, and execute() runs the write
    // again, now waiting for the lock in the busy handler. Without another
    // writer this never happens, so the run's own path stays as it is.
    bool readAheadForWrite() {
        bool any = false;
        for (Prepared& q : cache_)
            if (q.midRows) {
                spill(q);
                any = true;
            }
        if (!any) return false;
        if (!sqlite3_get_autocommit(db_)) {
            if (openSavepoint_.empty()) return false;
            const std::string& n = openSavepoint_;
            sqlite3_exec(db_, ("ROLLBACK TO " + n + "; RELEASE " + n).c_str(), nullptr, nullptr, nullptr);
            if (!sqlite3_get_autocommit(db_)) return false;
            sqlite3_exec(db_, ("SAVEPOINT " + n).c_str(), nullptr, nullptr, nullptr);
        }
        return true;
    }
    static int walHook(void* self, sqlite3*, const char* dbName, int frames) {
        if (std::strcmp(dbName, "main") == 0) static_cast<SqliteSession*>(self)->walFrames_ = frames;
        return SQLITE_OK;
    }

    void spill(Prepared& p) {
        SpillBuffer& b = p.rows;
        b.clear();
        b.columns = static_cast<std::size_t>(sqlite3_column_count(p.stmt));
        int s;
        while ((s = sqlite3_step(p.stmt)) == SQLITE_ROW) {
            for (int c = 0; c < static_cast<int>(b.columns); ++c) {
                SpillBuffer::Cell x;
                x.type = sqlite3_column_type(p.stmt, c);
                if (x.type == SQLITE_INTEGER) {
                    x.i = sqlite3_column_int64(p.stmt, c);
                    x.d = static_cast<double>(x.i);
                } else if (x.type != SQLITE_NULL) {
                    const unsigned char* t = sqlite3_column_text(p.stmt, c);
                    x.len = static_cast<uint32_t>(sqlite3_column_bytes(p.stmt, c));
                    x.off = static_cast<uint32_t>(b.arena.size());
                    if (t) b.arena.append(reinterpret_cast<const char*>(t), x.len);
                    else x.len = 0;
                    b.arena.push_back('\0');
                    if (x.type != SQLITE_TEXT) x.d = sqlite3_column_double(p.stmt, c);
                }
                b.cells.push_back(x);
            }
        }
        if (s == SQLITE_DONE) {
            b.endCode = rc::kNotFound;
        } else {
            b.endCode = mapError(db_, s);
            b.endError = sqlite3_errmsg(db_);
        }
        sqlite3_reset(p.stmt);
        p.midRows = false;
        p.spilled = true;
    }

    Prepared* openState(Cursor& c) {
        if (!c.state || c.session != id) return nullptr;
        return static_cast<Prepared*>(c.state);
    }

    static off_t lockByte(const std::string& name) {
        uint64_t h = 1469598103934665603ull;  // FNV-1a
        for (unsigned char c : name) h = (h ^ c) * 1099511628211ull;
        return static_cast<off_t>(h & 0x3fffffffffffffffull);
    }

    void closeDb() {
        if (lockFd_ >= 0) ::close(lockFd_);  // lets the session's locks go
        lockFd_ = -1;
        lockPath_.clear();
        for (Prepared& p : cache_)
            if (p.stmt) sqlite3_finalize(p.stmt);
        cache_.clear();
        if (db_) sqlite3_close_v2(db_);
        db_ = nullptr;
        // Cursors opened on the old database must not be fetched again.
        ++id;
    }

    int32_t prepare(const Sql& sql, Prepared*& out) {
        lastError.clear();
        if (!db_) return fail(rc::kNotLoggedOn, "no schema switched to");
        int slot = sqlSlot(sql);
        if (static_cast<std::size_t>(slot) >= cache_.size()) cache_.resize(static_cast<std::size_t>(slot) + 1);
        Prepared& p = cache_[static_cast<std::size_t>(slot)];
        if (!p.stmt) {
            // NULLs sort as the largest value, as on the database the
            // program was written for (NullOrder.hpp), not as the smallest.
            // Whether a column can hold NULL is taken from its table's
            // definition when the text is prepared.
            const std::string basis = preparedText(sql);
            const std::vector<std::string> tabellen = tablesOf(basis);
            ParsedSql parsed = parseSql(withNullsOrdered(
                basis, [&](std::string_view spalte) { return columnMayBeNull(tabellen, spalte); }));
            std::string text = renderSql(
                parsed, [](int n) { return "?" + std::to_string(n + 1); },
                [](const std::string& w) -> std::string {
                    if (equalsNoCase(w, "NVL")) return "ifnull";
                    if (equalsNoCase(w, "sysdate")) return "ora_sysdate()";
                    return w;
                });
            sqlite3_stmt* st = nullptr;
            int r = sqlite3_prepare_v3(db_, text.c_str(), static_cast<int>(text.size()),
                                       SQLITE_PREPARE_PERSISTENT, &st, nullptr);
            if (r != SQLITE_OK) {
                lastError = sqlite3_errmsg(db_);
                return mapError(db_, r);
            }
            p.stmt = st;
            p.text = text;
            p.kind = parsed.kind;
            p.placeholderMask = parsed.placeholderMask;
            p.into = parsed.into;
            p.intoCount = parsed.into.size();
            if (parsed.kind == SqlKind::Rollback || parsed.kind == SqlKind::Savepoint) {
                for (auto it = parsed.pieces.rbegin(); it != parsed.pieces.rend(); ++it)
                    if (it->type == SqlPiece::Word) { p.savepointName = it->text; break; }
            }
        }
        out = &p;
        return rc::kOk;
    }

    // False only when a table of the list declares the column NOT NULL.
    bool columnMayBeNull(const std::vector<std::string>& tabellen, std::string_view spalte) {
        const std::string s(spalte);
        for (const std::string& t : tabellen) {
            const std::size_t punkt = t.find('.');
            const std::string schema = punkt == std::string::npos ? std::string() : t.substr(0, punkt);
            const std::string name = punkt == std::string::npos ? t : t.substr(punkt + 1);
            int notNull = 0;
            if (sqlite3_table_column_metadata(db_, schema.empty() ? nullptr : schema.c_str(), name.c_str(), s.c_str(),
                                              nullptr, nullptr, &notNull, nullptr, nullptr) == SQLITE_OK)
                return notNull == 0;
        }
        return true;
    }

    int32_t checkOuts(const Prepared& p, const HostVar* outs, std::size_t no) {
        if (p.intoCount != no) return fail(rc::kSelectListMismatch, "output list does not match INTO list");
        for (std::size_t i = 0; i < no; ++i)
            if (p.into[i].indicator != outs[i].ind)
                return fail(rc::kSelectListMismatch,
                            "indicator of output " + std::to_string(i) + " does not match the INTO list");
        return rc::kOk;
    }

    int32_t bindAll(Prepared& p, const Bind* binds, std::size_t nb, sqlite3_destructor_type mode) {
        uint64_t bound = 0;
        for (std::size_t i = 0; i < nb; ++i) {
            const Bind& b = binds[i];
            int idx = b.n + 1;
            int r = SQLITE_OK;
            switch (b.v.type) {
                case HostType::Int32: r = sqlite3_bind_int(p.stmt, idx, *static_cast<const int32_t*>(b.v.ptr)); break;
                case HostType::Double: r = sqlite3_bind_double(p.stmt, idx, *static_cast<const double*>(b.v.ptr)); break;
                case HostType::Text: {
                    const char* s = static_cast<const char*>(b.v.ptr);
                    std::size_t len = strnlen(s, b.v.cap ? b.v.cap - 1 : 0);
                    // An empty text is NULL, as on the original database.
                    r = len == 0 ? sqlite3_bind_null(p.stmt, idx)
                                 : sqlite3_bind_text(p.stmt, idx, s, static_cast<int>(len), mode);
                    break;
                }
            }
            if (r == SQLITE_RANGE) return fail(rc::kNotAllBound, "placeholder :b" + std::to_string(b.n) + " not in the text");
            if (r != SQLITE_OK) return mapError(db_, r);
            if (b.n < 64) bound |= uint64_t{1} << b.n;
        }
        if ((bound & p.placeholderMask) != p.placeholderMask)
            return fail(rc::kNotAllBound, "a placeholder has no input value");
        return rc::kOk;
    }

    int32_t fetchRow(sqlite3_stmt* st, const HostVar* outs, std::size_t no) {
        if (sqlite3_column_count(st) != static_cast<int>(no))
            return fail(rc::kSelectListMismatch, "output list does not match the select list");
        return convertRow(LiveRow{st}, outs, no);
    }

    // Converts one row, live or read ahead, into the outputs.
    template <class Row>
    int32_t convertRow(const Row& row, const HostVar* outs, std::size_t no) {
        for (std::size_t i = 0; i < no; ++i) {
            const HostVar& o = outs[i];
            int col = static_cast<int>(i);
            int t = row.type(col);
            if (t == SQLITE_NULL) {
                if (int32_t r = putNull(o)) return fail(r, outputFailure(r, i));
                continue;
            }
            switch (o.type) {
                case HostType::Int32: {
                    int64_t v;
                    if (t == SQLITE_INTEGER) v = row.i64(col);
                    else if (t == SQLITE_FLOAT) v = static_cast<int64_t>(std::trunc(row.dbl(col)));
                    else {
                        const char* s = row.text(col);
                        char* end = nullptr;
                        errno = 0;
                        long long x = std::strtoll(s, &end, 10);
                        if (end == s || *end != '\0' || errno) return fail(rc::kInvalidNumber, "not a number");
                        v = x;
                    }
                    if (v < INT32_MIN || v > INT32_MAX) return fail(rc::kIntOverflow, "integer out of range");
                    *static_cast<int32_t*>(o.ptr) = static_cast<int32_t>(v);
                    break;
                }
                case HostType::Double: {
                    if (t == SQLITE_TEXT) {
                        const char* s = row.text(col);
                        char* end = nullptr;
                        double x = std::strtod(s, &end);
                        if (end == s || *end != '\0') return fail(rc::kInvalidNumber, "not a number");
                        *static_cast<double*>(o.ptr) = x;
                    } else {
                        *static_cast<double*>(o.ptr) = row.dbl(col);
                    }
                    break;
                }
                case HostType::Text: {
                    const char* s = row.text(col);
                    if (int32_t r = putText(o, s, row.bytes(col))) return fail(r, outputFailure(r, i));
                    break;
                }
            }
        }
        return rc::kOk;
    }

    std::string dir_;
    sqlite3* db_ = nullptr;
    int walFrames_ = 0;  // frames in the main database's WAL after the last commit
    std::string openSavepoint_;  // name of the last savepoint issued
    std::string lockPath_;       // DIR/SCHEMA.lock of the schema switched to
    int lockFd_ = -1;            // open on it once the first lock is taken
    std::deque<Prepared> cache_;  // open cursors point into it: it must not move
};

}  // namespace

std::unique_ptr<Session> openSqliteSession(const std::string& user, const std::string&,
                                           const std::string& dir, int32_t& result) {
    if (user.empty()) {
        result = rc::kLogonDenied;
        return nullptr;
    }
    if (dir.empty() || !isDirectory(dir)) {
        result = rc::kUnknownService;
        return nullptr;
    }
    result = rc::kOk;
    return std::make_unique<SqliteSession>(dir);
}

}  // namespace db
