#pragma once
// Error rows of a run (table Dvm746Err).
#include <cstdint>

#include "base/FixText.hpp"

struct Laufkontext;

struct Dvm746Err {
    FixText<6> ErrPlg;
    FixText<6> ErrKng;
    FixText<15> ErrDat;  // not bound: the database writes its current time
    int32_t ErrLfn = 0;
    FixText<9> ErrPnr;
    FixText<6> ErrEso;
    FixText<6> ErrEsa;
    FixText<6> ErrKnz;
    FixText<9> ErrBdt;
    int32_t ErrZtv = 0;
    int32_t ErrZtb = 0;
    int32_t ErrFnr = 0;
    FixText<51> ErrErf;
    FixText<15> ErrJbd;
    FixText<33> ErrJbk;
};

int32_t Err_Insert(const Dvm746Err& err);
// Clears the plan group's rows of the kind within the run's period, rows
// without date and rows dated before today, on the run context's level.
int32_t Err_Delete(const Laufkontext& lk, const char* plg, const char* kng);
