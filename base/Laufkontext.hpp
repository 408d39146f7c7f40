#pragma once
// The run context: the parameters of one program run, the run settings of
// the configuration file and, per plan group, its optimisation level and
// effective plan period. One instance lives for
// the whole run; every part of the program reads its parameters from here.
#include <cstdint>

#include "base/FixText.hpp"
#include "base/Laufeinstellungen.hpp"

struct Laufkontext {
    FixText<6> Plg;           // requested plan group; empty = all
    FixText<6> Eso;           // requested organisational unit; empty = none
    FixText<6> Esa;           // requested workplace; empty = none
    FixText<9> PlanBeg;       // 'yyyymmdd' or "00000000" = not given
    FixText<9> PlanEnd;       // 'yyyymmdd' or "00000000" = not given
    FixText<4> Ebene;         // "PLG", "ESO" or "ESA" of the plan group being run
    FixText<51> Usr;          // user name of the run
    FixText<9> Von;           // effective period begin, set per plan group
    FixText<9> Bis;           // effective period end, set per plan group
    FixText<15> Zeitstempel;  // local time at parameter take-over, yyyymmddHHMMSS
    FixText<15> Jbd;          // caller's job stamp, copied into error rows
    FixText<33> Jbk;          // caller's job key, copied into error rows
    int32_t Modus = 0;        // 1 PLAN_OPTIM, 2 AUTO_OPTIM, 0 other; recorded only
    Laufeinstellungen Einstellungen;  // run settings of the configuration file
};

// The run's single context (defined in base/Laufkontext.cpp). The run's
// working error record is Fehlersatz(), run/Main.hpp.
Laufkontext& Lauf();
