#pragma once
// The upper tails that the tests beside F refer their statistics to.
//
// They are evaluated in double: by default Boost.Math promotes a double
// function to long double and rounds the result, which is correctly rounded
// nearly always but costs several times as much, and a run evaluates a tail
// per test and replication. In double the tails agree with R and scipy to
// about 1e-14 relative (tests/core/mean_tests_test.cpp holds them to 1e-9).
// Errors still throw.

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/policies/policy.hpp>

namespace velmor {

using TailPolicy = boost::math::policies::policy<boost::math::policies::promote_double<false>>;

// P(X > x) for X ~ chi-square(df). At x = 0 the tail is exactly 1; it is
// returned without calling the distribution, whose evaluation there takes
// log(0) and raises the division-by-zero flag, which a run counts as a
// floating-point fault (a rank test of groups with equal mean ranks has
// H = 0 exactly).
inline double ChiSquareUpperTail(double x, double df) {
    if (x <= 0.0) return 1.0;
    const boost::math::chi_squared_distribution<double, TailPolicy> chi(df);
    return boost::math::cdf(boost::math::complement(chi, x));
}

// The x with P(X > x) = p for X ~ chi-square(df): the critical value of a
// test at alpha = p.
inline double ChiSquareUpperQuantile(double p, double df) {
    const boost::math::chi_squared_distribution<double, TailPolicy> chi(df);
    return boost::math::quantile(boost::math::complement(chi, p));
}

// P(X > x) for X ~ F(df1, df2), df2 not necessarily whole.
inline double FUpperTail(double x, double df1, double df2) {
    const boost::math::fisher_f_distribution<double, TailPolicy> f(df1, df2);
    return boost::math::cdf(boost::math::complement(f, x));
}

}  // namespace velmor
