#pragma once
// Copies a demo plan written to the SQLite schema directory into a
// PostgreSQL database: the plan schema and the central calendar in schema
// dvmaster, with the DDL of schema/postgresql.
#include <sqlite3.h>

#include <string>
#include <vector>

struct PgZiel {
    std::string uri;       // libpq connection URI without user and password
    std::string user;
    std::string password;
    std::string schema;    // plan schema, folded to lower case on the server
    std::string ddlDir;    // directory of schema.sql, indexes.sql, views.sql, dvmaster.sql
    bool ersetzen = false; // drop an existing plan schema of that name
    std::vector<std::string> anpassungen;  // run in the plan schema after its DDL
};

// Reads a DDL file whole; false when it is missing or empty.
bool DdlDateiLesen(const std::string& pfad, std::string& inhalt);

// Copies every table of the plan (main) and of the attached DVMASTER
// database of plan into the server in one transaction. An existing plan
// schema is refused unless ziel.ersetzen; the calendar rows of dvmaster are
// replaced. Returns 0, 2 when the schema exists and may not be replaced, or
// 1 with the reason in fehler.
int PlanNachPostgres(sqlite3* plan, const PgZiel& ziel, std::string& fehler);
