#pragma once
// The lock of a plan group's run: while one run of the program works on a
// plan group of a schema, a second run of the same plan group waits for it
// (runs of other plan groups go on). The lock holds across processes and
// lets go when its process ends in whatever way.
#include <cstdint>

// Takes the lock of the plan group, waiting at most warteSekunden for
// another run to let it go; 0, or -54 when the other run still holds it.
int32_t Plg_Sperren(const char* plg, int warteSekunden);
int32_t Plg_Freigeben(const char* plg);
