#pragma once
// What the last overstaffed-slot search leaves behind besides its result:
// how its overstaffed cursor ended and, after a proposal, the two recounted
// rows as they now stand in the database. The scan's memory of the day's
// understaffed rows (optim/UntListe) is kept up to date from it.
#include <cstdint>

#include "db/Bsm.hpp"

struct Suchbericht {
    long uebZeilen = 0;         // overstaffed rows fetched
    int32_t leseErgebnis = 0;   // the result that ended the overstaffed cursor
    bool nachgezaehlt = false;  // a proposal was written and both rows recounted
    Dvm725Bsm unt;              // the understaffed row after its recount
    Dvm725Bsm ueb;              // the overstaffed row after its recount
    int untOk = 0;              // 1 when the recount rewrote the row
    int uebOk = 0;
};

// The report of the current search; a search clears it when it starts.
Suchbericht& Letzte_Suche();
