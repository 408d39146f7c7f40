#pragma once
// Program entry and run sequence.
#include "base/Laufkontext.hpp"

struct Dvm746Err;

int Main(int argc, char** argv);
void Parameter_Uebernehmen(int argc, char** argv, Laufkontext& lk);
int Planzeitraum_OK(const Laufkontext& lk);
void Plangruppen_Ermitteln();
// The run's working error record.
Dvm746Err& Fehlersatz();
