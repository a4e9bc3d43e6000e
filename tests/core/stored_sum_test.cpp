// AddStored must round exactly like a sum formed in extended precision and
// then stored as a double, including where that double rounding differs from
// a plain double addition.

#include "core/stored_sum.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "support/split_mix.hpp"

namespace velmor {
namespace {

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

double ExtendedThenStored(double a, double b) {
    return static_cast<double>(static_cast<long double>(a) + b);
}

TEST(AddStored, FollowsTheExtendedRoundingWhereThePlainSumDiffers) {
    struct Case {
        double a, b;
    };
    const Case cases[] = {
        // 1 + 2^-53 + 2^-105: the plain sum rounds up; extended first lands
        // on the midpoint 1 + 2^-53, which breaks to the even 1.
        {1.0, std::ldexp(1.0, -53) + std::ldexp(1.0, -105)},
        {-1.0, -(std::ldexp(1.0, -53) + std::ldexp(1.0, -105))},
        // Just below the midpoint above an odd double: the plain sum keeps
        // it, extended rounds onto the midpoint and then up to the even one.
        {1.0 + std::ldexp(1.0, -52), std::ldexp(1.0, -53) - std::ldexp(1.0, -106)},
        {std::ldexp(1.0 + std::ldexp(1.0, -52), 300),
         std::ldexp(std::ldexp(1.0, -53) - std::ldexp(1.0, -106), 300)},
    };
    for (const Case& c : cases) {
        ASSERT_NE(Bits(c.a + c.b), Bits(ExtendedThenStored(c.a, c.b))) << c.a << " " << c.b;
        EXPECT_EQ(Bits(AddStored(c.a, c.b)), Bits(ExtendedThenStored(c.a, c.b)));
        EXPECT_EQ(Bits(AddStored(c.b, c.a)), Bits(ExtendedThenStored(c.b, c.a)));
    }
}

TEST(AddStored, AgreesOnTiesExactSumsZerosAndPowersOfTwo) {
    const double tiny = std::numeric_limits<double>::denorm_min();
    const double cases[][2] = {
        {1.0, 1.0 + std::ldexp(1.0, -52)},  // an exact midpoint, broken to even
        {3.0, std::ldexp(1.0, -52)},        // an exact midpoint above an odd double
        {1.0, -1.0},
        {0.0, -0.0},
        {-0.0, -0.0},
        {-0.0, 0.0},
        {0.5, 0.5},
        {1.0, -std::ldexp(1.0, -60)},  // the sum falls just below a power of two
        {2.0, -std::ldexp(1.0, -53) - std::ldexp(1.0, -110)},
        {tiny, tiny},
        {std::numeric_limits<double>::min(), -tiny},
        {1e308, -1e308},
        {123456.75, 0.125},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Bits(AddStored(c[0], c[1])), Bits(ExtendedThenStored(c[0], c[1])))
            << c[0] << " + " << c[1];
    }
}

// A small generator of test inputs (splitmix64): no library distribution.
class TestBits : public velmor::testing::SplitMix64 {
  public:
    TestBits() : SplitMix64(20240601ULL) {}
    // A double with a random significand and sign and a binary exponent in
    // [low, high].
    double value(int low, int high) {
        const std::uint64_t r = next();
        const double significand = 1.0 + static_cast<double>(r >> 12) * 0x1p-52;
        const int exponent =
            low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
        const double magnitude = std::ldexp(significand, exponent);
        return (r & 1) != 0 ? -magnitude : magnitude;
    }
};

TEST(AddStored, AgreesWithTheExtendedSumOverMillionsOfPairs) {
    TestBits bits;
    int mismatches = 0;
    int doubleRoundings = 0;  // pairs where the plain sum differs: the hard ones
    for (int i = 0; i < 3000000; ++i) {
        double a, b;
        switch (i % 3) {
            case 0:  // magnitudes far apart: the exact sum needs many bits
                a = bits.value(-2, 2);
                b = bits.value(-66, -50);
                break;
            case 1:  // anything within a wide range
                a = bits.value(-80, 80);
                b = bits.value(-80, 80);
                break;
            default:  // running sums of scores and of squared deviations
                a = bits.value(0, 12);
                b = bits.value(-30, 4);
                break;
        }
        const double expected = ExtendedThenStored(a, b);
        doubleRoundings += Bits(a + b) != Bits(expected);
        mismatches += Bits(AddStored(a, b)) != Bits(expected);
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(doubleRoundings, 100);
}

TEST(AddStored, OverflowStillRaisesTheOverflowFlag) {
    std::feclearexcept(FE_ALL_EXCEPT);
    const double max = std::numeric_limits<double>::max();
    EXPECT_EQ(AddStored(max, max), std::numeric_limits<double>::infinity());
    EXPECT_NE(std::fetestexcept(FE_OVERFLOW), 0);
    std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
}  // namespace velmor
