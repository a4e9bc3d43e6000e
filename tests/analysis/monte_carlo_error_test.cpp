// Standard error and the exact binomial interval of a rejection proportion,
// against published limits and the defining tail equations.
#include "analysis/monte_carlo_error.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace velmor {
namespace {

// Limits printed to five decimals are matched to half a unit of the fifth.
constexpr double kFiveDecimals = 0.5e-5;

TEST(ClopperPearson, PublishedLimits) {
    const ProportionInterval alpha = ClopperPearsonInterval(500, 10000);
    EXPECT_NEAR(alpha.low, 0.04581, kFiveDecimals);
    EXPECT_NEAR(alpha.high, 0.05445, kFiveDecimals);
    const ProportionInterval power = ClopperPearsonInterval(3095, 10000);
    EXPECT_NEAR(power.low, 0.30045, kFiveDecimals);
    EXPECT_NEAR(power.high, 0.31867, kFiveDecimals);
}

// Binomial tail P(X >= k) or P(X <= k) for n trials at rate p, summed term by
// term in log space: an independent check of the beta quantiles.
double UpperTail(int k, int n, double p) {
    double sum = 0.0;
    for (int x = k; x <= n; ++x)
        sum += std::exp(std::lgamma(n + 1.0) - std::lgamma(x + 1.0) - std::lgamma(n - x + 1.0) +
                        x * std::log(p) + (n - x) * std::log1p(-p));
    return sum;
}
double LowerTail(int k, int n, double p) {
    return 1.0 - UpperTail(k + 1, n, p);
}

TEST(ClopperPearson, LimitsSolveTheTailEquations) {
    for (const auto& [k, n] : {std::pair{3, 40}, std::pair{17, 200}, std::pair{951, 1000}}) {
        const ProportionInterval ci = ClopperPearsonInterval(k, n);
        EXPECT_NEAR(UpperTail(k, n, ci.low), 0.025, 1e-9) << k << "/" << n;
        EXPECT_NEAR(LowerTail(k, n, ci.high), 0.025, 1e-9) << k << "/" << n;
    }
}

TEST(ClopperPearson, NoneAndAllRejectedReachTheEnds) {
    // 0 of n: the upper limit solves (1 - p)^n = 0.025; n of n mirrors it.
    const ProportionInterval none = ClopperPearsonInterval(0, 100);
    EXPECT_EQ(none.low, 0.0);
    EXPECT_NEAR(none.high, 1.0 - std::pow(0.025, 1.0 / 100), 1e-12);
    const ProportionInterval all = ClopperPearsonInterval(100, 100);
    EXPECT_EQ(all.high, 1.0);
    EXPECT_NEAR(all.low, std::pow(0.025, 1.0 / 100), 1e-12);
    const ProportionInterval one = ClopperPearsonInterval(1, 1);
    EXPECT_NEAR(one.low, 0.025, 1e-12);
    EXPECT_EQ(one.high, 1.0);
}

TEST(MonteCarloError, StandardErrorAndRefusedCounts) {
    const auto e = MonteCarloErrorOf(500, 10000);
    ASSERT_TRUE(e);
    EXPECT_DOUBLE_EQ(e->proportion, 0.05);
    EXPECT_NEAR(e->standardError, std::sqrt(0.05 * 0.95 / 10000), 1e-15);
    EXPECT_EQ(MonteCarloErrorOf(0, 10)->standardError, 0.0);
    EXPECT_FALSE(MonteCarloErrorOf(0, 0));
    EXPECT_FALSE(MonteCarloErrorOf(11, 10));
    EXPECT_FALSE(MonteCarloErrorOf(-1, 10));
}

}  // namespace
}  // namespace velmor
