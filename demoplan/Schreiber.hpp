#pragma once
// The writers of the demo plan generator: the SQLite database with a
// prepared, reused insert per table, the reference data (calendars, plan
// groups, models, persons and targets), the deployments and staffing-matrix
// rows of every day as the plan model chooses them, and the recount of the
// matrix by the optimiser's own code.
#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "demoplan/Modell.hpp"
#include "demoplan/Optionen.hpp"

namespace demoplan {

// ---- SQLite helpers -----------------------------------------------------------

struct Db {
    sqlite3* h = nullptr;
    std::string fehler;
    bool exec(const char* sql) {
        char* err = nullptr;
        if (sqlite3_exec(h, sql, nullptr, nullptr, &err) != SQLITE_OK) {
            if (fehler.empty()) fehler = std::string(err ? err : "?") + " in: " + std::string(sql).substr(0, 120);
            sqlite3_free(err);
            return false;
        }
        return true;
    }
};

// A prepared insert; bind values by position from 1, then run. The first
// failure is kept in the database's error text.
class Einfuegen {
public:
    Einfuegen(Db& db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db.h, sql, -1, &st_, nullptr) != SQLITE_OK) {
            if (db.fehler.empty()) db.fehler = std::string(sqlite3_errmsg(db.h)) + " in: " + sql;
            st_ = nullptr;
        }
    }
    ~Einfuegen() { sqlite3_finalize(st_); }
    Einfuegen(const Einfuegen&) = delete;
    Einfuegen& operator=(const Einfuegen&) = delete;

    Einfuegen& t(const std::string& s) {
        if (st_) sqlite3_bind_text(st_, ++n_, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Einfuegen& i(int64_t v) {
        if (st_) sqlite3_bind_int64(st_, ++n_, v);
        return *this;
    }
    Einfuegen& r(double v) {
        if (st_) sqlite3_bind_double(st_, ++n_, v);
        return *this;
    }
    Einfuegen& null() {
        if (st_) sqlite3_bind_null(st_, ++n_);
        return *this;
    }
    bool los() {
        n_ = 0;
        if (!st_) return false;
        int rc = sqlite3_step(st_);
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
        if (rc != SQLITE_DONE) {
            if (db_.fehler.empty()) db_.fehler = sqlite3_errmsg(db_.h);
            return false;
        }
        return true;
    }

private:
    Db& db_;
    sqlite3_stmt* st_ = nullptr;
    int n_ = 0;
};

// Runs the DDL file `datei` of the folder `ddl`. bdpAktNull: BdpAkt of the
// deployment table is declared without NOT NULL.
bool SkriptAusfuehren(Db& db, const std::string& ddl, const char* datei, bool bdpAktNull = false);

// NULLs in the sort columns of some deployments, chosen by row and seed:
// about one in five for BdpRnd, BdpOsv and BdpAzt, one in twelve for BdpAkt.
bool NullenStreuen(Db& db, uint64_t seed);

// ---- the reference data -------------------------------------------------------

// The central calendar two years around today and the two plan-group calendars.
bool KalenderSchreiben(Db& db, const Plan& p);
// The plan groups with their rule switches and own calendars.
bool PlangruppenSchreiben(Db& db, const Plan& p);
// Working-time models, their exchange pairs and the cost rates.
bool ModelleSchreiben(Db& db, const Plan& p);
// Structure rows, targets and qualifications of the workplaces; the persons'
// assignments and qualifications (draws from z).
bool PersonenSchreiben(Db& db, Zufall& z, const Plan& p);

// ---- deployments and the staffing matrix ------------------------------------------

// The inserts of the day-by-day tables, with their row counts.
class Plansatz {
public:
    explicit Plansatz(Db& db)
        : bdp_(db,
               "insert into Dvm730Bdp (BdpPnr,BdpBdt,BdpEso,BdpEsa,BdpSzv,BdpSzb,BdpBsz,BdpJhr,BdpMon,BdpWoc,"
               "BdpJwc,BdpTtp,BdpTag,BdpZtv,BdpZtb,BdpKst,BdpFc1,BdpFc2,BdpFc3,BdpOso,BdpOsa,BdpOsv,BdpOsb,"
               "BdpOsz,BdpOsw,BdpPlg,BdpAsw,BdpAwp,BdpSts,BdpFnr,BdpSta,BdpDat,BdpTxt,BdpErf,BdpAzt,BdpId1,"
               "BdpId2,BdpId3,BdpId4,BdpId5,BdpId6,BdpId7,BdpId8,BdpRnd,BdpAkt,BdpBnr,BdpPau,BdpBzt,BdpKos) "
               "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,"
               "?,?,?,?,?)"),
          bsm_(db,
               "insert into Dvm725Bsm (BsmBdt,BsmEso,BsmEsa,BsmSzv,BsmSzb,BsmBsz,BsmJhr,BsmMon,BsmWoc,BsmJwc,"
               "BsmTag,BsmTtp,BsmSol,BsmMin,BsmMax,BsmIst,BsmPlg,BsmHtg,BsmHtv,BsmHtn,BsmKng,BsmFkt,BsmAsw,"
               "BsmSta,BsmDat,BsmErf,BsmKor,BsmKos,BsmKo2,BsmOva,BsmOve) "
               "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
          ztg_(db, "insert into Dvm329Ztg (ZtgPnr,ZtgVon,ZtgAzt,ZtgKst,ZtgAgr) values (?,?,?,?,?)") {}

    Einfuegen bdp_, bsm_, ztg_;
    long anzBdp = 0, anzBsm = 0, anzZtg = 0;
};


// Every plan group's days: the staffing chosen by the model, written as
// deployments, working-time entries and staffing-matrix rows.
bool PlanSchreiben(Zufall& z, Plan& p, const Optionen& o, Plansatz& ps);

// Counts every staffing-matrix row of the plan with the optimiser's own
// recount. Returns the number of rows that could not be rewritten, or -1
// when the logon failed.
long MatrixNachzaehlen(const std::string& dbDir, const Optionen& o, const Plan& p, long& gezaehlt);

// The single number of a count query; false when it cannot be prepared.
bool Zaehlen(Db& db, const char* sql, long& n);

}  // namespace demoplan
