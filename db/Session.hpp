#pragma once
// The backend side of the statement runtime: one database session that runs
// the program's statement texts. db/Runtime.cpp holds the session of the run
// and forwards every statement operation to it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/Runtime.hpp"

namespace db {

// One read of a ReadBatch: its statement, a copy of its input and output
// descriptors, and, once the batch was sent, the backend's answer.
struct PendingRead {
    const Sql* sql = nullptr;
    std::vector<Bind> binds;
    std::vector<HostVar> outs;
    bool sent = false;             // the backend holds an answer for it
    int32_t result = 0;            // the answer's result code
    std::string error;             // the engine's text for a result below 0
    std::shared_ptr<void> answer;  // the backend's rows
    // Reads ahead: the inputs copied into storage of the read's own, the
    // key that finds the read again, and the write generation it was sent in.
    std::unique_ptr<char[]> store;
    std::string key;
    uint64_t generation = 0;
    bool taken = false;
};

// The key of a read: its statement's slot and its input values.
std::string readKey(const Sql& sql, const Bind* binds, std::size_t nb);

class Session {
public:
    virtual ~Session() = default;
    // "ALTER SESSION SET CURRENT_SCHEMA=<schema>" after the logon.
    virtual int32_t switchSchema(const std::string& schema) = 0;
    virtual int32_t selectInto(const Sql& sql, const Bind* binds, std::size_t nb,
                               const HostVar* outs, std::size_t no) = 0;
    virtual int32_t execute(const Sql& sql, const Bind* binds, std::size_t nb) = 0;
    // "rollback  to <name>": back to the savepoint, which is then let go.
    virtual int32_t rollbackTo(const Sql& sql) = 0;
    // Commits the open transaction. On failure the transaction is gone: the
    // backend has rolled it back (or does so here) before it answers.
    virtual int32_t commit() = 0;
    // A unit of work (db/Runtime.hpp): no statement is issued here; the
    // transaction begins with the first write's savepoint. While the unit
    // is open, rollbackTo() keeps the transaction, and the runtime leaves
    // out the commit after each write.
    virtual void beginUnit() { inUnit = true; }
    // Ends the unit: commits what its writes left, or, on failure, nothing
    // of it stays.
    virtual int32_t commitUnit() {
        inUnit = false;
        return commit();
    }
    // Ends the unit and undoes its writes.
    virtual int32_t rollbackUnit() = 0;
    // One write of a table unit: savepoint, the write, then (with commitAfter)
    // commit on success, or rollback to the savepoint on failure. Answers
    // the write's result, or the commit's when the write succeeded and its
    // commit failed. A backend may override it to send the statements
    // together; the default runs them one by one.
    virtual int32_t guardedWrite(const Sql& savepoint, const Sql& write, const Sql& rollback,
                                 const Bind* binds, std::size_t nb, bool commitAfter);
    virtual int32_t cursorOpen(Cursor& c, const Bind* binds, std::size_t nb) = 0;
    virtual int32_t cursorFetch(Cursor& c, const HostVar* outs, std::size_t no) = 0;
    virtual int32_t cursorClose(Cursor& c) = 0;

    // A named lock across processes within the current schema (see
    // db::lock): waits at most waitSeconds, then -54.
    virtual int32_t lock(const std::string& name, int waitSeconds) = 0;
    virtual int32_t unlock(const std::string& name) = 0;

    // A batch of independent single-row reads (db::ReadBatch). sendReads runs
    // at the first take: a backend that can send them together does so and
    // marks each read sent with its answer; the others leave them unsent.
    // takeRead delivers one read: from its answer when sent, else by running
    // it now as selectInto would.
    virtual void sendReads(PendingRead* const* reads, std::size_t n) {
        (void)reads;
        (void)n;
    }
    virtual int32_t takeRead(PendingRead& r) {
        return selectInto(*r.sql, r.binds.data(), r.binds.size(), r.outs.data(), r.outs.size());
    }

    // The statement texts prepared in this session, as the engine runs them.
    virtual std::vector<std::string> preparedTexts() const = 0;

    uint64_t id = 0;           // distinguishes sessions for the cursors' state
    std::string lastError;     // the engine's own text of the last failure
    bool inUnit = false;       // a unit of work is open
};

// Backends. Each returns the session, or nullptr with rc set.
std::unique_ptr<Session> openSqliteSession(const std::string& user, const std::string& password,
                                           const std::string& dir, int32_t& rc);
std::unique_ptr<Session> openPostgresSession(const std::string& user, const std::string& password,
                                             const std::string& uri, int32_t& rc);

// A backend calls this once per exchange with a server that it waits for:
// one statement sent and its answer read, or one batch sent together.
void countRoundTrip();

// The slot of a statement text: a small number, the same for the whole process.
int sqlSlot(const Sql& sql);

}  // namespace db
