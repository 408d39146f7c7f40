#pragma once
// The understaffed-slot scans: the outer loop of one plan group's optimisation.
struct Laufkontext;

void Opt_UntBszPlg(Laufkontext& lk, const char* plg);
void Opt_UntBszEso(Laufkontext& lk, const char* plg, const char* eso);
void Opt_UntBszEsa(Laufkontext& lk, const char* plg, const char* eso, const char* esa);
