#include "core/james_test.hpp"

#include <algorithm>
#include <boost/math/tools/roots.hpp>
#include <cstdint>

#include "core/group_moments.hpp"
#include "core/upper_tails.hpp"

namespace velmor {

static_assert(kGroups == 3, "the (1 - (k - 3)/c) factor of h is dropped for three groups");

double JamesCriticalValue(const JamesTerms& r, double c) {
    constexpr double k = kGroups;
    const double x2 = c / (k - 1.0);
    const double x4 = x2 * c / (k + 1.0);
    const double x6 = x4 * c / (k + 3.0);
    const double x8 = x6 * c / (k + 5.0);
    const double s = 3.0 * x4 + x2;
    const double r11sq = r.r11 * r.r11;
    const double r12sq = r.r12 * r.r12;
    const double r10sq = r.r10 * r.r10;
    // For three groups 1 - (k - 3)/c is 1 (and would be 0/0 at c = 0).
    double h = c + 0.5 * s * r.t + s * s * r.t * r.t / 16.0;
    h += 0.5 * s *
         ((8.0 * r.r23 - 10.0 * r.r22 + 4.0 * r.r21 - 6.0 * r12sq + 8.0 * r.r12 * r.r11 -
           4.0 * r11sq) +
          (2.0 * r.r23 - 4.0 * r.r22 + 2.0 * r.r21 - 2.0 * r12sq + 4.0 * r.r12 * r.r11 -
           2.0 * r11sq) *
              (x2 - 1.0) +
          0.25 *
              (-r12sq + 4.0 * r.r12 * r.r11 - 2.0 * r.r12 * r.r10 - 4.0 * r11sq +
               4.0 * r.r11 * r.r10 - r10sq) *
              (3.0 * x4 - 2.0 * x2 - 1.0));
    h += (r.r23 - 3.0 * r.r22 + 3.0 * r.r21 - r.r20) * (5.0 * x6 + 2.0 * x4 + x2);
    h += 3.0 / 16.0 * (r12sq - 4.0 * r.r23 + 6.0 * r.r22 - 4.0 * r.r21 + r.r20) *
         (35.0 * x8 + 15.0 * x6 + 9.0 * x4 + 5.0 * x2);
    h += (-2.0 * r.r22 + 4.0 * r.r21 - r.r20 + 2.0 * r.r12 * r.r10 - 4.0 * r.r11 * r.r10 + r10sq) *
         (9.0 * x8 - 3.0 * x6 - 5.0 * x4 - x2) / 16.0;
    h += 0.25 * (-r.r22 + r11sq) * (27.0 * x8 + 3.0 * x6 + x4 + x2);
    h += 0.25 * (r.r23 - r.r12 * r.r11) * (45.0 * x8 + 9.0 * x6 + 7.0 * x4 + 3.0 * x2);
    return h;
}

JamesStatistic ComputeJamesStatistic(const ThreeGroups& groups) {
    JamesStatistic out;
    std::array<GroupMoments, kGroups> m;
    out.status = DescribeGroups(groups, 2, m);
    if (out.status != MeanTestStatus::Computed) return out;
    return JamesFromMoments(m);
}

JamesStatistic JamesFromMoments(const std::array<GroupMoments, kGroups>& m) {
    JamesStatistic out;
    if (!EveryGroupVaries(m)) {
        out.status = MeanTestStatus::NoVariance;
        return out;
    }

    std::array<double, kGroups> w{};
    double sumW = 0.0;
    for (int g = 0; g < kGroups; ++g) {
        w[g] = m[g].n / m[g].variance;
        sumW += w[g];
    }
    double weightedSum = 0.0;
    for (int g = 0; g < kGroups; ++g) weightedSum += w[g] * m[g].mean;
    const double weightedMean = weightedSum / sumW;
    double statistic = 0.0;
    JamesTerms& terms = out.terms;
    for (int g = 0; g < kGroups; ++g) {
        const double d = m[g].mean - weightedMean;
        statistic += w[g] * d * d;
        const double share = w[g] / sumW;
        // 1 - w/W as the other groups' weights over W (see welch_test.cpp).
        const double rest = (w[(g + 1) % kGroups] + w[(g + 2) % kGroups]) / sumW;
        const double inverseNu = 1.0 / (m[g].n - 1.0);
        const double inverseNu2 = inverseNu * inverseNu;
        terms.t += rest * rest * inverseNu;
        terms.r10 += inverseNu;
        terms.r11 += share * inverseNu;
        terms.r12 += share * share * inverseNu;
        terms.r20 += inverseNu2;
        terms.r21 += share * inverseNu2;
        terms.r22 += share * share * inverseNu2;
        terms.r23 += share * share * share * inverseNu2;
    }

    out.j = statistic;
    return out;
}

bool JamesRejects(const JamesStatistic& s, double criticalChiSquare) {
    return s.j >= JamesCriticalValue(s.terms, criticalChiSquare);
}

MeanTestResult JamesTest(const ThreeGroups& groups) {
    const JamesStatistic js = ComputeJamesStatistic(groups);
    if (js.status != MeanTestStatus::Computed) return MeanTestResult::NotComputed(js.status);
    const double statistic = js.j;
    const JamesTerms& terms = js.terms;
    MeanTestResult r;
    r.statistic = statistic;
    r.dfCount = 1;
    r.df1 = kGroups - 1.0;
    if (!(statistic > 0.0)) {
        r.pValue = 1.0;  // the critical value is 0 at alpha = 1
        return r;
    }
    const auto excess = [&](double c) { return JamesCriticalValue(terms, c) - statistic; };
    // Only quantiles up to kLargestQuantile matter: beyond it the tail of
    // chi-square(2), exp(-c/2), is below the smallest double. Searching no
    // further also keeps h away from the large c where its c^4 coefficient,
    // 0 in exact arithmetic for equal weights, is rounding noise of either
    // sign.
    constexpr double kLargestQuantile = 1500.0;
    double high = std::min(statistic, kLargestQuantile);
    double excessHigh = excess(high);
    while (excessHigh < 0.0 && high < kLargestQuantile) {
        high = std::min(2.0 * high, kLargestQuantile);
        excessHigh = excess(high);
    }
    if (excessHigh < 0.0) {
        // J exceeds the critical value of every alpha a double can hold.
        r.pValue = 0.0;
        return r;
    }
    double root = high;
    if (excessHigh > 0.0) {
        std::uintmax_t iterations = 200;
        const auto [low, up] = boost::math::tools::toms748_solve(
            excess, 0.0, high, -statistic, excessHigh, boost::math::tools::eps_tolerance<double>(),
            iterations);
        root = 0.5 * (low + up);
    }
    r.pValue = ChiSquareUpperTail(root, r.df1);
    return r;
}

}  // namespace velmor
