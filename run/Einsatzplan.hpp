#pragma once
// The optimisation run of one plan group: marks, period, old error rows,
// one scan and the error review.
struct Laufkontext;
struct Dvm746Err;

// The kinds of error list in ErrKng. The optimiser writes and clears PLANO;
// the other kinds belong to other programs sharing the table.
enum class FehlerArt : int { Plang = 1, Plano = 2, Plank = 3, Planu = 4 };

// Optimises plan group plg, in the scope of eso/esa ("" = the whole plan
// group, or the whole unit): takes the plan group's run lock (a plan group
// another run holds longer than the wait is skipped with a log line), sets
// the level from PlgOpl (a plan group of another level is left untouched),
// marks the start in Dvm701Plg, sets the period, clears the old PLANO error
// rows, runs one scan of the scope, writes the error review, and clears the
// mark. Failures are logged and the run goes on.
void Einsatzplan_Optimieren(Laufkontext& lk, const char* plg, const char* eso, const char* esa,
                            Dvm746Err& err);
// Sets lk.Von and lk.Bis: the given period, or from today to the end of the
// week that lies the plan group's horizon (PlgHzt weeks) ahead; past the
// calendar's end, its last date.
void Planzeitraum_Ermitteln(const char* plg, Laufkontext& lk);
// Empties err and fills the fields every error row of the plan group shares:
// plan group, user, job stamp and key, and ErrKng from the kind (an unknown
// kind leaves it empty).
void ErrSatz_Init(const char* plg, Dvm746Err& err, const Laufkontext& lk, FehlerArt art);
// Deletes the plan group's error rows of the kind in the run's unit or
// workplace (lk.Eso, lk.Esa) and period, with those without date or before
// today: Plang
// clears PLANG and PLANO, Plano PLANO, Plank PLANK; Planu and unknown kinds
// delete nothing. A failed delete is logged.
void ErrLog_Loeschen(const Laufkontext& lk, const char* plg, FehlerArt art);
