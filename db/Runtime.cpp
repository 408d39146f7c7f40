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
uint64_t g_roundTrips = 0;
// Counts the session's writes, commits and unit boundaries: an answer read
// ahead in an earlier generation is never taken.
uint64_t g_generation = 0;
ReadAhead* g_ahead = nullptr;  // the innermost living ReadAhead
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
    ++g_generation;
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
    if (g_ahead && g_session) {
        if (PendingRead* r = g_ahead->find(sql, binds.begin(), binds.size())) {
            ++g_statements;
            r->taken = true;
            r->outs.assign(outs.begin(), outs.end());
            int32_t rc = g_session->takeRead(*r);
            r->answer.reset();
            if (rc != 0 && rc != rc::kNotFound) g_lastError = g_session->lastError;
            return rc;
        }
    }
    return onSession([&](Session& s) {
        return s.selectInto(sql, binds.begin(), binds.size(), outs.begin(), outs.size());
    });
}

int32_t execute(const Sql& sql, Binds binds) {
    ++g_generation;
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
    ++g_generation;
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
    ++g_generation;
    return onSession([](Session& s) { return s.commitUnit(); });
}

int32_t rollbackUnit() {
    ++g_generation;
    return onSession([](Session& s) { return s.rollbackUnit(); });
}

bool inUnit() { return g_session && g_session->inUnit; }

int32_t commit() {
    ++g_generation;
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

ReadBatch::ReadBatch() = default;
ReadBatch::~ReadBatch() = default;

void ReadBatch::add(const Sql& sql, Binds binds, Outs outs) {
    PendingRead r;
    r.sql = &sql;
    r.binds.assign(binds.begin(), binds.end());
    r.outs.assign(outs.begin(), outs.end());
    reads_.push_back(std::move(r));
}

int32_t ReadBatch::take() {
    if (next_ >= reads_.size()) return rc::kInternal;
    // Counted as taken, so that the statement count does not depend on
    // whether the backend sends a batch together.
    ++g_statements;
    if (!g_session) return rc::kNotLoggedOn;
    if (!sent_) {
        sent_ = true;
        std::vector<PendingRead*> all;
        for (ReadAhead* a = g_ahead; a; a = a->outer_) a->handOver(all);
        for (std::size_t i = next_; i < reads_.size(); ++i) all.push_back(&reads_[i]);
        g_session->sendReads(all.data(), all.size());
    }
    int32_t r = g_session->takeRead(reads_[next_]);
    reads_[next_].answer.reset();
    ++next_;
    if (r != 0 && r != rc::kNotFound) g_lastError = g_session->lastError;
    return r;
}

std::string readKey(const Sql& sql, const Bind* binds, std::size_t nb) {
    std::string key = std::to_string(sqlSlot(sql));
    for (std::size_t i = 0; i < nb; ++i) {
        const HostVar& v = binds[i].v;
        key += '|';
        key += std::to_string(binds[i].n);
        key += static_cast<char>('0' + static_cast<int>(v.type));
        switch (v.type) {
            case HostType::Int32: key.append(static_cast<const char*>(v.ptr), sizeof(int32_t)); break;
            case HostType::Double: key.append(static_cast<const char*>(v.ptr), sizeof(double)); break;
            case HostType::Text: {
                const char* t = static_cast<const char*>(v.ptr);
                key.append(t, strnlen(t, v.cap ? v.cap - 1 : 0));
                key += '\0';
                break;
            }
        }
    }
    return key;
}

ReadAhead::ReadAhead() : outer_(g_ahead) { g_ahead = this; }

ReadAhead::~ReadAhead() {
    // Scopes end in reverse order of their beginning.
    if (g_ahead == this) g_ahead = outer_;
}

void ReadAhead::add(const Sql& sql, Binds binds) {
    PendingRead r;
    r.sql = &sql;
    r.key = readKey(sql, binds.begin(), binds.size());
    // Already held, to be sent or answered and still good: not twice.
    for (ReadAhead* a = this; a; a = a->outer_)
        for (std::size_t i = 0; i < a->reads_.size(); ++i) {
            const PendingRead& o = a->reads_[i];
            const bool unsent = i >= a->sent_;
            const bool answered = o.sent && o.generation == g_generation;
            if (!o.taken && o.key == r.key && (unsent || answered)) return;
        }
    // The input values move into the read's own storage.
    std::size_t size = 0;
    // Each value gets a slot that starts on a multiple of 8, so that numbers
    // are read from aligned storage.
    auto platz = [](const Bind& b) -> std::size_t {
        const std::size_t n =
            b.v.type == HostType::Text ? b.v.cap : b.v.type == HostType::Int32 ? sizeof(int32_t) : sizeof(double);
        return (n + alignof(double) - 1) / alignof(double) * alignof(double);
    };
    for (const Bind& b : binds) size += platz(b);
    r.store.reset(new char[size ? size : 1]);
    std::size_t at = 0;
    for (const Bind& b : binds) {
        Bind copy = b;
        std::size_t len = b.v.type == HostType::Text ? b.v.cap : b.v.type == HostType::Int32 ? sizeof(int32_t) : sizeof(double);
        if (b.v.type == HostType::Text) {
            const char* t = static_cast<const char*>(b.v.ptr);
            std::size_t n = b.v.cap ? strnlen(t, b.v.cap - 1) : 0;
            std::memcpy(r.store.get() + at, t, n);
            r.store[at + n] = '\0';
        } else {
            std::memcpy(r.store.get() + at, b.v.ptr, len);
        }
        copy.v.ptr = r.store.get() + at;
        at += platz(b);
        r.binds.push_back(copy);
    }
    reads_.push_back(std::move(r));
}

void ReadAhead::handOver(std::vector<PendingRead*>& out) {
    for (; sent_ < reads_.size(); ++sent_) {
        reads_[sent_].generation = g_generation;
        out.push_back(&reads_[sent_]);
    }
}

void ReadAhead::send() {
    if (!g_session) return;
    std::vector<PendingRead*> all;
    for (ReadAhead* a = this; a; a = a->outer_) a->handOver(all);
    if (!all.empty()) g_session->sendReads(all.data(), all.size());
}

PendingRead* ReadAhead::find(const Sql& sql, const Bind* binds, std::size_t nb) {
    std::string key;
    for (ReadAhead* a = this; a; a = a->outer_) {
        for (std::size_t i = 0; i < a->sent_; ++i) {
            PendingRead& r = a->reads_[i];
            if (r.taken || !r.sent || r.generation != g_generation || r.sql != &sql) continue;
            if (key.empty()) key = readKey(sql, binds, nb);
            if (r.key == key) return &r;
        }
    }
    return nullptr;
}

ReadAhead* readAhead() { return g_ahead; }

uint64_t statementCount() { return g_statements; }
uint64_t fetchCount() { return g_fetches; }
uint64_t roundTripCount() { return g_roundTrips; }
void countRoundTrip() { ++g_roundTrips; }
const std::string& lastErrorText() { return g_lastError; }
std::vector<std::string> preparedTexts() { return g_session ? g_session->preparedTexts() : std::vector<std::string>{}; }
void disconnect() { g_session.reset(); }

}  // namespace db
