// The tests' server databases and connections.
#include "support/ServerDb.hpp"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include "support/TestDb.hpp"

namespace testdb {

namespace {
int g_serverDbs = 0;

bool adminRun(const std::string& sql) {
    PGconn* admin = serverConnect(postgresUri());
    PGresult* r = PQexec(admin, sql.c_str());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    if (!ok) ADD_FAILURE() << PQresultErrorMessage(r) << " in: " << sql;
    PQclear(r);
    PQfinish(admin);
    return ok;
}
}  // namespace

pg_conn* serverConnect(const std::string& uri) {
    const char* k[] = {"dbname", "user", "password", nullptr};
    const char* v[] = {uri.c_str(), "dorvelian", "dorvelian", nullptr};
    PGconn* c = PQconnectdbParams(k, v, 1);
    if (PQstatus(c) != CONNECTION_OK) ADD_FAILURE() << PQerrorMessage(c);
    PQsetNoticeProcessor(c, [](void*, const char*) {}, nullptr);
    return c;
}

ServerDb::ServerDb(const std::string& prefix, const std::string& templateDb)
    : name_(prefix + "_" + std::to_string(getpid()) + "_" + std::to_string(++g_serverDbs)) {
    ok_ = adminRun("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)") &&
          adminRun("CREATE DATABASE " + name_ + (templateDb.empty() ? "" : " TEMPLATE " + templateDb));
    uri_ = uriWithDatabase(postgresUri(), name_);
}

ServerDb::~ServerDb() {
    PGconn* admin = serverConnect(postgresUri());
    PQclear(PQexec(admin, ("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)").c_str()));
    PQfinish(admin);
}

}  // namespace testdb
