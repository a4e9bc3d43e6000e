#pragma once
// The upper tail of a chi-square distribution, as the tests referred to one
// need it.

#include <boost/math/distributions/chi_squared.hpp>

namespace velmor {

// P(X > x) for X ~ chi-square(df). At x = 0 the tail is exactly 1; it is
// returned without calling the distribution, whose evaluation there takes
// log(0) and raises the division-by-zero flag, which a run counts as a
// floating-point fault (a rank test of untied groups in the same order of
// sizes has H = 0 exactly).
inline double ChiSquareUpperTail(double x, double df) {
    if (x <= 0.0) return 1.0;
    const boost::math::chi_squared_distribution<double> chi(df);
    return boost::math::cdf(boost::math::complement(chi, x));
}

}  // namespace velmor
