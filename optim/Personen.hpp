#pragma once
// Review of the persons deployed in an overstaffed slot on behalf of an
// understaffed slot of the same day and slot kind.
#include "db/Bsm.hpp"

// Proposes a movable person of the overstaffed slot for the understaffed
// slot, as the run's person choice says, and recounts both rows.
// 1 = a proposal was written.
int Prf_UebBsz_Pers(Dvm725Bsm unt, Dvm725Bsm ueb);
