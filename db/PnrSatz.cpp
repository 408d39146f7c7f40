// Reset of the person-day record before it is built for a candidate.
#include "db/PnrSatz.hpp"

void PnrSatz_Init(PnrSatz& p) {
    p = PnrSatz{};
    // "No function code" is three blanks, as in the deployment records.
    p.Fc1 = "   ";
    p.Fc2 = "   ";
    p.Fc3 = "   ";
    p.Akt = 9999;
}
