#pragma once
// The understaffed rows of one scan pass and day, held in memory in the order
// of the understaffed cursors: deviation ascending, then slot kind, unit,
// workplace and slot start ascending, texts by their bytes (all four are
// NOT NULL columns, the deviation is < 0 by the cursor's condition). The scan
// offers them from the top as a fresh reading would deliver them, drops a row
// whose search failed without a trace, and puts the two rows a proposal
// recounts where a fresh reading would find them.
#include <set>
#include <string>

#include "db/Bsm.hpp"

// True when a comes before b in the understaffed cursors' order.
bool Unt_Vor(const Dvm725Bsm& a, const Dvm725Bsm& b);

struct UntVorOrdnung {
    bool operator()(const Dvm725Bsm& a, const Dvm725Bsm& b) const { return Unt_Vor(a, b); }
};

// The scope of a scan's understaffed rows on one date; unused parts are null.
struct UntBereich {
    const char* plg;
    const char* eso;
    const char* esa;
    const char* datum;
};

// Whether a fresh reading of the scope would deliver the row: same plan
// group, date, unit and workplace as far as the scope names them, deviation
// below 0.
bool Unt_ImBereich(const Dvm725Bsm& r, const UntBereich& b);

// The search key of a pass: the overstaffed cursor of pass 1 binds plan
// group, unit, workplace, date and slot kind; pass 2 drops the workplace,
// pass 3 the unit. Plan group and date are those of the pass.
std::string Unt_Suchschluessel(const Dvm725Bsm& r, int durchgang);

class UntListe {
public:
    using Menge = std::set<Dvm725Bsm, UntVorOrdnung>;

    // Takes the next row of a reading. False when the row does not come
    // after the one before in the cursors' order: the database orders by
    // other rules (a collation other than the bytes, data the fetch
    // converts), and the memory cannot follow it.
    bool Anhaengen(const Dvm725Bsm& r);
    // Puts a recounted row where a fresh reading would deliver it: removed
    // under its earlier position, inserted again when it is still in scope.
    // The row is taken as the database holds it after the rewrite.
    void Ersetzen(const Dvm725Bsm& vorher, const Dvm725Bsm& nachher, const UntBereich& b);

    Menge& Zeilen() { return zeilen_; }
    void Leeren() { zeilen_.clear(); }

private:
    Menge zeilen_;
};
