#include "demoplan/DemoPostgres.hpp"

#include <libpq-fe.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "db/JulianDate.hpp"

namespace {

using Verbindung = std::unique_ptr<PGconn, decltype(&PQfinish)>;

std::string Klein(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool Ausfuehren(PGconn* c, const std::string& sql, std::string& fehler) {
    PGresult* r = PQexec(c, sql.c_str());
    const ExecStatusType st = PQresultStatus(r);
    const bool ok = st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK;
    if (!ok) fehler = std::string(PQresultErrorMessage(r)) + " in: " + sql.substr(0, 120);
    PQclear(r);
    return ok;
}


bool Skript(PGconn* c, const std::string& dir, const char* datei, std::string& fehler) {
    std::string sql;
    if (!DdlDateiLesen(dir + "/" + datei, sql)) {
        fehler = "cannot read " + dir + "/" + datei;
        return false;
    }
    return Ausfuehren(c, sql, fehler);
}

// Appends a value in the text format of COPY.
void CopyWert(std::string& zeile, const char* v) {
    for (const char* p = v; *p; ++p) {
        switch (*p) {
            case '\\': zeile += "\\\\"; break;
            case '\t': zeile += "\\t"; break;
            case '\n': zeile += "\\n"; break;
            case '\r': zeile += "\\r"; break;
            default: zeile += *p;
        }
    }
}

struct Spalte {
    std::string name;  // as the server folds it
    std::string typ;   // data_type of information_schema
};

// The server's columns of a table, in their order.
bool Spalten(PGconn* c, const std::string& schema, const std::string& tabelle, std::vector<Spalte>& out,
             std::string& fehler) {
    const char* werte[] = {schema.c_str(), tabelle.c_str()};
    PGresult* r = PQexecParams(c,
                               "select column_name, data_type from information_schema.columns "
                               "where table_schema = $1 and table_name = $2 order by ordinal_position",
                               2, nullptr, werte, nullptr, nullptr, 0);
    if (PQresultStatus(r) != PGRES_TUPLES_OK) {
        fehler = PQresultErrorMessage(r);
        PQclear(r);
        return false;
    }
    out.clear();
    for (int i = 0; i < PQntuples(r); ++i) out.push_back({PQgetvalue(r, i, 0), PQgetvalue(r, i, 1)});
    PQclear(r);
    if (out.empty()) fehler = "table " + schema + "." + tabelle + " is missing on the server";
    return !out.empty();
}

// Copies one SQLite table into the server table of the same name. Dates and
// time stamps are Julian day numbers in SQLite and become date and
// timestamp texts.
bool TabelleKopieren(sqlite3* plan, PGconn* c, const std::string& quelle, const std::string& pgSchema,
                     const std::string& tabelle, long& zeilen, std::string& fehler) {
    std::vector<Spalte> spalten;
    if (!Spalten(c, pgSchema, Klein(tabelle), spalten, fehler)) return false;
    std::string liste, auswahl;
    for (const Spalte& s : spalten) {
        if (!liste.empty()) {
            liste += ",";
            auswahl += ",";
        }
        liste += s.name;
        auswahl += s.name;
    }
    sqlite3_stmt* st = nullptr;
    const std::string select = "select " + auswahl + " from " + quelle + "." + tabelle;
    if (sqlite3_prepare_v2(plan, select.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        fehler = std::string(sqlite3_errmsg(plan)) + " in: " + select;
        return false;
    }
    const std::string copy = "COPY " + pgSchema + "." + Klein(tabelle) + " (" + liste + ") FROM STDIN";
    PGresult* start = PQexec(c, copy.c_str());
    const bool bereit = PQresultStatus(start) == PGRES_COPY_IN;
    if (!bereit) fehler = std::string(PQresultErrorMessage(start)) + " in: " + copy;
    PQclear(start);
    if (!bereit) {
        sqlite3_finalize(st);
        return false;
    }
    std::string puffer, wert;
    bool ok = true;
    int rc = SQLITE_DONE;
    zeilen = 0;
    while (ok && (rc = sqlite3_step(st)) == SQLITE_ROW) {
        for (int i = 0; i < static_cast<int>(spalten.size()); ++i) {
            if (i) puffer += '\t';
            if (sqlite3_column_type(st, i) == SQLITE_NULL) {
                puffer += "\\N";
                continue;
            }
            const std::string& typ = spalten[static_cast<std::size_t>(i)].typ;
            if (typ == "date" || typ.rfind("timestamp", 0) == 0) {
                const char* format = typ == "date" ? "yyyymmdd" : "yyyymmddhh24miss";
                if (!db::jd::format(sqlite3_column_double(st, i), format, wert)) {
                    fehler = "unusable date in " + tabelle;
                    ok = false;
                    break;
                }
                // 'yyyymmddhhmiss' is no input form of the server: 'yyyymmdd hh:mi:ss' is.
                if (wert.size() == 14) wert = wert.substr(0, 8) + " " + wert.substr(8, 2) + ":" + wert.substr(10, 2) + ":" + wert.substr(12, 2);
                puffer += wert;
            } else {
                CopyWert(puffer, reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
            }
        }
        puffer += '\n';
        ++zeilen;
        if (puffer.size() > (1u << 20)) {
            ok = PQputCopyData(c, puffer.data(), static_cast<int>(puffer.size())) == 1;
            puffer.clear();
        }
    }
    if (ok && rc != SQLITE_DONE) {
        fehler = sqlite3_errmsg(plan);
        ok = false;
    }
    sqlite3_finalize(st);
    if (ok && !puffer.empty()) ok = PQputCopyData(c, puffer.data(), static_cast<int>(puffer.size())) == 1;
    if (PQputCopyEnd(c, ok ? nullptr : "aborted") != 1) ok = false;
    PGresult* r;
    while ((r = PQgetResult(c)) != nullptr) {
        if (PQresultStatus(r) != PGRES_COMMAND_OK) {
            if (fehler.empty()) fehler = std::string(PQresultErrorMessage(r)) + " (copying " + tabelle + ")";
            ok = false;
        }
        PQclear(r);
    }
    if (!ok && fehler.empty()) fehler = std::string(PQerrorMessage(c)) + " (copying " + tabelle + ")";
    return ok;
}

bool Tabellen(sqlite3* plan, const std::string& quelle, std::vector<std::string>& out, std::string& fehler) {
    sqlite3_stmt* st = nullptr;
    const std::string sql = "select name from " + quelle + ".sqlite_master where type='table' order by name";
    if (sqlite3_prepare_v2(plan, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        fehler = sqlite3_errmsg(plan);
        return false;
    }
    while (sqlite3_step(st) == SQLITE_ROW) out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return true;
}

}  // namespace

bool DdlDateiLesen(const std::string& pfad, std::string& inhalt) {
    std::ifstream f(pfad, std::ios::binary);
    if (!f) return false;
    std::stringstream ss;
    ss << f.rdbuf();
    inhalt = ss.str();
    return !inhalt.empty();
}

int PlanNachPostgres(sqlite3* plan, const PgZiel& ziel, std::string& fehler) {
    const char* schluessel[] = {"dbname", "user", "password", nullptr};
    const char* werte[] = {ziel.uri.c_str(), ziel.user.c_str(), ziel.password.c_str(), nullptr};
    Verbindung c(PQconnectdbParams(schluessel, werte, 1), &PQfinish);
    if (!c || PQstatus(c.get()) != CONNECTION_OK) {
        fehler = c ? PQerrorMessage(c.get()) : "out of memory";
        while (!fehler.empty() && fehler.back() == '\n') fehler.pop_back();
        return 1;
    }
    const std::string schema = Klein(ziel.schema);
    const char* name[] = {schema.c_str()};
    PGresult* r = PQexecParams(c.get(), "select 1 from pg_namespace where nspname = $1", 1, nullptr, name, nullptr,
                               nullptr, 0);
    const bool vorhanden = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1;
    PQclear(r);
    if (vorhanden && !ziel.ersetzen) {
        fehler = "schema " + schema + " exists; use --force to replace it";
        return 2;
    }

    PGconn* k = c.get();
    bool ok = Ausfuehren(k, "SET client_min_messages TO warning", fehler) && Ausfuehren(k, "BEGIN", fehler) &&
              Ausfuehren(k, "DROP SCHEMA IF EXISTS " + schema + " CASCADE", fehler) &&
              Ausfuehren(k, "CREATE SCHEMA " + schema, fehler) &&
              Ausfuehren(k, "SET LOCAL search_path TO " + schema, fehler) &&
              Skript(k, ziel.ddlDir, "schema.sql", fehler) && Skript(k, ziel.ddlDir, "indexes.sql", fehler) &&
              Skript(k, ziel.ddlDir, "views.sql", fehler);
    for (const std::string& a : ziel.anpassungen) ok = ok && Ausfuehren(k, a, fehler);
    // The central calendar: created when missing, its rows replaced.
    if (ok) {
        r = PQexec(k, "select 1 from pg_tables where schemaname = 'dvmaster' and tablename = 'dvm133bak'");
        const bool kalender = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1;
        PQclear(r);
        ok = (kalender || Skript(k, ziel.ddlDir, "dvmaster.sql", fehler)) &&
             Ausfuehren(k, "DELETE FROM dvmaster.dvm133bak", fehler);
    }
    std::vector<std::string> planTabellen, masterTabellen;
    ok = ok && Tabellen(plan, "main", planTabellen, fehler) && Tabellen(plan, "DVMASTER", masterTabellen, fehler);
    std::vector<std::string> gefuellt;  // tables that received rows, qualified
    long zeilen = 0;
    for (const std::string& t : planTabellen) {
        if (!ok) break;
        ok = TabelleKopieren(plan, k, "main", schema, t, zeilen, fehler);
        if (zeilen > 0) gefuellt.push_back(schema + "." + Klein(t));
    }
    for (const std::string& t : masterTabellen) {
        if (!ok) break;
        ok = TabelleKopieren(plan, k, "DVMASTER", "dvmaster", t, zeilen, fehler);
        if (zeilen > 0) gefuellt.push_back("dvmaster." + Klein(t));
    }
    ok = ok && Ausfuehren(k, "COMMIT", fehler);
    // Fresh statistics, so that the server plans the program's statements on
    // the indexes from the first run on. Tables left empty (proposals, error
    // rows) stay unanalysed: statistics of an empty table would make every
    // statement on it a full scan for as long as the run fills it.
    for (const std::string& t : gefuellt) ok = ok && Ausfuehren(k, "ANALYZE " + t, fehler);
    if (!ok) {
        PQclear(PQexec(k, "ROLLBACK"));
        while (!fehler.empty() && fehler.back() == '\n') fehler.pop_back();
        return 1;
    }
    return 0;
}
