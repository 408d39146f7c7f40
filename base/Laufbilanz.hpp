#pragma once
// The run summary: what one run did, counted where it happens, and written
// at the end of the run to the file that DORVELIAN_STATS names (nothing is
// written without the variable).
//
// The file holds one "key value" line per figure; the first two lines are
// the statement and fetch counts that bench/whole_run.sh reads:
//   statements N      statements executed
//   fetches N         cursor rows fetched
//   plangroups N      plan groups run (read, optimised and marked)
//   proposals N       proposal rows written and committed
//   error_rows N      error rows written, then one line per error number:
//   error_rows_FNR N  (in ascending order of FNR)
//   failure_lines N   "-Fehler" lines of the run (log or standard error)
//   wall_ms N         wall time from the start of the run
//   cpu_ms N          processor time of the process (user and system)
//   proposals_minimum_pass N   of the proposals, those of the minimum pass
//   cpu_ms_scans N             processor time in the scans' passes of the days
//   cpu_ms_minimum_pass N      processor time in the minimum pass of the days
#include <cstdint>

// Takes the start time of the run for wall_ms.
void Laufbilanz_Start();
void Laufbilanz_Plangruppe();
void Laufbilanz_Vorschlag();
// A proposal of the minimum pass (also counted by Laufbilanz_Vorschlag).
void Laufbilanz_Mindestvorschlag();
// Processor time of the two parts of a day's optimisation: the time since a
// mark taken with Laufbilanz_Marke is added to the part's sum.
enum class Laufteil { Scans, Mindestdurchgang };
long long Laufbilanz_Marke();
void Laufbilanz_Zeit(Laufteil teil, long long marke);
void Laufbilanz_Fehlersatz(int32_t fehlerNr);
void Laufbilanz_Fehlerzeile();
// Writes the summary to the file, with the statement runtime's counts
// (db::statementCount(), db::fetchCount(), db::roundTripCount()) that the
// caller passes; false when it cannot be written.
bool Laufbilanz_Schreiben(const char* pfad, uint64_t statements, uint64_t fetches, uint64_t roundtrips);
