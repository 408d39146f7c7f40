#pragma once
// The candidate eligibility check: time position in the working frame and the
// plan group's rules (qualification, working time, rest time, overlap). The
// rules only record a reason code in the person-day record.
#include <cstdint>

struct PnrSatz;
struct Dvm720Bss;

int Zeitlage_Pruefen(PnrSatz& p, int von, int bis, int art, int& klasse);
int Zeitlage_Ermitteln(int a, int b, int c, int d, int& klasse, int& prozent);
int IndikatorPrf(PnrSatz& p, const Dvm720Bss& bss, int ebene);
int32_t Prefix_IndikatorPrf(PnrSatz& p, const Dvm720Bss& bss);
int Qualifikationen_OK(PnrSatz& p, const Dvm720Bss& bss);
int Arbeitszeit_OK(PnrSatz& p, const Dvm720Bss& bss);
int Ruhezeit_OK(PnrSatz& p, const Dvm720Bss& bss);
int Ueberschneidung_OK(PnrSatz& p, const Dvm720Bss& bss);
void NettoArbZt_Ermitteln(PnrSatz& p);
int Ueberlappung_Min(int a, int b, int c, int d);
