#include "db/Connect.hpp"

#include <string>

#include "db/Runtime.hpp"

int32_t dbConnect(const char* user, const char* password, const char* service, const char* schema) {
    // The logon text and the schema statement are built to size: a long
    // service or schema is refused by the backend, never cut off here.
    std::string logon = std::string(user) + "/" + password + "@" + service;
    int32_t r = db::connect(logon);
    if (r != 0) return r;
    return db::executeImmediate(std::string("ALTER SESSION SET CURRENT_SCHEMA=") + schema);
}

int32_t Sql_Commit() { return db::commit(); }
