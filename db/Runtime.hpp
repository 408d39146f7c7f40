#pragma once
// The statement runtime: the table units hand it the program's embedded SQL
// texts as they stand, with typed host values; the session's backend
// translates and runs them and answers with the result code of the original
// database's numbering (db/ResultCodes.hpp).
//
// Host values. Inputs are bound by placeholder number (":b3" is number 3; a
// number used twice in a text is one value). Outputs are positional: the INTO
// list of a single-row select, or the select list of a cursor. A text output
// takes at most capacity-1 characters. An empty text input binds as NULL; a
// NULL fetched into an output with indicator gives 0, 0.0 or an empty text,
// without indicator it fails with -1405.
//
// Outputs are written while the row is converted: on a result other than 0
// they may hold part of a row. Statement operations therefore fetch into a
// copy of the caller's record and copy it back only on result 0.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/FixText.hpp"

namespace db {

enum class HostType : uint8_t { Int32, Double, Text };

struct HostVar {
    HostType type;
    bool ind;        // output read with indicator (ignored for inputs)
    uint32_t cap;    // bytes of a text buffer, terminator included
    void* ptr;
};

inline HostVar i32(int32_t& v, bool ind = false) { return {HostType::Int32, ind, 0, &v}; }
inline HostVar dbl(double& v, bool ind = false) { return {HostType::Double, ind, 0, &v}; }
template <std::size_t N>
inline HostVar txt(FixText<N>& t, bool ind = false) {
    return {HostType::Text, ind, static_cast<uint32_t>(N), t.buf};
}
// Indicator-guarded outputs, spelled short for the long select lists.
inline HostVar i32i(int32_t& v) { return i32(v, true); }
inline HostVar dbli(double& v) { return dbl(v, true); }
template <std::size_t N>
inline HostVar txti(FixText<N>& t) { return txt(t, true); }

// Input values: bound by placeholder number; the value is read, never written.
struct Bind {
    int n;
    HostVar v;
};
inline Bind in(int n, const int32_t& v) {
    return {n, {HostType::Int32, false, 0, const_cast<int32_t*>(&v)}};
}
inline Bind in(int n, const double& v) {
    return {n, {HostType::Double, false, 0, const_cast<double*>(&v)}};
}
template <std::size_t N>
inline Bind in(int n, const FixText<N>& t) {
    return {n, {HostType::Text, false, static_cast<uint32_t>(N), const_cast<char*>(t.buf)}};
}
// A plain C text; its capacity is its length plus the terminator.
Bind in(int n, const char* s);

using Binds = std::initializer_list<Bind>;
using Outs = std::initializer_list<HostVar>;

// A statement text of the program. Texts are static: the runtime prepares each
// text once per session and finds it again by its slot number.
//
// A multi-row select may name a tie-break: columns that the backends append to
// its order by (or that become its order by), so that rows equal in the
// text's own sort keys come in one defined order on every backend instead of
// the order of whatever index the engine happens to scan.
struct Sql {
    const char* text;
    const char* tieBreak = nullptr;
    mutable int slot = -1;
    explicit constexpr Sql(const char* t, const char* tie = nullptr) : text(t), tieBreak(tie) {}
};

// The text a backend prepares: the statement text with its tie-break.
std::string preparedText(const Sql& sql);

// A named cursor of the program: one statement text, opened, fetched and closed.
class Cursor {
public:
    explicit Cursor(const char* text, const char* tieBreak = nullptr) : sql_(text, tieBreak) {}
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;
    ~Cursor();
    int32_t open(Binds binds);
    int32_t fetch(Outs outs);
    int32_t close();
    const Sql& sql() const { return sql_; }
    void* state = nullptr;   // the backend's open statement, if any
    uint64_t session = 0;    // the session that owns the state
private:
    Sql sql_;
};

// Logon with "user/password@service" (no schema yet).
int32_t connect(const std::string& logonText);
// The dynamic statement of the run: "ALTER SESSION SET CURRENT_SCHEMA=...".
int32_t executeImmediate(const std::string& text);
// Single-row select with an INTO list: 1403 without row.
int32_t selectInto(const Sql& sql, Binds binds, Outs outs);
// Insert, update or delete: 1403 when an update or delete touched no row.
int32_t execute(const Sql& sql, Binds binds);
// Writes, commits and units of work.
//
// Outside a unit of work every write of a table unit is a transaction of its
// own: guardedWrite issues the write's savepoint, runs the write, and then
// commits on success or rolls back to the savepoint on failure. The commit
// belongs to the write: when it fails, the transaction is gone (the backend
// has rolled it back) and guardedWrite answers the commit's result, so that
// the caller logs and handles it as the failed write it is. On a failed write
// the result is the write's own, never that of the rollback.
//
// Inside a unit of work (beginUnit, then commitUnit or rollbackUnit) the
// writes keep their savepoints and their rollback to the savepoint on
// failure, so that a failing write still undoes only itself, but none of
// them commits: guardedWrite answers the write's own result and leaves the
// transaction open. commitUnit commits everything the unit's writes left in
// one commit and answers its result; on failure nothing of the unit stays,
// and a process that dies before the commit leaves nothing of it either.
// rollbackUnit undoes the unit's writes. Reads and cursors work inside a
// unit as outside; they see the unit's own writes, and a read that fails
// leaves the unit's writes as they were. beginUnit issues no statement (the
// transaction begins with the first write's savepoint), so a unit without a
// write costs nothing. Units do not nest; commit() inside a unit commits the
// unit and ends it.
int32_t guardedWrite(const Sql& savepoint, const Sql& write, const Sql& rollback, Binds binds);
void beginUnit();
int32_t commitUnit();
int32_t rollbackUnit();
bool inUnit();
// Commits whatever is open (the scan's commit after each day); on failure
// the open transaction is gone.
int32_t commit();

// Named locks across processes and hosts' sessions, for runs that must not
// overlap. A lock is taken within the current schema (the same name in two
// schemas is two locks), held by the session until unlock, and let go when
// the process ends in whatever way. lock waits at most waitSeconds for
// another session to let it go and then answers -54; a session may take a
// lock it holds again. The embedded backend locks a byte of the file
// SCHEMA.lock beside the schema's database file (an open-file-description
// lock, which no other open or close of that file in the process touches);
// the server backend takes a session-level advisory lock keyed by the schema
// and the name.
int32_t lock(const std::string& name, int waitSeconds);
int32_t unlock(const std::string& name);

struct PendingRead;

// A batch of single-row reads that do not depend on each other. The reads
// are added with their inputs and outputs; take() then delivers them one at a
// time in the order they were added, each with its own result code, as if it
// ran alone at that moment: 0 with the outputs written, 1403 or a negative
// code with the outputs as they were (or holding part of a row, as with
// selectInto). The server backend sends every read of the batch at the
// first take, in one exchange together with the reads of the living
// ReadAheads not sent yet, and keeps the answers; the embedded backend
// runs each read when it is taken. A caller may stop taking at any point,
// for instance at the first failure: a read not taken changes nothing, and
// no output of it is written.
//
// The input values and the output variables must stay in place until the
// batch is taken or destroyed; the statement texts are static as always.
class ReadBatch {
public:
    ReadBatch();
    ReadBatch(const ReadBatch&) = delete;
    ReadBatch& operator=(const ReadBatch&) = delete;
    ~ReadBatch();
    void add(const Sql& sql, Binds binds, Outs outs);
    // The result of the next read; rc::kInternal when none is left.
    int32_t take();
private:
    std::vector<PendingRead> reads_;
    std::size_t next_ = 0;
    bool sent_ = false;
};

// Reads ahead: single-row reads that the caller is about to run, in an order
// that their own code decides, sent together now. While the ReadAhead lives,
// a selectInto with the same text and the same input values takes the
// answer kept for it (once) instead of asking the server; a read that was
// not sent ahead runs as always. Every write, commit and unit boundary of the
// session drops the answers not yet taken, so that a read never misses the
// session's own writes; what it can miss is a change that another session
// commits in the few moments between the sending and the read. The inputs
// are copied at add(); a read that a living ReadAhead already holds is not
// added twice. The first take of a ReadBatch sends the reads added and not
// yet sent along with its own. The embedded backend sends nothing ahead.
// ReadAheads nest (the inner one lives inside the outer one's scope).
class ReadAhead {
public:
    ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;
    ~ReadAhead();
    void add(const Sql& sql, Binds binds);
    // Sends what was added since the last send, in one exchange.
    void send();
    // The kept answer of a read with this text and these inputs, if any.
    PendingRead* find(const Sql& sql, const Bind* binds, std::size_t nb);
    // Hands the reads added and not yet sent to a batch that sends them with
    // its own (ReadBatch), and counts them as sent.
    void handOver(std::vector<PendingRead*>& out);
private:
    friend class ReadBatch;
    std::vector<PendingRead> reads_;
    std::size_t sent_ = 0;
    ReadAhead* outer_;
};

// The innermost living ReadAhead, or nullptr: a table unit adds the reads
// that depend on a row it has just read to it.
ReadAhead* readAhead();

// Statement executions since the session began (opens, single-row reads,
// writes, savepoints, commits) and rows fetched from cursors.
uint64_t statementCount();
uint64_t fetchCount();
// Exchanges with a database server that the program waited for: a statement
// sent on its own is one, a batch of statements sent together is one. The
// embedded backend has none.
uint64_t roundTripCount();
// The engine's own text of the last error, for diagnostics outside the run log.
const std::string& lastErrorText();
// The statement texts the session has prepared, in the backend's dialect.
std::vector<std::string> preparedTexts();
// Ends the session (tests; the program itself never logs off).
void disconnect();

}  // namespace db
