#include "optim/BsmFkt.hpp"

#include <algorithm>
#include <cstdint>
#include <climits>

#include "db/Bsm.hpp"

namespace {

// Deviation figures of an overstaffed row. Rows above their maximum must come
// before rows between target and maximum when the overstaffed rows are read in
// descending order; the size of the overstaffing does not grade them further.
constexpr int32_t kUeberSoll = 90;
constexpr int32_t kUeberMax = 190;

// Shifted target (target + 1), used as a divisor. A target below 0 cannot be
// meant literally (-1 stands for a target nobody entered); it is read as
// "this slot asks for nobody", i.e. exactly like a target of 0. The row then
// gets the figure a target of 0 would give it: balanced while nobody is
// effectively there, overstaffed as soon as somebody is, understaffed only
// when more persons are proposed away than are deployed. No division by zero
// or by a negative divisor can occur, so a negative target never turns the
// sign of the deviation by accident.
int32_t Verschoben(int32_t ziel) { return std::max(ziel, int32_t{0}) + 1; }

}  // namespace

void Berechne_BsmFkt(Dvm725Bsm& bsm) {
    // Everything shifted by one so that a target of 0 is a usable divisor.
    const int64_t e = Effektiv_Mit_Vorschlaegen(bsm) + 1;
    const int64_t s = Verschoben(bsm.BsmSol);
    const int64_t n = Verschoben(bsm.BsmMin);
    const int64_t x = Verschoben(bsm.BsmMax);

    int64_t fkt = 0;
    if (e < s) {
        if (e < n) {
            fkt = -100 - ((n - e) * 100 / n);  // below the minimum: -100 or less
        } else {
            fkt = -((s - e) * 100 / s);        // short of the target: -99 .. 0
        }
    } else if (e > s) {
        // Overstaffed, also when the excess is below one percent of the
        // target or maximum: such a row still has a person to spare.
        fkt = (e > x) ? kUeberMax : kUeberSoll;
    }
    // Only counts far outside any plan could leave the 32-bit range.
    bsm.BsmFkt = static_cast<int32_t>(std::clamp<int64_t>(fkt, INT32_MIN, INT32_MAX));
}

int64_t Effektiv_Eingesetzt(const Dvm725Bsm& bsm) {
    return int64_t{bsm.BsmIst} - bsm.BsmHtg - std::min(bsm.BsmHtv, bsm.BsmHtn);
}

int64_t Effektiv_Mit_Vorschlaegen(const Dvm725Bsm& bsm) {
    return Effektiv_Eingesetzt(bsm) + bsm.BsmOve - bsm.BsmOva;
}

bool Ohne_Abweichung(int32_t asw) { return asw == 3 || asw == 4; }
