#include "core/welch_test.hpp"

#include "core/group_moments.hpp"
#include "core/upper_tails.hpp"

namespace velmor {

MeanTestResult WelchTest(const ThreeGroups& groups) {
    std::array<GroupMoments, kGroups> m;
    if (const MeanTestStatus s = DescribeGroups(groups, 2, m); s != MeanTestStatus::Computed)
        return MeanTestResult::NotComputed(s);
    return WelchFromMoments(m);
}

MeanTestResult WelchFromMoments(const std::array<GroupMoments, kGroups>& m) {
    if (!EveryGroupVaries(m)) return MeanTestResult::NotComputed(MeanTestStatus::NoVariance);

    std::array<double, kGroups> means{}, weights{}, dfs{};
    for (int g = 0; g < kGroups; ++g) {
        means[g] = m[g].mean;
        weights[g] = m[g].n / m[g].variance;
        dfs[g] = m[g].n - 1.0;
    }
    return WelchFormula(means, weights, dfs);
}

MeanTestResult WelchFormula(const std::array<double, kGroups>& means,
                            const std::array<double, kGroups>& w,
                            const std::array<double, kGroups>& dfs) {
    constexpr double k = kGroups;
    const double sumW = w[0] + w[1] + w[2];
    double weightedSum = 0.0;
    for (int g = 0; g < kGroups; ++g) weightedSum += w[g] * means[g];
    const double weightedMean = weightedSum / sumW;
    double a = 0.0;
    double lambda = 0.0;
    for (int g = 0; g < kGroups; ++g) {
        const double d = means[g] - weightedMean;
        a += w[g] * d * d;
        // 1 - w/W as the other groups' weights over W: no cancellation when
        // one group's weight dominates.
        const double rest = (w[(g + 1) % kGroups] + w[(g + 2) % kGroups]) / sumW;
        lambda += rest * rest / dfs[g];
    }
    a /= k - 1.0;

    MeanTestResult r;
    r.statistic = a / (1.0 + 2.0 * (k - 2.0) * lambda / (k * k - 1.0));
    r.dfCount = 2;
    r.df1 = k - 1.0;
    r.df2 = (k * k - 1.0) / (3.0 * lambda);
    r.pValue = FUpperTail(r.statistic, r.df1, r.df2);
    return r;
}

}  // namespace velmor
