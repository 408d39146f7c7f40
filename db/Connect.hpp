#pragma once
// Logon and schema switch of the run, and the commit of the scans.
#include <cstdint>

// Logs on with "user/password@service" and switches the session to the
// schema; returns the first result other than 0.
int32_t dbConnect(const char* user, const char* password, const char* service, const char* schema);
// Commits whatever is open; on failure nothing of it stays.
int32_t Sql_Commit();
