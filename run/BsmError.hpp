#pragma once
// The review of the staffing matrix for error rows after a plan group's run.
struct Laufkontext;
struct Dvm746Err;
struct Dvm725Bsm;

void BsmError_Work(const Laufkontext& lk, const char* plg, Dvm746Err& err);
int BsmError_Check(const Dvm725Bsm& bsm, Dvm746Err& err);
void Err_Write(const Dvm725Bsm& quelle, int fehlerNr, Dvm746Err& err);
