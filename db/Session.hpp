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
    virtual int32_t commit() = 0;
    virtual int32_t cursorOpen(Cursor& c, const Bind* binds, std::size_t nb) = 0;
    virtual int32_t cursorFetch(Cursor& c, const HostVar* outs, std::size_t no) = 0;
    virtual int32_t cursorClose(Cursor& c) = 0;

    // The statement texts prepared in this session, as the engine runs them.
    virtual std::vector<std::string> preparedTexts() const = 0;

    uint64_t id = 0;           // distinguishes sessions for the cursors' state
    std::string lastError;     // the engine's own text of the last failure
};

// Backends. Each returns the session, or nullptr with rc set.
std::unique_ptr<Session> openSqliteSession(const std::string& user, const std::string& password,
                                           const std::string& dir, int32_t& rc);
std::unique_ptr<Session> openPostgresSession(const std::string& user, const std::string& password,
                                             const std::string& uri, int32_t& rc);

// The slot of a statement text: a small number, the same for the whole process.
int sqlSlot(const Sql& sql);

}  // namespace db
