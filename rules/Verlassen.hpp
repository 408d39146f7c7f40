#pragma once
// The person's day after the move: the reads of the person's own deployments
// that feed the rules, with the deployment the person would leave taken out
// in the program (the statements stay as they are). Without a left
// deployment in the record they are the plain reads.
#include <cstdint>

struct PnrSatz;
struct Dvm730Bdp;

// Notes the deployment of the person review as the one the person leaves.
void Verlassen_Setzen(PnrSatz& p, const Dvm730Bdp& bdp);
// True when the row is the deployment the person leaves.
bool Ist_Verlassen(const PnrSatz& p, const Dvm730Bdp& bdp);

// The day's gross working minutes (TagArbZt_Brutto) less those of the left
// deployment; on a result other than 0 the field is left as it was.
int32_t TagArbZt_Nach_Umzug(PnrSatz& p);

// A cursor read that passes over the left deployment once: `gesehen` keeps,
// for one opening of the cursor, whether it was passed over already.
int32_t Bdp_Lesen_Nach_Umzug(const PnrSatz& p, int32_t (*lesen)(Dvm730Bdp&), Dvm730Bdp& bdp,
                             bool& gesehen);
