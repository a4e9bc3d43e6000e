#include "core/g_and_h.hpp"

#include <cmath>
#include <limits>

namespace velmor {

long double GAndHRawMoment(int n, long double g, long double h) {
    if (n < 1 || n > 4 || !(h * n < 1.0L)) return std::numeric_limits<long double>::quiet_NaN();
    const long double shrink = 1.0L - n * h;
    if (g == 0.0L) {
        // Symmetric: E[Z^n exp(n h Z^2 / 2)] = E[Z^n] (1 - n h)^(-(n + 1) / 2).
        if (n % 2 == 1) return 0.0L;
        const long double normalMoment = n == 2 ? 1.0L : 3.0L;
        return normalMoment * std::pow(shrink, -(n + 1) / 2.0L);
    }
    // The alternating sum of exponentials, written with expm1 (the 1s cancel,
    // since the binomial coefficients with alternating signs sum to 0): the
    // terms are then of the size of g^2 instead of 1, which keeps a small g
    // from cancelling everything. What cancellation is left (the sum is of
    // order g^n while its terms are of order g^2) costs about the digits of
    // g^(n - 2), so the moments are computed in extended precision.
    const long double a = g * g / (2.0L * shrink);
    long double sum = 0.0L;
    long double binomial = 1.0L;
    for (int i = 0; i <= n; ++i) {
        const int k = n - i;
        const long double term = binomial * std::expm1(a * k * k);
        sum += (i % 2 == 0) ? term : -term;
        binomial = binomial * (n - i) / (i + 1);
    }
    return sum / (std::pow(g, static_cast<long double>(n)) * std::sqrt(shrink));
}

GAndHMoments GAndHMomentsOf(double g, double h) {
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const long double m1 = GAndHRawMoment(1, g, h), m2 = GAndHRawMoment(2, g, h),
                      m3 = GAndHRawMoment(3, g, h), m4 = GAndHRawMoment(4, g, h);
    // Central moments from raw ones.
    const long double variance = m2 - m1 * m1;
    const long double mu3 = m3 - 3.0L * m1 * m2 + 2.0L * m1 * m1 * m1;
    const long double mu4 = m4 - 4.0L * m1 * m3 + 6.0L * m1 * m1 * m2 - 3.0L * m1 * m1 * m1 * m1;
    const long double sd = std::sqrt(variance);
    return {static_cast<double>(m1), static_cast<double>(sd),
            static_cast<double>(std::isnan(m3) ? nan : mu3 / (variance * sd)),
            static_cast<double>(std::isnan(m4) ? nan : mu4 / (variance * variance) - 3.0L)};
}

double GAndHValue(double g, double h, double z) {
    // expm1(gz)/g tends to z as g -> 0 without losing digits on the way.
    const double skewed = g == 0.0 ? z : std::expm1(g * z) / g;
    return skewed * std::exp(h * z * z / 2.0);
}

}  // namespace velmor
