#pragma once
// The overstaffed-slot searches for one understaffed row: same plan group,
// date and slot kind, widened from the workplace to the unit to the plan group.
#include "db/Bsm.hpp"

// Each offers the overstaffed rows of its scope, most overstaffed first, to
// the person review and stops at the first proposal. 1 = a proposal was written.
int Get_UebBszEsa(Dvm725Bsm unt);
int Get_UebBszEso(Dvm725Bsm unt);
int Get_UebBszPlg(Dvm725Bsm unt);
