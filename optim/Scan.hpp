#pragma once
// The understaffed-slot scans: the outer loop of one plan group's optimisation.
struct Laufkontext;

void Opt_UntBszPlg(Laufkontext& lk, const char* plg);
void Opt_UntBszEso(Laufkontext& lk, const char* plg, const char* eso);
void Opt_UntBszEsa(Laufkontext& lk, const char* plg, const char* eso, const char* esa);

// Two ways of reading a day's understaffed rows that decide alike: the plain
// way reads them again from the database after every proposal; the default
// keeps them in memory and skips the searches known to fail (optim/Scan.cpp).
// DORVELIAN_SCAN=plain in the environment selects the plain way; the program
// reads it once at its start.
void Scan_Einfach_Setzen(bool einfach);
bool Scan_Einfach();
void Scan_Weg_Aus_Umgebung();
