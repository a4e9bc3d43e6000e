// The F test's log-gamma memo must be invisible: every value bit for bit the
// function's own, whatever the order and number of distinct arguments.

#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cstdint>
#include <string_view>

#include "core/fprobability.hpp"

namespace velmor {
namespace {

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

class QuietConsole : public Console {
  public:
    void WriteLine(std::string_view) override {}
    void ReadLine() override {}
};

TEST(LnGammaMemo, ReturnsTheFunctionsOwnValuesAcrossRepeatsAndEvictions) {
    LnGammaMemo memo;
    // More distinct arguments than the memo holds, revisited in changing order.
    const double arguments[] = {1.0, 22.5, 23.5, 0.5, 1.5, 1000.5, 2998.5, 7.25};
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < 8; ++i) {
            const double x = arguments[(i * (round + 3)) % 8];
            ASSERT_EQ(Bits(memo(x)), Bits(LnGamma(x))) << x << " round " << round;
            ASSERT_EQ(Bits(memo(x)), Bits(LnGamma(x))) << x << " again";
        }
    }
}

TEST(LnGammaMemo, FProbabilityWithTheMemoIsBitForBitTheSame) {
    QuietConsole console;
    LnGammaMemo memo;
    for (double dfWithin : {3.0, 45.0, 153.0, 5997.0}) {
        for (double f = 0.0; f < 12.0; f += 0.173) {
            ASSERT_EQ(Bits(FProbability(f, 2.0, dfWithin, console, memo)),
                      Bits(FProbability(f, 2.0, dfWithin, console)))
                << f << " " << dfWithin;
        }
    }
}

TEST(LnGammaMemo, AnOverflowIsRaisedAgainOnEveryCall) {
    // A value that overflows is not remembered, so its fault is not lost.
    LnGammaMemo memo;
    for (int call = 0; call < 2; ++call) {
        std::feclearexcept(FE_ALL_EXCEPT);
        memo(1e308);
        EXPECT_NE(std::fetestexcept(FE_OVERFLOW), 0) << "call " << call;
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
}  // namespace velmor
