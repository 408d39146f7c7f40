#pragma once
// The optimisation run of one plan group: marks, period, old error rows,
// one scan and the error review.
struct Laufkontext;
struct Dvm746Err;

void Einsatzplan_Optimieren(Laufkontext& lk, const char* plg, const char* eso, const char* esa,
                            Dvm746Err& err);
void Planzeitraum_Ermitteln(const char* plg, Laufkontext& lk);
void ErrSatz_Init(const char* plg, Dvm746Err& err, const Laufkontext& lk, int art);
void ErrLog_Loeschen(const Laufkontext& lk, const char* plg, int art);
