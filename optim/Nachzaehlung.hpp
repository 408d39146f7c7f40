#pragma once
// Recount of one staffing-matrix row after a proposal: deployments of the
// slot, open optimisation proposals out of and into it, the deviation.
struct Dvm725Bsm;

// Recounts the row in place and rewrites it. 1 = row rewritten, 0 = not
// rewritten (the failing count or update is logged).
int Update_BsmSatz(Dvm725Bsm& bsm);
// Sets BsmOva and BsmOve from the open optimisation proposals. 1 = counted,
// 0 = a count failed (logged; BsmOva and BsmOve keep their values).
int checkOptimierungsVorschlaege(Dvm725Bsm& bsm);
