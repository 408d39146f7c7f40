#pragma once
// The deviation of a staffing-matrix row from its targets (BsmFkt).
struct Dvm725Bsm;

void Berechne_BsmFkt(Dvm725Bsm& bsm);
