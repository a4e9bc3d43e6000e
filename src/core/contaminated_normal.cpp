#include "core/contaminated_normal.hpp"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/tools/roots.hpp>
#include <cstdint>

#include "core/shape_policy.hpp"

namespace velmor {

double ContaminatedQuantile(double proportion, double sdRatio, double u) {
    const boost::math::normal_distribution<double, ScorePolicy> standard;
    // Solve in the tail that u is in, through the complement above the median:
    // 1 - u is exact there, while the CDF near 1 would have lost the digits
    // that decide the root.
    const bool upper = u > 0.5;
    const double tail = upper ? 1.0 - u : u;
    const double z = upper ? boost::math::quantile(boost::math::complement(standard, tail))
                           : boost::math::quantile(standard, tail);
    const double lower = std::min(z, sdRatio * z), higher = std::max(z, sdRatio * z);
    if (lower == higher) return z;  // the median, or both components alike
    const auto tailMass = [&](double x) {
        const double narrow = upper ? boost::math::cdf(boost::math::complement(standard, x))
                                    : boost::math::cdf(standard, x);
        const double wide = upper ? boost::math::cdf(boost::math::complement(standard, x / sdRatio))
                                  : boost::math::cdf(standard, x / sdRatio);
        const double mass = (1.0 - proportion) * narrow + proportion * wide - tail;
        return upper ? -mass : mass;  // increasing in x either way
    };
    const double fLower = tailMass(lower), fHigher = tailMass(higher);
    if (fLower >= 0.0) return lower;
    if (fHigher <= 0.0) return higher;
    std::uintmax_t iterations = 100;
    const auto bracket = boost::math::tools::toms748_solve(
        tailMass, lower, higher, fLower, fHigher, boost::math::tools::eps_tolerance<double>(52),
        iterations);
    return bracket.first + (bracket.second - bracket.first) / 2.0;
}

double ContaminatedVariance(double proportion, double sdRatio) {
    return 1.0 - proportion + proportion * sdRatio * sdRatio;
}

double ContaminatedKurtosis(double proportion, double sdRatio) {
    const double k2 = sdRatio * sdRatio;
    const double variance = ContaminatedVariance(proportion, sdRatio);
    return 3.0 * (1.0 - proportion + proportion * k2 * k2) / (variance * variance) - 3.0;
}

}  // namespace velmor
