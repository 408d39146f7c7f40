#pragma once
// The candidate eligibility check: time position in the working frame and the
// plan group's rules (qualification, working time, rest time, overlap). The
// rules only record a reason code in the person-day record.
#include <cstdint>

struct PnrSatz;
struct Dvm720Bss;

// The rule functions return 1 when the person passes and 0 when not, with
// the reason code left in p.Fnr. They log only failed reads ("-Fehler"
// lines), and go on as the comments say.

// Does the slot [von, bis] (minutes) fit the person's working frame
// p.RahmenVon..p.RahmenBis? When not, and the person's assignment kind
// p.PbvAwp is 1, the frames of the substitute models are tried in turn (each
// one read replaces the model and frame in p). Slot kind art 3 always
// passes. Sets p.Fnr: 0, 1501 when accepted but reaching beyond the frame,
// 1412 when it fits no frame. klasse: the class of the last comparison.
// Reads the database; logs nothing.
int Zeitlage_Pruefen(PnrSatz& p, int von, int bis, int art, int& klasse);
// Slot [a, b] against frame [c, d], minutes of the day (an end below its
// start runs past midnight). klasse: 1 to 9 as drawn in Zeitlage.cpp, 0
// when they do not meet; prozent: the share of the slot inside the frame.
// Returns 1 when the slot is accepted (a slot sticking out on one side only
// when at least half of it lies inside), else 0. Pure.
int Zeitlage_Ermitteln(int a, int b, int c, int d, int& klasse, int& prozent);
// Runs Prefix_IndikatorPrf, then every rule the plan group switches on at
// level ebene (qualification, working time, rest time, overlap; a failed
// read of the plan group leaves all off). 1 when all pass; otherwise 0 and
// p.Fnr of the last failing rule.
int IndikatorPrf(PnrSatz& p, const Dvm720Bss& bss, int ebene);
// Prepares the rules' inputs in p: ArbZtBrutto (the day's working time after
// the move plus the slot's part in the frame), and from the person's
// neighbouring deployments VorEnde, NchBeginn and Ueberschneidung. Logs a
// failed read and goes on; returns the result of closing the cursor.
int32_t Prefix_IndikatorPrf(PnrSatz& p, const Dvm720Bss& bss);
// The person holds on p.Datum one of the qualifications the workplace
// bss.BssEsa lists (a workplace listing none passes everyone). Fnr 1511.
int Qualifikationen_OK(PnrSatz& p, const Dvm720Bss& bss);
// p.ArbZtBrutto within the limit p.PgzAzk hours; when above, the net
// working time (NettoArbZt_Ermitteln) is taken and checked again. Fnr 1521.
int Arbeitszeit_OK(PnrSatz& p, const Dvm720Bss& bss);
// The gaps from p.VorEnde to the slot's start and from its end to
// p.NchBeginn are not too short for the rest limit p.PgzRzk hours (for
// assignment kinds other than 1 a gap of at most half the limit continues
// the same stint). Fnr 1531.
int Ruhezeit_OK(PnrSatz& p, const Dvm720Bss& bss);
// No deployment of the person overlaps the slot (p.Ueberschneidung). Fnr 1541.
int Ueberschneidung_OK(PnrSatz& p, const Dvm720Bss& bss);
// Replaces p.ArbZtBrutto by the day's working time with overlapping
// deployments and the frame merged (each minute counted once).
void NettoArbZt_Ermitteln(PnrSatz& p);
// Minutes of slot [a, b] inside frame [c, d] (ends below starts run past
// midnight); 0 for an empty frame or slot. Pure.
int Ueberlappung_Min(int a, int b, int c, int d);
