// Deviation figure of a staffing-matrix row.
#include <gtest/gtest.h>

#include "db/Bsm.hpp"
#include "optim/BsmFkt.hpp"

namespace {

struct Zeile {
    int sol, min, max, ist;
    int htg = 0, htv = 0, htn = 0, ova = 0, ove = 0;
};

int Fkt(const Zeile& z) {
    Dvm725Bsm bsm;
    bsm.BsmSol = z.sol;
    bsm.BsmMin = z.min;
    bsm.BsmMax = z.max;
    bsm.BsmIst = z.ist;
    bsm.BsmHtg = z.htg;
    bsm.BsmHtv = z.htv;
    bsm.BsmHtn = z.htn;
    bsm.BsmOva = z.ova;
    bsm.BsmOve = z.ove;
    bsm.BsmFkt = 12345;  // must be overwritten in every case
    Berechne_BsmFkt(bsm);
    return bsm.BsmFkt;
}

TEST(BsmFkt, UnderstaffedBetweenMinimumAndTarget) {
    EXPECT_EQ(Fkt({4, 2, 6, 4}), 0);     // at the target
    EXPECT_EQ(Fkt({4, 2, 6, 2}), -40);   // at the minimum: (5-3)*100/5
    EXPECT_EQ(Fkt({4, 2, 6, 3}), -20);   // one short: 100/5
    // Short by less than one percent of the target reads as balanced.
    EXPECT_EQ(Fkt({200, 100, 300, 199}), 0);
    EXPECT_EQ(Fkt({200, 100, 300, 198}), 0);  // 200/201
    EXPECT_EQ(Fkt({200, 100, 300, 197}), -1); // 300/201
}

TEST(BsmFkt, BelowMinimum) {
    EXPECT_EQ(Fkt({4, 2, 6, 1}), -133);  // -100 - (3-2)*100/3
    EXPECT_EQ(Fkt({4, 2, 6, 0}), -166);  // -100 - (3-1)*100/3
    EXPECT_EQ(Fkt({1, 1, 1, 0}), -150);  // -100 - 100/2
    EXPECT_EQ(Fkt({0, 0, 0, 0}), 0);     // a slot without target and staff is balanced
}

TEST(BsmFkt, FunctionCodesReduceTheEffectiveStaffing) {
    // 5 - 1 - min(2, 1) = 3
    EXPECT_EQ(Fkt({3, 3, 3, 5, 1, 2, 1}), 0);
    EXPECT_EQ(Fkt({4, 2, 6, 5, 1, 2, 1}), -20);
    // The smaller of function codes 2 and 3, whichever side it is on.
    EXPECT_EQ(Fkt({3, 3, 3, 5, 1, 1, 2}), 0);
    // Function code 1 counts in full: 5 - 3 - 0 = 2, at the minimum.
    EXPECT_EQ(Fkt({4, 2, 6, 5, 3, 0, 4}), -40);
}

TEST(BsmFkt, OpenProposalsMoveTheEffectiveStaffing) {
    // A balanced slot with one open proposal out of it becomes short,
    EXPECT_EQ(Fkt({3, 2, 5, 3, 0, 0, 0, 1, 0}), -25);
    // one with a proposal into it becomes overstaffed.
    EXPECT_EQ(Fkt({3, 2, 5, 3, 0, 0, 0, 0, 1}), 90);
    // In and out cancel.
    EXPECT_EQ(Fkt({3, 2, 5, 3, 0, 0, 0, 2, 2}), 0);
    // More proposals out than persons: below the minimum.
    EXPECT_EQ(Fkt({1, 1, 2, 1, 0, 0, 0, 2, 0}), -200);  // e = 0: -100 - 2*100/2
}

TEST(BsmFkt, OverstaffedWithinAndAboveTheMaximum) {
    EXPECT_EQ(Fkt({4, 2, 6, 5}), 90);
    EXPECT_EQ(Fkt({4, 2, 6, 6}), 90);    // exactly at the maximum
    EXPECT_EQ(Fkt({4, 2, 6, 7}), 190);   // one above
    EXPECT_EQ(Fkt({4, 2, 6, 40}), 190);
    // A maximum below the target: every excess is above the maximum.
    EXPECT_EQ(Fkt({4, 2, 3, 5}), 190);
    // Rows above their maximum sort before rows within it.
    EXPECT_GT(Fkt({4, 2, 6, 7}), Fkt({4, 2, 6, 6}));
}

TEST(BsmFkt, OverstaffedByLessThanOnePercentStaysPositive) {
    EXPECT_EQ(Fkt({200, 100, 300, 201}), 90);   // 1*100/201 = 0 percent
    EXPECT_EQ(Fkt({200, 100, 200, 201}), 190);  // above the maximum by under 1 percent
    EXPECT_EQ(Fkt({300, 100, 400, 401}), 190);
}

TEST(BsmFkt, NegativeTargetsCountAsZero) {
    // A target, minimum or maximum below 0 behaves exactly like 0 for every
    // effective staffing, in particular no division by zero and no sign flip.
    for (int ist = 0; ist <= 4; ++ist) {
        for (int ova = 0; ova <= 3; ++ova) {
            SCOPED_TRACE(testing::Message() << "ist " << ist << " ova " << ova);
            const int nullZiel = Fkt({0, 0, 0, ist, 0, 0, 0, ova, 0});
            EXPECT_EQ(Fkt({-1, -1, -1, ist, 0, 0, 0, ova, 0}), nullZiel);
            EXPECT_EQ(Fkt({-5, -3, -2, ist, 0, 0, 0, ova, 0}), nullZiel);
            EXPECT_EQ(Fkt({4, -1, 6, ist, 0, 0, 0, ova, 0}), Fkt({4, 0, 6, ist, 0, 0, 0, ova, 0}));
            EXPECT_EQ(Fkt({2, 1, -1, ist, 0, 0, 0, ova, 0}), Fkt({2, 1, 0, ist, 0, 0, 0, ova, 0}));
        }
    }
    // The definite figures: nobody wanted and nobody there is balanced; a
    // person there is surplus above the maximum; proposals out of an empty
    // slot leave it short.
    EXPECT_EQ(Fkt({-1, -1, -1, 0}), 0);
    EXPECT_EQ(Fkt({-1, -1, -1, 1}), 190);
    EXPECT_EQ(Fkt({-1, -1, -1, 0, 0, 0, 0, 1, 0}), -200);
    EXPECT_EQ(Fkt({4, -1, 6, 0}), -80);  // without minimum, not below it
    EXPECT_EQ(Fkt({2, -5, 6, 0, 0, 0, 0, 3, 0}), -400);
}

}  // namespace
