#pragma once
// The deviation of a staffing-matrix row from its targets (BsmFkt).
#include <cstdint>

struct Dvm725Bsm;

void Berechne_BsmFkt(Dvm725Bsm& bsm);

// Effective staffing of a row from its figures: the deployments, less those
// with function code 1 and the smaller number of function codes 2 and 3.
int64_t Effektiv_Eingesetzt(const Dvm725Bsm& bsm);
// The same with the open proposals: those into the slot add, those out of it
// subtract. The deviation is computed from it.
int64_t Effektiv_Mit_Vorschlaegen(const Dvm725Bsm& bsm);
// Slot kinds 3 and 4 keep their proposal counts and deviation as read.
bool Ohne_Abweichung(int32_t asw);
