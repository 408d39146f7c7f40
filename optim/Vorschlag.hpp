#pragma once
// The reassignment proposal: one row of the proposal table that asks to move
// a person on a date from the slot of the current deployment to an
// understaffed slot. The deployment itself is never changed.
#include <cstdint>

#include "base/FixText.hpp"

struct PnrSatz;
struct Dvm720Bss;
struct Dvm730Bdp;
struct Dvm735Bdk;

// Checks the person against the target slot, and writes the proposal unless
// the person already has an open proposal out of this slot. 1 = proposal
// inserted (and committed, unless a unit of work is open: then the unit's
// commit makes it lasting), 0 = none written.
int Erstelle_Umbesetzungsvorschlag(PnrSatz& pnr, const Dvm720Bss& bss, const Dvm730Bdp& bdp);

// The two halves of it, for a review that judges several persons before it
// writes. Vorschlag_Pruefen runs the checks (the reason code stays in
// pnr.Fnr) and the count of open proposals out of this slot, logging a
// failed count as the proposal does; 1 = a proposal can be written.
// Vorschlag_Schreiben draws the key and inserts the proposal with pnr.Fnr,
// logging a failed insert; 1 = inserted.
int Vorschlag_Pruefen(PnrSatz& pnr, const Dvm720Bss& bss, const Dvm730Bdp& bdp);
int Vorschlag_Schreiben(const PnrSatz& pnr, const Dvm720Bss& bss, const Dvm730Bdp& bdp);

// The note in BdkTxt of the proposals of the minimum pass
// (optim/Mindestdurchgang), by which the report tells them from the others;
// the proposals of the scans leave BdkTxt empty.
inline constexpr const char kVermerkMindestdurchgang[] = "MINDESTDURCHGANG";
// Sets the note the proposals written from now on carry in BdkTxt; nullptr
// or "" for none.
void Vorschlag_Vermerk_Setzen(const char* vermerk);

// "OPTVS" followed by r4, r3, r2, r1 in decimal, without separators.
void Bdk_Schluessel_Formatieren(FixText<33>& key, long r1, long r2, long r3, long r4);
// Draws r1 to r4 in this order from the program's generator and formats the key.
void Bdk_Schluessel_Bilden(FixText<33>& key);
// Clears the proposal and fills every field but the key and BdkFnr: the
// deployment gives the slot the person comes from, the target record the
// slot the person is to go to, the person-day record person, date and plan group.
void Bdk_Vorschlag_Fuellen(Dvm735Bdk& bdk, const PnrSatz& pnr, const Dvm720Bss& bss,
                           const Dvm730Bdp& bdp);
