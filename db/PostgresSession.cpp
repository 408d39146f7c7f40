// The server backend: the service is a connection URI "postgresql://..."
// without user and password; those come from the logon. The schema switch
// sets the search path; the central calendar is schema dvmaster. Every
// statement text becomes one named prepared statement of the session.
//
// Batches: the reads of a db::ReadBatch go out together in libpq's pipeline
// mode, one exchange with the server for the whole batch; the environment
// variable DORVELIAN_PIPELINE=off sends them one by one instead.
//
// Transactions: reads run on their own. A write opens a transaction with its
// savepoint and ends it with the commit (or the rollback to the savepoint),
// so that no failed statement can leave the session's transaction aborted.
// In a unit of work the transaction stays open from the first write's
// savepoint to the unit's commit; the reads inside it run under a savepoint
// set after the last write, so that a failing read does not abort the unit's
// writes.
#include <libpq-fe.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <unordered_map>
#include <deque>
#include <vector>

#include "db/HostOutput.hpp"
#include "db/JulianDate.hpp"
#include "db/ResultCodes.hpp"
#include "db/Session.hpp"
#include "db/SqlText.hpp"

namespace db {

namespace {

constexpr Oid kInt4 = 23;
constexpr Oid kFloat8 = 701;
constexpr Oid kText = 25;

// The savepoint of a read inside a transaction, and the way back to it.
constexpr char kReadSavepoint[] = "SAVEPOINT Dv_Lesen_Sp";
constexpr char kReadRollback[] = "ROLLBACK TO SAVEPOINT Dv_Lesen_Sp";

int32_t mapSqlState(const char* state) {
    if (!state) return rc::kConnectionLost;
    std::string s(state);
    if (s == "42703") return rc::kInvalidColumn;
    if (s == "42P01" || s == "3F000") return rc::kNoTable;
    if (s == "23505") return rc::kUnique;
    if (s == "23502") return rc::kNullInsert;
    if (s == "23514" || s == "22001") return rc::kCheck;  // too long for its column, as a width check
    if (s.rfind("23", 0) == 0) return rc::kConstraint;
    if (s == "22P02") return rc::kInvalidNumber;
    if (s == "22003") return rc::kIntOverflow;
    if (s == "22007") return -1858;
    if (s == "22008") return -1847;
    if (s == "21000") return rc::kTooManyRows;
    if (s == "40P01" || s == "55P03" || s == "40001") return rc::kBusy;
    if (s == "42601") return rc::kSyntax;
    if (s == "25006") return rc::kReadOnly;
    if (s.rfind("08", 0) == 0 || s.rfind("57P", 0) == 0) return rc::kConnectionLost;
    if (s.rfind("53", 0) == 0) return rc::kFull;
    if (s == "28P01" || s == "28000") return rc::kLogonDenied;
    return rc::kInternal;
}

bool validSchemaName(const std::string& s) {
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#')) return false;
    return true;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct Prepared {
    bool ready = false;
    SqlKind kind = SqlKind::Other;
    std::string name;
    std::string text;              // rendered for the server
    int nparams = 0;
    uint64_t placeholderMask = 0;
    std::vector<IntoTarget> into;
    std::string savepointName;
    // Inputs converted with TO_DATE(:bN,'format'), checked before the run.
    std::vector<std::pair<int, std::string>> dateInputs;
};

// The placeholders of the text that stand as TO_DATE(:bN,'format'), with
// their formats.
std::vector<std::pair<int, std::string>> dateInputsOf(const ParsedSql& parsed) {
    std::vector<std::pair<int, std::string>> out;
    const auto& ps = parsed.pieces;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
    for (std::size_t i = 0; i + 3 < ps.size(); ++i) {
        if (ps[i].type != SqlPiece::Word || !equalsNoCase(ps[i].text, "TO_DATE")) continue;
        const std::string& open = ps[i + 1].text;
        if (ps[i + 1].type != SqlPiece::Text || open.find_first_not_of(" \t\n(") != std::string::npos ||
            open.find('(') == std::string::npos || ps[i + 2].type != SqlPiece::Placeholder ||
            ps[i + 3].type != SqlPiece::Text)
            continue;
        const std::string& rest = ps[i + 3].text;
        std::size_t k = 0;
        while (k < rest.size() && blank(rest[k])) ++k;
        if (k >= rest.size() || rest[k] != ',') continue;
        ++k;
        while (k < rest.size() && blank(rest[k])) ++k;
        if (k >= rest.size() || rest[k] != '\'') continue;
        std::size_t end = rest.find('\'', k + 1);
        if (end == std::string::npos) continue;
        out.emplace_back(ps[i + 2].n, rest.substr(k + 1, end - k - 1));
    }
    return out;
}

struct OpenCursor {
    PGresult* res = nullptr;
    int row = 0;
};

// Renders a statement text in the server's dialect.
std::string translate(const ParsedSql& parsed) {
    std::string text = renderSql(
        parsed, [](int n) { return "$" + std::to_string(n + 1); },
        [](const std::string& w) -> std::string {
            if (equalsNoCase(w, "NVL")) return "coalesce";
            if (equalsNoCase(w, "sysdate")) return "LOCALTIMESTAMP(0)";
            return w;
        });
    // The day of today, and time stamps read with the long format.
    static const std::regex today(R"(TO_DATE\(LOCALTIMESTAMP\(0\)\))", std::regex::icase);
    static const std::regex stamp(R"(TO_DATE\((\$[0-9]+),'yyyymmddHH24MISS'\))", std::regex::icase);
    text = std::regex_replace(text, today, "CURRENT_DATE");
    // Date plus clock time, so that no session time zone moves a stamp.
    text = std::regex_replace(text, stamp, "(to_date(substr($1,1,8),'yyyymmdd') + substr($1,9,6)::time)");
    return text;
}

// One read of a batch on its way to the server: its prepared text and its
// parameter texts.
struct Job {
    PendingRead* read;
    Prepared* p;
    std::vector<std::string> text;
    std::vector<const char*> values;
};

class PostgresSession final : public Session {
public:
    PostgresSession(PGconn* c, bool pipeline) : conn_(c), pipeline_(pipeline) {}
    ~PostgresSession() override {
        clearCursors();
        PQfinish(conn_);
    }

    int32_t switchSchema(const std::string& schemaText) override {
        std::string schema = schemaText;
        while (!schema.empty() && schema.back() == ' ') schema.pop_back();
        if (schema.empty()) return fail(rc::kMissingOption, "empty schema name");
        if (!validSchemaName(schema)) return fail(rc::kInvalidCharacter, "invalid schema name");
        std::string name = lower(schema);
        const char* vals[] = {name.c_str()};
        countRoundTrip();
        PGresult* r = PQexecParams(conn_, "select 1 from pg_namespace where nspname = $1", 1, nullptr, vals,
                                   nullptr, nullptr, 0);
        int32_t code = resultCode(r, PGRES_TUPLES_OK);
        bool found = code == 0 && PQntuples(r) == 1;
        PQclear(r);
        if (code != 0) return code;
        if (!found) return fail(rc::kNoSchema, "schema " + name + " does not exist");
        std::string set = "SET search_path TO \"" + name + "\"";
        countRoundTrip();
        r = PQexec(conn_, set.c_str());
        code = resultCode(r, PGRES_COMMAND_OK);
        PQclear(r);
        return code;
    }

    int32_t selectInto(const Sql& sql, const Bind* binds, std::size_t nb, const HostVar* outs,
                       std::size_t no) override {
        return guardedRead([&] { return selectIntoNow(sql, binds, nb, outs, no); });
    }

    int32_t selectIntoNow(const Sql& sql, const Bind* binds, std::size_t nb, const HostVar* outs, std::size_t no) {
        Prepared* p = nullptr;
        int32_t r = prepare(sql, binds, nb, p);
        if (r != 0) return r;
        if ((r = checkInto(*p, outs, no)) != 0) return r;
        PGresult* res = nullptr;
        if ((r = run(*p, binds, nb, res)) != 0) return r;
        r = singleRow(res, outs, no);
        PQclear(res);
        return r;
    }

    // The reads of a batch go out in pipeline mode, each followed by a sync
    // of its own: every read is then its own implicit transaction, and a
    // failing read does not cancel the others. A read that fails before
    // it is sent (prepare, binds, date texts) keeps its code; the answers
    // are all read back before this returns, so the session leaves pipeline
    // mode at once.
    void sendReads(PendingRead* const* reads, std::size_t n) override {
        if (!pipeline_ || n < 1 || PQpipelineStatus(conn_) != PQ_PIPELINE_OFF) return;
        // Inside a transaction a failing prepare would abort it: there, texts
        // not prepared yet go one by one (once per session).
        if (inTransaction_)
            for (std::size_t i = 0; i < n; ++i)
                if (!entry(sqlSlot(*reads[i]->sql)).ready) return;
        std::vector<Job> jobs;
        jobs.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            PendingRead& rd = *reads[i];
            Job j{&rd, nullptr, {}, {}};
            int32_t r = prepare(*rd.sql, rd.binds.data(), rd.binds.size(), j.p);
            if (r == 0) r = params(*j.p, rd.binds.data(), rd.binds.size(), j.text, j.values);
            if (r != 0) {
                rd.sent = true;
                rd.result = r;
                rd.error = lastError;
                continue;
            }
            jobs.push_back(std::move(j));
        }
        if (jobs.empty()) return;
        if (inTransaction_) {
            sendInTransaction(jobs);
            return;
        }
        if (PQenterPipelineMode(conn_) != 1) return;  // the reads run one by one at take
        countRoundTrip();
        std::size_t queued = 0;
        for (Job& j : jobs) {
            if (PQsendQueryPrepared(conn_, j.p->name.c_str(), j.p->nparams, j.values.data(), nullptr, nullptr,
                                    0) != 1 ||
                PQpipelineSync(conn_) != 1)
                break;
            ++queued;
        }
        for (std::size_t k = 0; k < jobs.size(); ++k) {
            PendingRead& rd = *jobs[k].read;
            rd.sent = true;
            if (k >= queued || PQstatus(conn_) != CONNECTION_OK) {
                rd.result = resultCode(nullptr, PGRES_TUPLES_OK);
                rd.error = lastError;
                continue;
            }
            PGresult* res = PQgetResult(conn_);
            rd.result = resultCode(res, PGRES_TUPLES_OK);
            if (rd.result == 0) {
                rd.answer = std::shared_ptr<void>(res, [](void* q) { PQclear(static_cast<PGresult*>(q)); });
            } else {
                rd.error = lastError;
                PQclear(res);
            }
            // The end of the statement's results, then its sync.
            if (res) {
                bool synced = false;
                while (PQstatus(conn_) == CONNECTION_OK) {
                    PGresult* more = PQgetResult(conn_);
                    if (!more) break;
                    synced = PQresultStatus(more) == PGRES_PIPELINE_SYNC;
                    PQclear(more);
                    if (synced) break;
                }
                if (!synced && PQstatus(conn_) == CONNECTION_OK)
                    if (PGresult* sync = PQgetResult(conn_)) PQclear(sync);
            }
        }
        PQexitPipelineMode(conn_);
    }

    // In a transaction a read sent alone runs under the savepoint of a read
    // and rolls back to it when it fails (guardedRead). The reads of a batch
    // run under that savepoint together, in one pipeline with one sync: when
    // every read succeeds that is one exchange; when one fails, the server
    // skips the rest, the session rolls back to the savepoint and sends the
    // rest again.
    void sendInTransaction(std::vector<Job>& jobs) {
        std::size_t from = 0;
        while (from < jobs.size()) {
            if (PQenterPipelineMode(conn_) != 1) return;  // the rest run one by one at take
            countRoundTrip();
            bool queued = PQsendQueryParams(conn_, kReadSavepoint, 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
            for (std::size_t k = from; queued && k < jobs.size(); ++k)
                queued = PQsendQueryPrepared(conn_, jobs[k].p->name.c_str(), jobs[k].p->nparams,
                                             jobs[k].values.data(), nullptr, nullptr, 0) == 1;
            queued = queued && PQpipelineSync(conn_) == 1;
            if (!queued) {
                const int32_t code = resultCode(nullptr, PGRES_COMMAND_OK);
                for (std::size_t k = from; k < jobs.size(); ++k) {
                    jobs[k].read->sent = true;
                    jobs[k].read->result = code;
                    jobs[k].read->error = lastError;
                }
                PQexitPipelineMode(conn_);
                return;
            }
            const int32_t spCode = nextResult(PGRES_COMMAND_OK, nullptr);
            const std::string spError = lastError;
            if (spCode == 0) readSavepoint_ = true;
            std::size_t failed = jobs.size();
            for (std::size_t k = from; k < jobs.size(); ++k) {
                PendingRead& rd = *jobs[k].read;
                PGresult* res = nullptr;
                const int32_t code = nextResult(PGRES_TUPLES_OK, &res);
                if (spCode != 0) {  // as a read alone: the savepoint's code
                    rd.sent = true;
                    rd.result = spCode;
                    rd.error = spError;
                    continue;
                }
                if (failed < k) continue;  // skipped by the server: sent again
                rd.sent = true;
                rd.result = code;
                if (code == 0) {
                    rd.answer = std::shared_ptr<void>(res, [](void* q) { PQclear(static_cast<PGresult*>(q)); });
                } else {
                    rd.error = lastError;
                    failed = k;
                }
            }
            pipelineSync();
            PQexitPipelineMode(conn_);
            if (spCode != 0 || failed == jobs.size()) return;
            const std::string kept = lastError;
            simple(kReadRollback);
            lastError = kept;
            from = failed + 1;
        }
    }

    // A write in one exchange: BEGIN (when no transaction is open), the
    // write's savepoint, the write and, for an insert that commits at once,
    // the commit go out together in pipeline mode. Only a failure costs
    // more: the rollback to the savepoint (and the commit that ends the
    // transaction outside a unit) follow as when sent one by one. An update
    // or delete that commits at once is committed after its answer, since
    // one that touches no row (1403) rolls back to its savepoint first. A
    // write whose text is not prepared yet, or whose inputs fail before they
    // are sent, goes the plain way.
    int32_t guardedWrite(const Sql& savepoint, const Sql& write, const Sql& rollback, const Bind* binds,
                         std::size_t nb, bool commitAfter) override {
        Prepared& w = entry(sqlSlot(write));
        readSavepoint_ = false;  // a rollback to it would undo this write
        std::vector<std::string> text;
        std::vector<const char*> values;
        if (!pipeline_ || !w.ready || PQpipelineStatus(conn_) != PQ_PIPELINE_OFF ||
            params(w, binds, nb, text, values) != 0)
            return Session::guardedWrite(savepoint, write, rollback, binds, nb, commitAfter);
        const std::string sp = savepointText(savepoint);
        const bool begin = !inTransaction_;
        const bool withCommit = commitAfter && w.kind == SqlKind::Insert;
        if (PQenterPipelineMode(conn_) != 1)
            return Session::guardedWrite(savepoint, write, rollback, binds, nb, commitAfter);
        countRoundTrip();
        const bool queued =
            (!begin || PQsendQueryParams(conn_, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1) &&
            PQsendQueryParams(conn_, sp.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0) == 1 &&
            PQsendQueryPrepared(conn_, w.name.c_str(), w.nparams, values.data(), nullptr, nullptr, 0) == 1 &&
            (!withCommit || PQsendQueryParams(conn_, "COMMIT", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1) &&
            PQpipelineSync(conn_) == 1;
        inTransaction_ = true;
        int32_t result = rc::kConnectionLost;
        int32_t commitResult = rc::kConnectionLost;
        std::string commitTag;
        std::string kept;
        if (queued) {
            if (begin) nextResult(PGRES_COMMAND_OK, nullptr);
            nextResult(PGRES_COMMAND_OK, nullptr);  // the savepoint's result is not looked at
            PGresult* res = nullptr;
            result = nextResult(PGRES_COMMAND_OK, &res);
            kept = lastError;
            if (result == 0) {
                if ((w.kind == SqlKind::Update || w.kind == SqlKind::Delete) && std::strcmp(PQcmdTuples(res), "0") == 0)
                    result = rc::kNotFound;
                PQclear(res);
            }
            if (withCommit) {
                PGresult* c = nullptr;
                commitResult = nextResult(PGRES_COMMAND_OK, &c);
                if (c) {
                    commitTag = PQcmdStatus(c);
                    PQclear(c);
                }
            }
            pipelineSync();
        } else {
            resultCode(nullptr, PGRES_COMMAND_OK);
            kept = lastError;
        }
        PQexitPipelineMode(conn_);
        if (result != 0) {
            rollbackTo(rollback);
            lastError = kept;
            return result;
        }
        if (!commitAfter) return rc::kOk;
        if (!withCommit) return commit();
        // The commit went with the write: its answer is the write's, as a
        // failed commit is a failed write.
        if (commitResult == 0) {
            inTransaction_ = false;
            if (commitTag == "ROLLBACK")
                return fail(rc::kInternal, "the transaction was rolled back at its commit");
            return rc::kOk;
        }
        inTransaction_ = false;
        if (PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) != PQTRANS_IDLE) {
            countRoundTrip();
            PGresult* rb = PQexec(conn_, "ROLLBACK");
            PQclear(rb);
        }
        return commitResult;
    }

    int32_t takeRead(PendingRead& rd) override {
        if (!rd.sent) return Session::takeRead(rd);
        if (!rd.answer) {
            lastError = rd.error;
            return rd.result;
        }
        // The outputs are checked as a read sent alone checks them first.
        int32_t r = checkInto(entry(sqlSlot(*rd.sql)), rd.outs.data(), rd.outs.size());
        if (r != 0) return r;
        return singleRow(static_cast<PGresult*>(rd.answer.get()), rd.outs.data(), rd.outs.size());
    }

    int32_t execute(const Sql& sql, const Bind* binds, std::size_t nb) override {
        readSavepoint_ = false;  // a rollback to it would now undo this write
        ParsedSql parsed;
        int slot = sqlSlot(sql);
        Prepared& p = entry(slot);
        if (!p.ready && p.kind == SqlKind::Other) {
            parsed = parseSql(sql.text);
            p.kind = parsed.kind;
            if (parsed.kind == SqlKind::Savepoint || parsed.kind == SqlKind::Rollback) {
                p.text = renderSql(parsed, [](int n) { return "$" + std::to_string(n + 1); },
                                   [](const std::string& w) { return w; });
                for (auto it = parsed.pieces.rbegin(); it != parsed.pieces.rend(); ++it)
                    if (it->type == SqlPiece::Word) { p.savepointName = it->text; break; }
            }
        }
        if (p.kind == SqlKind::Savepoint) {
            if (!inTransaction_) {
                int32_t r = simple("BEGIN");
                if (r != 0) return r;
                inTransaction_ = true;
            }
            return simple(p.text.c_str());
        }
        if (p.kind == SqlKind::Commit) return commit();
        Prepared* pp = nullptr;
        int32_t r = prepare(sql, binds, nb, pp);
        if (r != 0) return r;
        PGresult* res = nullptr;
        if ((r = run(*pp, binds, nb, res)) != 0) return r;
        if ((pp->kind == SqlKind::Update || pp->kind == SqlKind::Delete) &&
            std::strcmp(PQcmdTuples(res), "0") == 0)
            r = rc::kNotFound;
        PQclear(res);
        return r;
    }

    int32_t rollbackTo(const Sql& sql) override {
        Prepared& p = entry(sqlSlot(sql));
        if (p.text.empty()) {
            ParsedSql parsed = parseSql(sql.text);
            p.kind = parsed.kind;
            p.text = renderSql(parsed, [](int n) { return "$" + std::to_string(n + 1); },
                               [](const std::string& w) { return w; });
            for (auto it = parsed.pieces.rbegin(); it != parsed.pieces.rend(); ++it)
                if (it->type == SqlPiece::Word) { p.savepointName = it->text; break; }
        }
        if (!inTransaction_) return fail(rc::kInternal, "no savepoint to roll back to");
        readSavepoint_ = false;
        int32_t r = simple(p.text.c_str());
        // Outside a unit the savepoint opened the transaction: end it, it
        // holds nothing.
        if (!inUnit) commit();
        return r;
    }

    int32_t commit() override {
        readSavepoint_ = false;
        if (!inTransaction_) return rc::kOk;
        inTransaction_ = false;
        countRoundTrip();
        PGresult* r = PQexec(conn_, "COMMIT");
        int32_t code = resultCode(r, PGRES_COMMAND_OK);
        // A transaction that a failed statement had aborted ends with
        // ROLLBACK although the command itself succeeds.
        if (code == 0 && std::strcmp(PQcmdStatus(r), "ROLLBACK") == 0)
            code = fail(rc::kInternal, "the transaction was rolled back at its commit");
        PQclear(r);
        if (code != 0 && PQtransactionStatus(conn_) != PQTRANS_IDLE && PQstatus(conn_) == CONNECTION_OK) {
            countRoundTrip();
            PGresult* rb = PQexec(conn_, "ROLLBACK");
            PQclear(rb);
        }
        return code;
    }

    int32_t rollbackUnit() override {
        inUnit = false;
        readSavepoint_ = false;
        if (!inTransaction_) return rc::kOk;
        inTransaction_ = false;
        return simple("ROLLBACK");
    }

    // Session-level advisory locks, keyed by the hashes of the current
    // schema and the name; two names that met in the hash would only wait
    // for each other. The wait is bounded by the lock timeout of the one
    // statement that takes the lock.
    int32_t lock(const std::string& name, int waitSeconds) override {
        const char* vals[] = {name.c_str()};
        if (waitSeconds <= 0) {
            countRoundTrip();
            PGresult* r = PQexecParams(conn_, "select pg_try_advisory_lock(hashtext(current_schema()), hashtext($1))",
                                       1, nullptr, vals, nullptr, nullptr, 0);
            int32_t code = resultCode(r, PGRES_TUPLES_OK);
            if (code == 0 && std::strcmp(PQgetvalue(r, 0, 0), "t") != 0)
                code = fail(rc::kBusy, "lock " + name + " is held by another session");
            PQclear(r);
            return code;
        }
        std::string timeout = "SET lock_timeout = '" + std::to_string(waitSeconds) + "s'";
        int32_t code = simple(timeout.c_str());
        if (code != 0) return code;
        countRoundTrip();
        PGresult* r = PQexecParams(conn_, "select pg_advisory_lock(hashtext(current_schema()), hashtext($1))", 1,
                                   nullptr, vals, nullptr, nullptr, 0);
        code = resultCode(r, PGRES_TUPLES_OK);
        PQclear(r);
        simple("RESET lock_timeout");
        return code;
    }

    int32_t unlock(const std::string& name) override {
        const char* vals[] = {name.c_str()};
        countRoundTrip();
        PGresult* r = PQexecParams(conn_, "select pg_advisory_unlock(hashtext(current_schema()), hashtext($1))", 1,
                                   nullptr, vals, nullptr, nullptr, 0);
        int32_t code = resultCode(r, PGRES_TUPLES_OK);
        if (code == 0 && std::strcmp(PQgetvalue(r, 0, 0), "t") != 0)
            code = fail(rc::kInternal, "lock " + name + " was not held");
        PQclear(r);
        return code;
    }

    int32_t cursorOpen(Cursor& c, const Bind* binds, std::size_t nb) override {
        return guardedRead([&] { return cursorOpenNow(c, binds, nb); });
    }

    int32_t cursorOpenNow(Cursor& c, const Bind* binds, std::size_t nb) {
        Prepared* p = nullptr;
        int32_t r = prepare(c.sql(), binds, nb, p);
        closeState(c);
        if (r != 0) return r;
        if (p->kind != SqlKind::Select) return fail(rc::kSyntax, "cursor text is not a select");
        PGresult* res = nullptr;
        // The rows are taken as of the open, with the key values of the open.
        if ((r = run(*p, binds, nb, res)) != 0) return r;
        OpenCursor& oc = cursors_[&c];
        oc.res = res;
        oc.row = 0;
        c.state = &oc;
        c.session = id;
        return rc::kOk;
    }

    int32_t cursorFetch(Cursor& c, const HostVar* outs, std::size_t no) override {
        OpenCursor* oc = state(c);
        if (!oc) return fail(rc::kInvalidCursor, "cursor is not open");
        if (PQnfields(oc->res) != static_cast<int>(no))
            return fail(rc::kSelectListMismatch, "output list does not match the select list");
        if (oc->row >= PQntuples(oc->res)) return rc::kNotFound;
        return fetchRow(oc->res, oc->row++, outs, no);
    }

    int32_t cursorClose(Cursor& c) override {
        if (!state(c)) {
            c.state = nullptr;
            return fail(rc::kInvalidCursor, "cursor is not open");
        }
        closeState(c);
        return rc::kOk;
    }

    std::vector<std::string> preparedTexts() const override {
        std::vector<std::string> out;
        for (const Prepared& p : cache_)
            if (p.ready) out.push_back(p.text);
        return out;
    }

private:
    int32_t fail(int32_t code, const std::string& text) {
        lastError = text;
        return code;
    }

    Prepared& entry(int slot) {
        if (static_cast<std::size_t>(slot) >= cache_.size()) cache_.resize(static_cast<std::size_t>(slot) + 1);
        return cache_[static_cast<std::size_t>(slot)];
    }

    OpenCursor* state(Cursor& c) {
        if (!c.state || c.session != id) return nullptr;
        return static_cast<OpenCursor*>(c.state);
    }

    void closeState(Cursor& c) {
        auto it = cursors_.find(&c);
        if (it != cursors_.end()) {
            PQclear(it->second.res);
            cursors_.erase(it);
        }
        c.state = nullptr;
    }

    void clearCursors() {
        for (auto& [cursor, oc] : cursors_) {
            PQclear(oc.res);
            cursor->state = nullptr;
        }
        cursors_.clear();
    }

    int32_t resultCode(PGresult* r, ExecStatusType ok) {
        if (r && PQresultStatus(r) == ok) return rc::kOk;
        if (PQstatus(conn_) != CONNECTION_OK) {
            lastError = PQerrorMessage(conn_);
            return rc::kConnectionLost;
        }
        lastError = r ? PQresultErrorMessage(r) : PQerrorMessage(conn_);
        while (!lastError.empty() && lastError.back() == '\n') lastError.pop_back();
        return r ? mapSqlState(PQresultErrorField(r, PG_DIAG_SQLSTATE)) : rc::kConnectionLost;
    }

    int32_t simple(const char* text) {
        countRoundTrip();
        PGresult* r = PQexec(conn_, text);
        int32_t code = resultCode(r, PGRES_COMMAND_OK);
        PQclear(r);
        return code;
    }

    // Prepares the text once per session, with the parameter types of its
    // first inputs (the statement operations always bind the same types).
    int32_t prepare(const Sql& sql, const Bind* binds, std::size_t nb, Prepared*& out) {
        lastError.clear();
        Prepared& p = entry(sqlSlot(sql));
        out = &p;
        if (p.ready) return rc::kOk;
        // The order by goes as written: the server's default NULL place
        // (last ascending, first descending) is the program's, for every
        // term (NullOrder.hpp).
        ParsedSql parsed = parseSql(preparedText(sql));
        p.kind = parsed.kind;
        p.into = parsed.into;
        p.placeholderMask = parsed.placeholderMask;
        p.dateInputs = dateInputsOf(parsed);
        p.text = translate(parsed);
        int maxN = -1;
        for (int n : parsed.placeholders) maxN = std::max(maxN, n);
        p.nparams = maxN + 1;
        std::vector<Oid> types(static_cast<std::size_t>(p.nparams), kText);
        for (std::size_t i = 0; i < nb; ++i) {
            if (binds[i].n < 0 || binds[i].n >= p.nparams) continue;
            types[static_cast<std::size_t>(binds[i].n)] =
                binds[i].v.type == HostType::Int32 ? kInt4 : binds[i].v.type == HostType::Double ? kFloat8 : kText;
        }
        p.name = "dv" + std::to_string(sqlSlot(sql));
        countRoundTrip();
        PGresult* r = PQprepare(conn_, p.name.c_str(), p.text.c_str(), p.nparams, types.data());
        int32_t code = resultCode(r, PGRES_COMMAND_OK);
        PQclear(r);
        if (code != 0) return code;
        p.ready = true;
        return rc::kOk;
    }

    // A read inside an open transaction (a unit of work) runs under a
    // savepoint, which a failure (of its prepare as well) rolls back to;
    // outside, it runs on its own. Reads change nothing, so one savepoint
    // serves every read up to the next write: only a write makes it stale.
    template <typename F>
    int32_t guardedRead(F&& read) {
        if (!inTransaction_) return read();
        if (!readSavepoint_) {
            int32_t r = simple(kReadSavepoint);
            if (r != 0) return r;
            readSavepoint_ = true;
        }
        int32_t r = read();
        if (r != 0 && r != rc::kNotFound) {
            std::string kept = lastError;
            simple(kReadRollback);
            lastError = kept;
        }
        return r;
    }

    // The next statement's result in pipeline mode (kept in *keep when it
    // is 0 and keep is given, else cleared), and the end of its results.
    int32_t nextResult(ExecStatusType want, PGresult** keep) {
        PGresult* r = PQgetResult(conn_);
        int32_t code;
        if (r && PQresultStatus(r) == PGRES_PIPELINE_ABORTED)
            code = fail(rc::kInternal, "not run: an earlier statement of the batch failed");
        else
            code = resultCode(r, want);
        if (keep && code == 0) *keep = r;
        else PQclear(r);
        if (r && PQstatus(conn_) == CONNECTION_OK)
            if (PGresult* end = PQgetResult(conn_)) PQclear(end);
        return code;
    }

    // The sync that ends a pipeline's statements.
    void pipelineSync() {
        if (PQstatus(conn_) != CONNECTION_OK) return;
        if (PGresult* sync = PQgetResult(conn_)) PQclear(sync);
    }

    // The server's text of a savepoint statement of the program.
    std::string savepointText(const Sql& sql) {
        Prepared& p = entry(sqlSlot(sql));
        if (p.text.empty()) {
            ParsedSql parsed = parseSql(sql.text);
            p.kind = parsed.kind;
            p.text = renderSql(parsed, [](int n) { return "$" + std::to_string(n + 1); },
                               [](const std::string& w) { return w; });
            for (auto it = parsed.pieces.rbegin(); it != parsed.pieces.rend(); ++it)
                if (it->type == SqlPiece::Word) { p.savepointName = it->text; break; }
        }
        return p.text;
    }

    int32_t checkInto(const Prepared& p, const HostVar* outs, std::size_t no) {
        if (p.kind != SqlKind::SelectInto) return fail(rc::kSyntax, "not a select with INTO");
        if (p.into.size() != no) return fail(rc::kSelectListMismatch, "output list does not match INTO list");
        for (std::size_t i = 0; i < no; ++i)
            if (p.into[i].indicator != outs[i].ind)
                return fail(rc::kSelectListMismatch, "indicator of output " + std::to_string(i) + " does not match");
        return rc::kOk;
    }

    int32_t singleRow(PGresult* res, const HostVar* outs, std::size_t no) {
        int rows = PQntuples(res);
        if (rows == 0) return rc::kNotFound;
        if (rows > 1) return fail(rc::kTooManyRows, "single-row select found more rows");
        return fetchRow(res, 0, outs, no);
    }

    int32_t run(const Prepared& p, const Bind* binds, std::size_t nb, PGresult*& res) {
        std::vector<std::string> text;
        std::vector<const char*> values;
        int32_t code = params(p, binds, nb, text, values);
        if (code != 0) return code;
        countRoundTrip();
        res = PQexecPrepared(conn_, p.name.c_str(), p.nparams, values.data(), nullptr, nullptr, 0);
        ExecStatusType want = (p.kind == SqlKind::Select || p.kind == SqlKind::SelectInto) ? PGRES_TUPLES_OK
                                                                                          : PGRES_COMMAND_OK;
        code = resultCode(res, want);
        if (code != 0) {
            PQclear(res);
            res = nullptr;
        }
        return code;
    }

    // The parameter texts of a statement's inputs, checked as the server
    // would not check them.
    int32_t params(const Prepared& p, const Bind* binds, std::size_t nb, std::vector<std::string>& text,
                   std::vector<const char*>& values) {
        text.assign(static_cast<std::size_t>(p.nparams), std::string());
        values.assign(static_cast<std::size_t>(p.nparams), nullptr);
        uint64_t bound = 0;
        for (std::size_t i = 0; i < nb; ++i) {
            const Bind& b = binds[i];
            if (b.n < 0 || b.n >= p.nparams) return fail(rc::kNotAllBound, "placeholder not in the text");
            std::size_t k = static_cast<std::size_t>(b.n);
            switch (b.v.type) {
                case HostType::Int32: text[k] = std::to_string(*static_cast<const int32_t*>(b.v.ptr)); break;
                case HostType::Double: {
                    char buf[40];
                    std::snprintf(buf, sizeof buf, "%.17g", *static_cast<const double*>(b.v.ptr));
                    text[k] = buf;
                    break;
                }
                case HostType::Text: {
                    const char* s = static_cast<const char*>(b.v.ptr);
                    text[k].assign(s, strnlen(s, b.v.cap ? b.v.cap - 1 : 0));
                    break;
                }
            }
            // An empty text is NULL, as on the original database.
            values[k] = b.v.type == HostType::Text && text[k].empty() ? nullptr : text[k].c_str();
            if (b.n < 64) bound |= uint64_t{1} << b.n;
        }
        if ((bound & p.placeholderMask) != p.placeholderMask)
            return fail(rc::kNotAllBound, "a placeholder has no input value");
        // A date text that does not fit its format fails with the code the
        // embedded backend gives for it (the same parser), not with
        // whatever the server's own conversion would say.
        for (const auto& [n, format] : p.dateInputs) {
            const std::string& v = text[static_cast<std::size_t>(n)];
            if (!values[static_cast<std::size_t>(n)] || v.empty()) continue;
            int32_t err = 0;
            if (!jd::parse(v, format, err)) return fail(err, "date text does not match its format");
        }
        return rc::kOk;
    }

    int32_t fetchRow(PGresult* res, int row, const HostVar* outs, std::size_t no) {
        if (PQnfields(res) != static_cast<int>(no))
            return fail(rc::kSelectListMismatch, "output list does not match the select list");
        for (std::size_t i = 0; i < no; ++i) {
            const HostVar& o = outs[i];
            int col = static_cast<int>(i);
            if (PQgetisnull(res, row, col)) {
                if (int32_t r = putNull(o)) return fail(r, outputFailure(r, i));
                continue;
            }
            const char* v = PQgetvalue(res, row, col);
            switch (o.type) {
                case HostType::Int32: {
                    char* end = nullptr;
                    errno = 0;
                    double d = std::strtod(v, &end);
                    if (end == v || *end != '\0') return fail(rc::kInvalidNumber, "not a number");
                    if (d < INT32_MIN || d > INT32_MAX) return fail(rc::kIntOverflow, "integer out of range");
                    *static_cast<int32_t*>(o.ptr) = static_cast<int32_t>(d);
                    break;
                }
                case HostType::Double: {
                    char* end = nullptr;
                    double d = std::strtod(v, &end);
                    if (end == v || *end != '\0') return fail(rc::kInvalidNumber, "not a number");
                    *static_cast<double*>(o.ptr) = d;
                    break;
                }
                case HostType::Text: {
                    const std::size_t len = static_cast<std::size_t>(PQgetlength(res, row, col));
                    if (int32_t r = putText(o, v, len)) return fail(r, outputFailure(r, i));
                    break;
                }
            }
        }
        return rc::kOk;
    }

    PGconn* conn_;
    bool pipeline_;  // batches go out together (else one statement at a time)
    bool inTransaction_ = false;
    bool readSavepoint_ = false;  // Dv_Lesen_Sp stands after the last write
    std::deque<Prepared> cache_;  // open cursors point into it: it must not move
    std::unordered_map<Cursor*, OpenCursor> cursors_;
};

}  // namespace

std::unique_ptr<Session> openPostgresSession(const std::string& user, const std::string& password,
                                             const std::string& uri, int32_t& result) {
    const char* keys[] = {"dbname", "user", "password", "application_name", nullptr};
    const char* vals[] = {uri.c_str(), user.c_str(), password.c_str(), "dorvelian", nullptr};
    PGconn* c = PQconnectdbParams(keys, vals, 1);
    if (!c || PQstatus(c) != CONNECTION_OK) {
        std::string msg = c ? PQerrorMessage(c) : "out of memory";
        bool refused = msg.find("authentication failed") != std::string::npos ||
                       msg.find("role") != std::string::npos || msg.find("password") != std::string::npos;
        result = refused ? rc::kLogonDenied : rc::kUnknownService;
        PQfinish(c);
        return nullptr;
    }
    PQsetNoticeProcessor(c, [](void*, const char*) {}, nullptr);
    result = rc::kOk;
    // DORVELIAN_PIPELINE=off sends every statement on its own, as the plain
    // path to compare the batched one with.
    const char* mode = std::getenv("DORVELIAN_PIPELINE");
    bool pipeline = !(mode && std::strcmp(mode, "off") == 0);
    return std::make_unique<PostgresSession>(c, pipeline);
}

}  // namespace db
