#include "db/Runtime.hpp"

#include <atomic>
#include <cstring>

#include "db/ResultCodes.hpp"
#include "db/Session.hpp"
#include "db/SqlText.hpp"

namespace db {

namespace {
std::unique_ptr<Session> g_session;
uint64_t g_nextSessionId = 1;
uint64_t g_statements = 0;
uint64_t g_fetches = 0;
std::string g_lastError;
std::atomic<int> g_nextSlot{0};

constexpr std::string_view kSchemaSwitch = "ALTER SESSION SET CURRENT_SCHEMA=";
}  // namespace

int sqlSlot(const Sql& sql) {
    if (sql.slot < 0) sql.slot = g_nextSlot.fetch_add(1);
    return sql.slot;
}

Bind in(int n, const char* s) {
    const char* t = s ? s : "";
    return {n, {HostType::Text, false, static_cast<uint32_t>(std::strlen(t) + 1), const_cast<char*>(t)}};
}

Cursor::~Cursor() = default;  // the session owns the prepared statements

std::string preparedText(const Sql& sql) { return withTieBreak(sql.text, sql.tieBreak); }

int32_t connect(const std::string& logonText) {
    g_session.reset();
    ++g_statements;
    // user/password@service: the user ends at the first "/", the service
    // begins after the last "@" (a password may hold either character).
    std::size_t slash = logonText.find('/');
    std::size_t at = logonText.rfind('@');
    if (slash == std::string::npos || at == std::string::npos || at < slash) {
        g_lastError = "logon text is not user/password@service";
        return rc::kLogonDenied;
    }
    std::string user = logonText.substr(0, slash);
    std::string password = logonText.substr(slash + 1, at - slash - 1);
    std::string service = logonText.substr(at + 1);
    if (user.empty()) {
        g_lastError = "empty user";
        return rc::kLogonDenied;
    }
    int32_t result = rc::kUnknownService;
    std::unique_ptr<Session> s;
    if (service.rfind("sqlite:", 0) == 0) {
        s = openSqliteSession(user, password, service.substr(7), result);
    } else if (service.rfind("postgresql://", 0) == 0 || service.rfind("postgres://", 0) == 0) {
        s = openPostgresSession(user, password, service, result);
    } else {
        g_lastError = "unknown service";
        return rc::kUnknownService;
    }
    if (!s) return result;
    s->id = g_nextSessionId++;
    g_session = std::move(s);
    return rc::kOk;
}

int32_t executeImmediate(const std::string& text) {
    ++g_statements;
    if (!g_session) return rc::kNotLoggedOn;
    if (text.size() >= kSchemaSwitch.size() &&
        equalsNoCase(std::string_view(text).substr(0, kSchemaSwitch.size()), kSchemaSwitch)) {
        int32_t r = g_session->switchSchema(text.substr(kSchemaSwitch.size()));
        if (r != 0) g_lastError = g_session->lastError;
        return r;
    }
    g_lastError = "only the schema switch runs as a dynamic statement";
    return rc::kSyntax;
}

namespace {
template <typename F>
int32_t onSession(F&& f) {
    ++g_statements;
    if (!g_session) return rc::kNotLoggedOn;
    int32_t r = f(*g_session);
    if (r != 0 && r != rc::kNotFound) g_lastError = g_session->lastError;
    return r;
}
}  // namespace

int32_t selectInto(const Sql& sql, Binds binds, Outs outs) {
    return onSession([&](Session& s) {
        return s.selectInto(sql, binds.begin(), binds.size(), outs.begin(), outs.size());
    });
}

int32_t execute(const Sql& sql, Binds binds) {
    return onSession([&](Session& s) { return s.execute(sql, binds.begin(), binds.size()); });
}

int32_t Session::guardedWrite(const Sql& savepoint, const Sql& write, const Sql& rollback, const Bind* binds,
                              std::size_t nb, bool commitAfter) {
    execute(savepoint, nullptr, 0);
    int32_t result = execute(write, binds, nb);
    if (result != 0) {
        std::string kept = lastError;
        rollbackTo(rollback);
        lastError = kept;
        return result;
    }
    return commitAfter ? commit() : rc::kOk;
}

int32_t guardedWrite(const Sql& savepoint, const Sql& write, const Sql& rollback, Binds binds) {
    if (!g_session) {
        ++g_statements;
        return rc::kNotLoggedOn;
    }
    const bool commitAfter = !g_session->inUnit;
    // Savepoint, write, and the commit or the rollback.
    g_statements += commitAfter ? 3 : 2;
    int32_t r = g_session->guardedWrite(savepoint, write, rollback, binds.begin(), binds.size(), commitAfter);
    if (r != 0 && r != rc::kNotFound) g_lastError = g_session->lastError;
    return r;
}

void beginUnit() {
    if (g_session) g_session->beginUnit();
}

int32_t commitUnit() {
    return onSession([](Session& s) { return s.commitUnit(); });
}

int32_t rollbackUnit() {
    return onSession([](Session& s) { return s.rollbackUnit(); });
}

bool inUnit() { return g_session && g_session->inUnit; }

int32_t commit() {
    return onSession([](Session& s) {
        s.inUnit = false;
        return s.commit();
    });
}

int32_t lock(const std::string& name, int waitSeconds) {
    return onSession([&](Session& s) { return s.lock(name, waitSeconds); });
}

int32_t unlock(const std::string& name) {
    return onSession([&](Session& s) { return s.unlock(name); });
}

int32_t Cursor::open(Binds binds) {
    return onSession([&](Session& s) { return s.cursorOpen(*this, binds.begin(), binds.size()); });
}

int32_t Cursor::fetch(Outs outs) {
    ++g_fetches;
    if (!g_session) return rc::kNotLoggedOn;
    int32_t r = g_session->cursorFetch(*this, outs.begin(), outs.size());
    if (r != 0 && r != rc::kNotFound) g_lastError = g_session->lastError;
    return r;
}

int32_t Cursor::close() {
    if (!g_session) return rc::kNotLoggedOn;
    return g_session->cursorClose(*this);
}

uint64_t statementCount() { return g_statements; }
uint64_t fetchCount() { return g_fetches; }
const std::string& lastErrorText() { return g_lastError; }
std::vector<std::string> preparedTexts() { return g_session ? g_session->preparedTexts() : std::vector<std::string>{}; }
void disconnect() { g_session.reset(); }

}  // namespace db
