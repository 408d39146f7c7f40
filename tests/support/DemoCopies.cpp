#include "support/DemoCopies.hpp"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>

#include "support/PlanCopy.hpp"

namespace testdb {

namespace {
int g_copies = 0;

PGconn* pgOpen(const std::string& uri) {
    const char* k[] = {"dbname", "user", "password", nullptr};
    const char* v[] = {uri.c_str(), "dorvelian", "dorvelian", nullptr};
    PGconn* c = PQconnectdbParams(k, v, 1);
    if (PQstatus(c) != CONNECTION_OK) ADD_FAILURE() << PQerrorMessage(c);
    PQsetNoticeProcessor(c, [](void*, const char*) {}, nullptr);
    return c;
}

bool pgRun(PGconn* c, const std::string& sql) {
    PGresult* r = PQexec(c, sql.c_str());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    if (!ok) ADD_FAILURE() << PQresultErrorMessage(r) << " in: " << sql;
    PQclear(r);
    return ok;
}
}  // namespace

DemoCopies::DemoCopies(Backend backend, const std::string& options) : backend_(backend) {
    root_ = makeTempDir();
    if (backend_ == Backend::Sqlite) {
        ok_ = makeDemoPlan(root_ + "/demo", options);
        return;
    }
    const std::string server = postgresUri();
    if (server.empty()) return;
    base_ = "dv_demo_" + std::to_string(getpid()) + "_" + std::to_string(++g_copies);
    PGconn* admin = pgOpen(server);
    ok_ = pgRun(admin, "DROP DATABASE IF EXISTS " + base_) && pgRun(admin, "CREATE DATABASE " + base_);
    PQfinish(admin);
    if (!ok_) return;
    databases_.push_back(base_);
    const std::string uri = uriWithDatabase(server, base_);
    const std::string cmd = std::string(DORVELIAN_BIN_DIR) + "/dorvelian-demo --dir '" + root_ + "/demo' --force " +
                            options + " --pg '" + uri + "' --user dorvelian --password dorvelian >/dev/null 2>&1";
    ok_ = std::system(cmd.c_str()) == 0;
    if (!ok_) return;
    PGconn* c = pgOpen(uri);
    // Horizon of three weeks: the period runs past the last plan day.
    ok_ = pgRun(c, "UPDATE plan.Dvm701Plg SET PlgHzt = 3");
    PQfinish(c);
}

DemoCopies::~DemoCopies() {
    if (!databases_.empty()) {
        PGconn* admin = pgOpen(postgresUri());
        for (auto it = databases_.rbegin(); it != databases_.rend(); ++it)
            PQclear(PQexec(admin, ("DROP DATABASE IF EXISTS " + *it + " WITH (FORCE)").c_str()));
        PQfinish(admin);
    }
    removeTree(root_);
}

std::string DemoCopies::copy(const std::string& name) {
    if (!ok_) return "";
    if (backend_ == Backend::Sqlite) {
        const std::string dir = root_ + "/" + name;
        return copyPlan(root_ + "/demo/db", dir) ? "sqlite:" + dir : "";
    }
    const std::string db = base_ + "_" + name;
    PGconn* admin = pgOpen(postgresUri());
    const bool ok = pgRun(admin, "DROP DATABASE IF EXISTS " + db + " WITH (FORCE)") &&
                    pgRun(admin, "CREATE DATABASE " + db + " TEMPLATE " + base_);
    PQfinish(admin);
    if (!ok) return "";
    databases_.push_back(db);
    return uriWithDatabase(postgresUri(), db);
}

std::string DemoCopies::login() const { return backend_ == Backend::Sqlite ? "demo" : "dorvelian"; }
std::string DemoCopies::password() const { return backend_ == Backend::Sqlite ? "demo" : "dorvelian"; }

PlanRows::PlanRows(Backend backend, const std::string& service) : backend_(backend) {
    if (backend_ == Backend::Sqlite) {
        const std::string dir = service.substr(7);  // after "sqlite:"
        sqlite3_open_v2((dir + "/PLAN.db").c_str(), &sq_, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(sq_, 10000);
        const std::string attach = "ATTACH DATABASE '" + dir + "/DVMASTER.db' AS DVMASTER";
        sqlite3_exec(sq_, attach.c_str(), nullptr, nullptr, nullptr);
    } else {
        pg_ = pgOpen(service);
        PQclear(PQexec(pg_, "SET client_min_messages TO warning; SET search_path TO plan"));
    }
}

PlanRows::~PlanRows() {
    if (sq_) sqlite3_close(sq_);
    if (pg_) PQfinish(pg_);
}

bool PlanRows::tryQuery(const std::string& sql, std::vector<std::string>& out, std::string& err) {
    out.clear();
    if (pg_) {
        PGresult* r = PQexec(pg_, sql.c_str());
        const ExecStatusType st = PQresultStatus(r);
        if (st != PGRES_TUPLES_OK && st != PGRES_COMMAND_OK) {
            err = PQresultErrorMessage(r);
            PQclear(r);
            return false;
        }
        for (int z = 0; z < PQntuples(r); ++z) {
            std::string row;
            for (int i = 0; i < PQnfields(r); ++i) {
                if (i) row += '|';
                row += PQgetisnull(r, z, i) ? std::string("~") : std::string(PQgetvalue(r, z, i));
            }
            out.push_back(row);
        }
        PQclear(r);
        return true;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(sq_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        err = sqlite3_errmsg(sq_);
        return false;
    }
    int r;
    while ((r = sqlite3_step(st)) == SQLITE_ROW) {
        std::string row;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            if (c) row += '|';
            const unsigned char* t = sqlite3_column_text(st, c);
            row += t ? reinterpret_cast<const char*>(t) : "~";
        }
        out.push_back(row);
    }
    if (r != SQLITE_DONE) err = sqlite3_errmsg(sq_);
    sqlite3_finalize(st);
    return r == SQLITE_DONE;
}

std::vector<std::string> PlanRows::rows(const std::string& sql) {
    std::vector<std::string> out;
    std::string err;
    EXPECT_TRUE(tryQuery(sql, out, err)) << err << "\n  in: " << sql;
    return out;
}

std::string PlanRows::scalar(const std::string& sql) {
    std::vector<std::string> r = rows(sql);
    return r.empty() ? "" : r[0].substr(0, r[0].find('|'));
}

void PlanRows::exec(const std::string& sql) { rows(sql); }

std::string PlanRows::day(const std::string& column) const {
    return backend_ == Backend::Sqlite ? "strftime('%Y%m%d', " + column + ")" : "to_char(" + column + ", 'YYYYMMDD')";
}

}  // namespace testdb

#include <algorithm>
#include <iterator>

#include "db/Bsm.hpp"
#include "optim/BsmFkt.hpp"

namespace testdb {

namespace {
std::vector<std::string> sortedRows(PlanRows& db, const std::string& sql) {
    std::vector<std::string> v = db.rows(sql);
    std::sort(v.begin(), v.end());
    return v;
}
}  // namespace

EndState endState(PlanRows& db) {
    EndState s;
    s.proposals = sortedRows(
        db, "SELECT BdkPnr, " + db.day("BdkBdt") +
                ", BdkEso, BdkEsa, BdkSzv, BdkSzb, BdkBsz, BdkAsw, BdkOso, BdkOsa, BdkOsv, BdkOsb, BdkOsz, BdkOsw, "
                "BdkPlg, BdkFnr, BdkSta, BdkErf FROM Dvm735Bdk");
    s.matrix = sortedRows(db, "SELECT BsmPlg, BsmEso, BsmEsa, " + db.day("BsmBdt") +
                                  ", BsmSzv, BsmSzb, BsmAsw, BsmBsz, BsmSol, BsmMin, BsmMax, BsmIst, BsmHtg, BsmHtv, "
                                  "BsmHtn, BsmKor, CAST(round(BsmKos * 100) AS integer), "
                                  "CAST(round(BsmKo2 * 100) AS integer), BsmOva, BsmOve, BsmFkt FROM Dvm725Bsm");
    s.errors = sortedRows(db, "SELECT ErrPlg, ErrKng, ErrLfn, ErrPnr, ErrEso, ErrEsa, ErrKnz, " + db.day("ErrBdt") +
                                  ", ErrZtv, ErrZtb, ErrFnr, ErrErf FROM Dvm746Err");
    s.inWork = sortedRows(db, "SELECT PlgPlg FROM Dvm701Plg WHERE PlgUsr IS NOT NULL AND PlgUsr <> ''");
    return s;
}

std::vector<std::string> disagreeingRows(PlanRows& db) {
    const std::string slot = "d.BdpPlg = m.BsmPlg AND d.BdpEso = m.BsmEso AND d.BdpEsa = m.BsmEsa AND "
                             "d.BdpBdt = m.BsmBdt AND d.BdpSzv = m.BsmSzv AND d.BdpAsw = m.BsmAsw AND "
                             "d.BdpSts <> 'O' AND d.BdpSts <> 'D'";
    const std::string offen = "b.BdkSta = 9 AND b.BdkErf = 'OPTIMIERUNG' AND b.BdkBdt = m.BsmBdt AND ";
    const std::vector<std::string> rows = db.rows(
        "SELECT BsmPlg || ' ' || BsmEso || ' ' || BsmEsa || ' ' || " + db.day("BsmBdt") +
        " || ' ' || BsmSzv, BsmIst, BsmHtg, BsmHtv, BsmHtn, BsmOva, BsmOve, BsmFkt, BsmSol, BsmMin, BsmMax, "
        "(SELECT count(*) FROM Dvm730Bdp d WHERE " + slot + " AND ((d.BdpZtv = m.BsmSzv AND d.BdpZtb = m.BsmSzb) "
        "OR d.BdpZtv <> m.BsmSzv OR d.BdpZtb <> m.BsmSzb)), "
        "(SELECT count(*) FROM Dvm730Bdp d WHERE " + slot + " AND d.BdpFc1 <> '   '), "
        "(SELECT count(*) FROM Dvm730Bdp d WHERE " + slot + " AND d.BdpFc2 <> '   '), "
        "(SELECT count(*) FROM Dvm730Bdp d WHERE " + slot + " AND d.BdpFc3 <> '   '), "
        "(SELECT count(*) FROM Dvm735Bdk b WHERE " + offen + "b.BdkEso = m.BsmEso AND b.BdkEsa = m.BsmEsa "
        "AND b.BdkSzv = m.BsmSzv AND b.BdkAsw = m.BsmAsw), "
        "(SELECT count(*) FROM Dvm735Bdk b WHERE " + offen + "b.BdkOso = m.BsmEso AND b.BdkOsa = m.BsmEsa "
        "AND b.BdkOsv = m.BsmSzv AND b.BdkOsw = m.BsmAsw) "
        "FROM Dvm725Bsm m WHERE BsmAsw NOT IN (3, 4)");
    std::vector<std::string> out;
    for (const std::string& row : rows) {
        std::vector<int> v;
        for (std::size_t pos = row.find('|'); pos != std::string::npos; pos = row.find('|', pos + 1))
            v.push_back(std::atoi(row.c_str() + pos + 1));
        if (v.size() != 16u) {
            out.push_back("unreadable: " + row);
            continue;
        }
        // v: stored Ist, Htg, Htv, Htn, Ova, Ove, Fkt; Sol, Min, Max;
        // counted Ist, Htg, Htv, Htn, Ova, Ove.
        Dvm725Bsm m;
        m.BsmSol = v[7], m.BsmMin = v[8], m.BsmMax = v[9];
        m.BsmIst = v[10], m.BsmHtg = v[11], m.BsmHtv = v[12], m.BsmHtn = v[13], m.BsmOva = v[14], m.BsmOve = v[15];
        Berechne_BsmFkt(m);
        if (std::vector<int>(v.begin(), v.begin() + 7) !=
            std::vector<int>{m.BsmIst, m.BsmHtg, m.BsmHtv, m.BsmHtn, m.BsmOva, m.BsmOve, m.BsmFkt})
            out.push_back(row);
    }
    return out;
}

std::vector<std::string> missingRows(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::vector<std::string> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

}  // namespace testdb
