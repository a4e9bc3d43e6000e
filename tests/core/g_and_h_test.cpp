// The g-and-h family's closed-form moments against numerical integration.

#include "core/g_and_h.hpp"

#include <gtest/gtest.h>

#include <boost/math/distributions/lognormal.hpp>
#include <cmath>

namespace velmor {
namespace {

// Mean, SD, skewness and excess kurtosis of Y = (exp(gZ) - 1) / g exp(hZ^2/2)
// by adaptive quadrature of y(z)^n phi(z), n = 1..4, over [-38, 38] in four
// pieces, then central moments from raw ones:
//   /usr/bin/python3 (scipy 1.10.1): integrate.quad(lambda z: gh(z,g,h)**n *
//     stats.norm.pdf(z), a, b, epsabs=0, epsrel=1e-13, limit=500)
// Tolerance: relative 1e-9 (the quadrature's own error grows through the
// differences of raw moments), and absolute 1e-12 where the value is 0.
TEST(GAndH, ClosedFormMomentsAgreeWithQuadrature) {
    const struct {
        double g, h, mean, sd, skewness, kurtosis;
    } rows[] = {
        {0.5, 0.1, 0.3141120476081399, 1.507184865245964, 3.4065836222112025, 41.24316519625677},
        {1.0, 0.0, 0.6487212707001283, 2.1611974158950877, 6.184877138632556, 110.93639217631154},
        {0.2, 0.2, 0.14151582587805753, 1.547721796039368, 2.81244440486794, 152.9846772892351},
        {0.0, 0.15, 0.0, 1.3067017417552778, 0.0, 7.168699100978941},
        {-0.7, 0.05, -0.4312078254295744, 1.6455686145281985, -4.0815136459013655,
         47.7557456811919},
        {1e-3, 0.1, 0.0005856071367739137, 1.1821781592165619, 0.005157766721548243,
         2.50830934840123},
        // The smallest g accepted (below it the alternating sums cancel).
        {1e-4, 0.1, 5.8560697573256234e-05, 1.1821770227335902, 0.0005157761492288697,
         2.508243644942115},
    };
    const auto near = [](double actual, double expected) {
        return std::fabs(actual - expected) <= std::max(1e-12, 1e-9 * std::fabs(expected));
    };
    for (const auto& r : rows) {
        const GAndHMoments m = GAndHMomentsOf(r.g, r.h);
        EXPECT_PRED2(near, m.mean, r.mean) << r.g << ", " << r.h;
        EXPECT_PRED2(near, m.sd, r.sd) << r.g << ", " << r.h;
        EXPECT_PRED2(near, m.skewness, r.skewness) << r.g << ", " << r.h;
        EXPECT_PRED2(near, m.kurtosis, r.kurtosis) << r.g << ", " << r.h;
    }
}

// g = 1, h = 0 is exp(Z) - 1, a shifted lognormal with sigma 1: Boost.Math's
// lognormal moments must agree to rounding.
TEST(GAndH, GOneHZeroIsTheShiftedLognormal) {
    const boost::math::lognormal lognormal(0.0, 1.0);
    const GAndHMoments m = GAndHMomentsOf(1.0, 0.0);
    EXPECT_NEAR(m.mean, boost::math::mean(lognormal) - 1.0, 1e-14);
    EXPECT_NEAR(m.sd, boost::math::standard_deviation(lognormal), 1e-14);
    EXPECT_NEAR(m.skewness, boost::math::skewness(lognormal), 1e-12);
    EXPECT_NEAR(m.kurtosis, boost::math::kurtosis_excess(lognormal), 1e-10);
}

TEST(GAndH, MomentsThatDoNotExistAreNaN) {
    EXPECT_TRUE(std::isnan(GAndHRawMoment(4, 0.5, 0.25)));
    EXPECT_TRUE(std::isnan(GAndHRawMoment(2, 0.0, 0.5)));
    EXPECT_FALSE(std::isnan(GAndHRawMoment(3, 0.5, 0.3)));
    const GAndHMoments m = GAndHMomentsOf(0.5, 0.3);  // skewness exists, kurtosis not
    EXPECT_TRUE(std::isfinite(m.skewness));
    EXPECT_TRUE(std::isnan(m.kurtosis));
}

TEST(GAndH, ValueTendsToTheNormalDeviateAsGAndHVanish) {
    for (double z : {-3.0, -0.4, 0.0, 1.7}) {
        EXPECT_EQ(GAndHValue(0.0, 0.0, z), z);
        EXPECT_NEAR(GAndHValue(1e-12, 0.0, z), z, 1e-11);
        // Direct formula at an ordinary point.
        EXPECT_NEAR(GAndHValue(0.5, 0.1, z),
                    (std::exp(0.5 * z) - 1.0) / 0.5 * std::exp(0.05 * z * z),
                    1e-14 * std::max(1.0, std::fabs(z)));
    }
}

}  // namespace
}  // namespace velmor
