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
#include <cstdint>

// Takes the start time of the run for wall_ms.
void Laufbilanz_Start();
void Laufbilanz_Plangruppe();
void Laufbilanz_Vorschlag();
void Laufbilanz_Fehlersatz(int32_t fehlerNr);
void Laufbilanz_Fehlerzeile();
// Writes the summary to the file; false when it cannot be written.
bool Laufbilanz_Schreiben(const char* pfad);
