#pragma once
// The planners' report of a plan after a run: per plan group and day the
// staffing matrix, the proposals and the error rows left, read with
// statements of the report's own (read-only) through the statement runtime,
// on either backend and on both table layouts; and the counts that the
// report shows, taken from what was read.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct BerichtFilter {
    std::string plg;   // one plan group, or empty for all in key order
    std::string von;   // first day 'yyyymmdd'
    std::string bis;   // last day 'yyyymmdd'; empty: the last day of the matrix
};

struct MatrixZeile {
    std::string datum, eso, esa, bsz;
    int32_t szv = 0, szb = 0, asw = 0;
    int32_t sol = 0, min = 0, max = 0, ist = 0, htg = 0, htv = 0, htn = 0, fkt = 0;
    int32_t aus = 0, ein = 0;  // open optimisation proposals out of and into the slot
    // Effective staffing as the error review counts it, and with the open
    // proposals taken into account.
    int64_t effektiv() const;
    int64_t effektivNach() const { return effektiv() + ein - aus; }
    int stufe() const;
    int stufeNach() const;
};

struct Vorschlag {
    std::string datum, pnr, eso, esa, bsz, oso, osa, osz, erf;
    int32_t szv = 0, szb = 0, osv = 0, osb = 0, asw = 0, osw = 0, fnr = 0, sta = 0;
    bool mindest = false;  // written by the minimum pass (its note in BdkTxt)
    // Open proposal of the optimisation: the recount takes it into account.
    bool offen() const { return sta == 9 && erf == "OPTIMIERUNG"; }
};

struct FehlerZeile {
    std::string datum, kng, eso, esa, knz, pnr;
    int32_t lfn = 0, ztv = 0, ztb = 0, fnr = 0;
};

// The counts of one day, one plan group or the whole report.
struct Zaehlung {
    long tage = 0;
    long schichten = 0;              // staffing-matrix rows
    long vorschlaege = 0;
    long ohneGrund = 0;              // proposals with reason code 0
    long mindest = 0;                // proposals of the minimum pass
    long fehler = 0;                 // error rows
    std::map<int32_t, long> nachGrund;    // proposals per reason code
    std::map<int32_t, long> nachFehler;   // error rows per error number
    long stufeVor[5] = {};           // slots per class -2..2, before the proposals
    long stufeNach[5] = {};          // and after them
    void add(const Zaehlung& o);
};

struct Tag {
    std::string datum;  // 'yyyymmdd'
    std::vector<MatrixZeile> matrix;   // in order of unit, workplace, slot start, slot kind
    std::vector<Vorschlag> vorschlaege;
    std::vector<FehlerZeile> fehler;
    Zaehlung zaehlung;
};

struct Plangruppe {
    std::string plg, txt;
    std::vector<Tag> tage;   // days with matrix rows, proposals or error rows
    Zaehlung zaehlung;
};

struct Bericht {
    std::string schema;
    std::string von, bis;    // the period reported, 'yyyymmdd'
    std::string erstellt;    // local time of the report, 'yyyy-mm-dd HH:MM'
    std::vector<Plangruppe> plangruppen;
    Zaehlung zaehlung;
};

// Where reading stopped, for the message of the caller.
struct BerichtFehler {
    std::string was;   // the reading that failed
    int32_t rc = 0;
};

// Reads the report for the filter from the session of the runtime. Returns 0,
// 1403 when the named plan group does not exist, or the result code of the
// failing statement (with fehler naming it).
int32_t Bericht_Lesen(const BerichtFilter& filter, Bericht& bericht, BerichtFehler& fehler);

// Fills the counts of every day, plan group and the whole report.
void Bericht_Zaehlen(Bericht& bericht);
