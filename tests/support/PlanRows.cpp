// The raw plan reader of the tests on both backends.
#include "support/PlanRows.hpp"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include "support/ServerDb.hpp"

namespace testdb {

PlanRows::PlanRows(Backend backend, const std::string& service, const std::string& schema) : backend_(backend) {
    if (backend_ == Backend::Sqlite) {
        const std::string dir = service.substr(7);  // after "sqlite:"
        sqlite3_open_v2((dir + "/" + schema + ".db").c_str(), &sq_, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(sq_, 10000);
        const std::string attach = "ATTACH DATABASE '" + dir + "/DVMASTER.db' AS DVMASTER";
        sqlite3_exec(sq_, attach.c_str(), nullptr, nullptr, nullptr);
    } else {
        pg_ = serverConnect(service);
        PQclear(PQexec(pg_, "SET client_min_messages TO warning; SET search_path TO plan"));
    }
}

PlanRows::~PlanRows() {
    if (sq_) sqlite3_close(sq_);
    if (pg_) PQfinish(pg_);
}

bool PlanRows::tryCells(const std::string& sql, std::vector<std::vector<std::string>>& out, std::string& err) {
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
            std::vector<std::string>& row = out.emplace_back();
            for (int i = 0; i < PQnfields(r); ++i) row.push_back(PQgetisnull(r, z, i) ? "~" : PQgetvalue(r, z, i));
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
        std::vector<std::string>& row = out.emplace_back();
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            const unsigned char* t = sqlite3_column_text(st, c);
            row.push_back(t ? reinterpret_cast<const char*>(t) : "~");
        }
    }
    if (r != SQLITE_DONE) err = sqlite3_errmsg(sq_);
    sqlite3_finalize(st);
    return r == SQLITE_DONE;
}

bool PlanRows::tryQuery(const std::string& sql, std::vector<std::string>& rows, std::string& err) {
    std::vector<std::vector<std::string>> c;
    const bool ok = tryCells(sql, c, err);
    rows.clear();
    for (const auto& z : c) {
        std::string row;
        for (std::size_t i = 0; i < z.size(); ++i) row += (i ? "|" : "") + z[i];
        rows.push_back(row);
    }
    return ok;
}

std::vector<std::vector<std::string>> PlanRows::cells(const std::string& sql) {
    std::vector<std::vector<std::string>> out;
    std::string err;
    EXPECT_TRUE(tryCells(sql, out, err)) << err << "\n  in: " << sql;
    return out;
}

std::vector<std::string> PlanRows::rows(const std::string& sql) {
    std::vector<std::string> out;
    std::string err;
    EXPECT_TRUE(tryQuery(sql, out, err)) << err << "\n  in: " << sql;
    return out;
}

std::string PlanRows::scalar(const std::string& sql) {
    const auto c = cells(sql);
    return c.empty() || c[0].empty() ? "" : c[0][0];
}

void PlanRows::exec(const std::string& sql) { cells(sql); }

std::string PlanRows::columnsExcept(const std::string& table, const std::vector<std::string>& skip) {
    const std::string sql = backend_ == Backend::Sqlite
                                ? "SELECT name FROM pragma_table_info('" + table + "')"
                                : "SELECT column_name FROM information_schema.columns WHERE table_schema = 'plan' "
                                  "AND table_name = lower('" + table + "') ORDER BY ordinal_position";
    std::string out;
    for (const auto& c : cells(sql)) {
        bool drop = false;
        for (const std::string& s : skip) drop = drop || s == c[0];
        if (!drop) out += (out.empty() ? "" : ",") + c[0];
    }
    return out;
}

std::string PlanRows::day(const std::string& column) const {
    return backend_ == Backend::Sqlite ? "strftime('%Y%m%d', " + column + ")" : "to_char(" + column + ", 'YYYYMMDD')";
}

}  // namespace testdb
