#pragma once
// The minimum pass: after the scans of a day, the day's rows that are still
// below their minimum take persons from rows of the same plan group, date
// and slot kind that are above their minimum, even where those are not
// overstaffed. Run only with the setting --minimum-pass on.
#include <cstdint>

#include "db/Bsm.hpp"

// The scope of the scan whose day it completes (eso and esa null or empty
// where the scan does not name them) and the scan's name for its messages.
struct MindestBereich {
    const char* scan;
    const char* plg;
    const char* eso;
    const char* esa;
};

// Serves the rows of the scope below their minimum on `datum`, in
// `durchgaenge` passes widening from the workplace to the unit to the plan
// group; a pass ends after a reading without a proposal, or after
// `neustartGrenze` readings with a log line.
void Mindestdurchgang(const MindestBereich& b, const char* datum, int durchgaenge, long neustartGrenze);
