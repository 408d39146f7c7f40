#pragma once
// Builds the target slot and the person-day record of a candidate for an
// understaffed staffing-matrix row.
struct PnrSatz;
struct Dvm720Bss;
struct Dvm725Bsm;

int Fill_PnrBss(PnrSatz& p, Dvm720Bss& bss, Dvm725Bsm unt);
