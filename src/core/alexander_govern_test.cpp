#include "core/alexander_govern_test.hpp"

#include <cmath>

#include "core/group_moments.hpp"
#include "core/upper_tails.hpp"

namespace velmor {

MeanTestResult AlexanderGovernStatistic(const ThreeGroups& groups) {
    std::array<GroupMoments, kGroups> m;
    if (const MeanTestStatus s = DescribeGroups(groups, 2, m); s != MeanTestStatus::Computed)
        return MeanTestResult::NotComputed(s);
    return AlexanderGovernFromMoments(m);
}

MeanTestResult AlexanderGovernFromMoments(const std::array<GroupMoments, kGroups>& m) {
    if (!EveryGroupVaries(m)) return MeanTestResult::NotComputed(MeanTestStatus::NoVariance);

    std::array<double, kGroups> precision{};  // 1 / squared standard error
    double sumPrecision = 0.0;
    for (int g = 0; g < kGroups; ++g) {
        precision[g] = m[g].n / m[g].variance;
        sumPrecision += precision[g];
    }
    double weightedMean = 0.0;
    for (int g = 0; g < kGroups; ++g) weightedMean += precision[g] / sumPrecision * m[g].mean;

    double statistic = 0.0;
    for (int g = 0; g < kGroups; ++g) {
        const double t = (m[g].mean - weightedMean) * std::sqrt(precision[g]);
        const double nu = m[g].n - 1.0;
        const double a = nu - 0.5;
        const double b = 48.0 * a * a;
        // log1p keeps ln(1 + t^2/nu) accurate for the small t of a group near
        // the weighted mean.
        const double c = std::sqrt(a * std::log1p(t * t / nu));
        const double c2 = c * c;
        const double c3 = c2 * c;
        const double c5 = c3 * c2;
        const double c7 = c5 * c2;
        const double z = c + (c3 + 3.0 * c) / b -
                         (4.0 * c7 + 33.0 * c5 + 240.0 * c3 + 855.0 * c) /
                             (10.0 * b * b + 8.0 * b * c2 * c2 + 1000.0 * b);
        statistic += z * z;
    }

    MeanTestResult r;
    r.statistic = statistic;
    r.dfCount = 1;
    r.df1 = kGroups - 1.0;
    return r;
}

MeanTestResult AlexanderGovernTest(const ThreeGroups& groups) {
    MeanTestResult r = AlexanderGovernStatistic(groups);
    if (r.computed()) r.pValue = ChiSquareUpperTail(r.statistic, r.df1);
    return r;
}

}  // namespace velmor
