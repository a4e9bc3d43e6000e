// Normal-theory power of the three-group F test against published values and
// against a series of our own, and the conditions under which it is given.
#include "analysis/normal_theory.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace velmor {
namespace {

// Published powers are given to four decimals: within half a unit of the fourth.
constexpr double kFourDecimals = 0.5e-4;

GroupSettings Normal(double mean, std::int32_t n, double sd = 1.0, double reliability = 1.0) {
    GroupSettings g;
    g.distribution = Distribution::Normal;
    g.mean = mean;
    g.sd = sd;
    g.size = n;
    g.reliability = reliability;
    return g;
}

ReplicationSettings Three(GroupSettings a, GroupSettings b, GroupSettings c) {
    ReplicationSettings s;
    s.groups = {a, b, c};
    return s;
}

TEST(NormalTheoryPower, PublishedValuesForCohensEffects) {
    const auto medium16 =
        NormalTheoryPowerOf(Three(Normal(.31, 16), Normal(0, 16), Normal(-.31, 16)));
    ASSERT_TRUE(medium16.available) << medium16.reason;
    EXPECT_NEAR(medium16.power, 0.3098, kFourDecimals);
    EXPECT_DOUBLE_EQ(medium16.df2, 45.0);
    EXPECT_NEAR(medium16.noncentrality, 16 * 2 * 0.31 * 0.31, 1e-12);
    const auto medium52 =
        NormalTheoryPowerOf(Three(Normal(.31, 52), Normal(0, 52), Normal(-.31, 52)));
    EXPECT_NEAR(medium52.power, 0.8071, kFourDecimals);
    const auto large16 =
        NormalTheoryPowerOf(Three(Normal(.49, 16), Normal(0, 16), Normal(-.49, 16)));
    EXPECT_NEAR(large16.power, 0.6676, kFourDecimals);
}

// Our own power for df1 = 2, needing nothing from Boost: the central F(2, m)
// has the upper tail (1 + 2c/m)^(-m/2), which gives the critical value in
// closed form, and the noncentral F is a Poisson(lambda/2) mixture of
// Beta(1 + j, m/2) variables, whose distribution has a finite sum for an
// integer first parameter:
//   P(B > y) = (1 - y)^b sum_{k=0..j} Gamma(b + k) / (Gamma(b) k!) y^k.
double SeriesPower(double lambda, double m, double alpha) {
    const double b = m / 2.0;
    const double c = b * (std::pow(alpha, -1.0 / b) - 1.0);
    const double y = 2.0 * c / (2.0 * c + m);
    double power = 0.0;
    double poisson = std::exp(-lambda / 2.0);
    double coefficient = 1.0;  // Gamma(b + k) / (Gamma(b) k!) at k = j
    double inner = 0.0;        // sum_{k<=j} coefficient_k y^k
    double yPower = 1.0;
    for (int j = 0; j < 400; ++j) {
        if (j > 0) {
            poisson *= (lambda / 2.0) / j;
            coefficient *= (b + j - 1.0) / j;
            yPower *= y;
        }
        inner += coefficient * yPower;
        power += poisson * std::pow(1.0 - y, b) * inner;
    }
    return power;
}

TEST(NormalTheoryPower, UnequalSizesAndReliabilityMatchAnIndependentSeries) {
    // SD 2 at reliability .8: every observed SD is 2 / sqrt(.8).
    const auto s = Three(Normal(0.9, 10, 2, .8), Normal(0.1, 25, 2, .8), Normal(-0.4, 40, 2, .8));
    const auto theory = NormalTheoryPowerOf(s);
    ASSERT_TRUE(theory.available) << theory.reason;
    const double grand = (10 * 0.9 + 25 * 0.1 + 40 * -0.4) / 75.0;
    const double lambda = (10 * std::pow(0.9 - grand, 2) + 25 * std::pow(0.1 - grand, 2) +
                           40 * std::pow(-0.4 - grand, 2)) /
                          (4.0 / 0.8);
    EXPECT_NEAR(theory.noncentrality, lambda, 1e-12);
    EXPECT_DOUBLE_EQ(theory.df2, 72.0);
    EXPECT_NEAR(theory.power, SeriesPower(lambda, 72.0, 0.05), 1e-9);
    // And at another alpha, where the critical value moves.
    ReplicationSettings strict = s;
    strict.alpha = 0.01;
    EXPECT_NEAR(NormalTheoryPowerOf(strict).power, SeriesPower(lambda, 72.0, 0.01), 1e-9);
}

TEST(NormalTheoryPower, HugeNoncentralityIsCertainPowerOrNotAvailable) {
    // lambda about 1.3e15, past what the series can start from.
    const auto huge = FTestPower({1e6, 0, 0}, {2000, 2000, 2000}, 1.0, 0.05);
    ASSERT_TRUE(huge.available) << huge.reason;
    EXPECT_EQ(huge.power, 1.0);
    const auto infinite = FTestPower({1e200, 0, 0}, {16, 16, 16}, 1e-200, 0.05);
    EXPECT_TRUE(infinite.available);
    EXPECT_EQ(infinite.power, 1.0);
    // At an alpha so small that 1e6 does not reach certainty, no value is made up.
    const auto strict = FTestPower({1e6, 0, 0}, {2, 2, 2}, 1.0, 1e-30);
    EXPECT_FALSE(strict.available);
    EXPECT_EQ(strict.power, 0.0);
    EXPECT_EQ(strict.reason,
              "the noncentral F distribution could not be evaluated (noncentrality "
              "1333333333333.33 is beyond the evaluated range)");
}

TEST(NormalTheoryPower, EqualMeansRejectAtAlpha) {
    const auto theory = NormalTheoryPowerOf(Three(Normal(3, 8), Normal(3, 12), Normal(3, 30)));
    ASSERT_TRUE(theory.available);
    EXPECT_EQ(theory.noncentrality, 0.0);
    EXPECT_NEAR(theory.power, 0.05, 1e-12);
}

TEST(NormalTheoryPower, NotAvailableWhereTheTheoryDoesNotHold) {
    auto base = Three(Normal(.31, 16), Normal(0, 16), Normal(-.31, 16));
    auto uniform = base;
    uniform.groups[1].distribution = Distribution::Uniform;
    EXPECT_EQ(NormalTheoryPowerOf(uniform).reason, "group 2 is uniform");
    auto bounded = base;
    bounded.groups[0].hasMinimum = true;
    bounded.groups[2].hasMaximum = true;
    EXPECT_EQ(NormalTheoryPowerOf(bounded).reason,
              "group 1 has a minimum possible score in force; group 3 has a maximum possible "
              "score in force");
    auto rounded = base;
    rounded.groups[2].wholeNumbers = true;
    EXPECT_EQ(NormalTheoryPowerOf(rounded).reason, "group 3 is rounded to whole numbers");
    auto spread = base;
    spread.groups[0].reliability = 0.5;
    const auto unequal = NormalTheoryPowerOf(spread);
    EXPECT_FALSE(unequal.available);
    EXPECT_EQ(unequal.reason, "the observed SDs differ (1.4142, 1.0000, 1.0000)");
    // The same observed spread reached two ways is equal.
    auto same = base;
    same.groups[1] = Normal(0, 16, 0.9, 0.81);
    EXPECT_TRUE(NormalTheoryPowerOf(same).available);
}

TEST(NormalMeanDistribution, ExactOnlyForPlainNormalGroups) {
    const auto d = NormalMeanDistribution(Normal(5, 25, 2, 0.64));
    ASSERT_TRUE(d);
    EXPECT_DOUBLE_EQ(d->mean, 5.0);
    EXPECT_NEAR(d->standardError, 2.0 / 0.8 / 5.0, 1e-15);
    GroupSettings bounded = Normal(0, 10);
    bounded.hasMaximum = true;
    EXPECT_FALSE(NormalMeanDistribution(bounded));
}

}  // namespace
}  // namespace velmor
