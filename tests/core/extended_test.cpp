// The program's one rounding to whole numbers: ties go to the even neighbour
// in both precisions, and the extended overload rounds the extended value
// itself.

#include "core/extended.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace velmor {
namespace {

TEST(RoundHalfEven, TiesGoToTheEvenNeighbourInBothPrecisions) {
    struct Case {
        double value, rounded;
    };
    const Case cases[] = {{0.5, 0.0},   {1.5, 2.0},     {2.5, 2.0},
                          {3.5, 4.0},   {-2.5, -2.0},   {-3.5, -4.0},
                          {10.5, 10.0}, {2.4999, 2.0},  {2.5001, 3.0},
                          {-0.4, -0.0}, {1e300, 1e300}, {4503599627370495.5, 4503599627370496.0}};
    for (const Case& c : cases) {
        EXPECT_EQ(RoundHalfEven(c.value), c.rounded) << c.value;
        EXPECT_EQ(RoundHalfEven(static_cast<Ext>(c.value)), static_cast<Ext>(c.rounded)) << c.value;
    }
    // A rounded -0.4 keeps its sign, as every other rounding of the program does.
    EXPECT_TRUE(std::signbit(RoundHalfEven(-0.4)));
}

TEST(RoundHalfEven, TheExtendedOverloadDoesNotRoundTwice) {
    // 3.5 minus one extended unit lies below the tie and rounds to 3; stored
    // to double first it would become the tie 3.5 and go to 4.
    const Ext belowTie = 3.5L - 0x1p-62L;
    ASSERT_EQ(static_cast<double>(belowTie), 3.5);
    EXPECT_EQ(RoundHalfEven(belowTie), 3.0L);
    // The search's sizes: a group 1 of 7 with a ratio of 1.5 is a tie and goes to 10.
    EXPECT_EQ(RoundHalfEven(7.0L * 1.5L), 10.0L);
}

}  // namespace
}  // namespace velmor
