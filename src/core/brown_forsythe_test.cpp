#include "core/brown_forsythe_test.hpp"

#include "core/group_moments.hpp"
#include "core/upper_tails.hpp"

namespace velmor {

MeanTestResult BrownForsytheTest(const ThreeGroups& groups) {
    std::array<GroupMoments, kGroups> m;
    if (const MeanTestStatus s = DescribeGroups(groups, 2, m); s != MeanTestStatus::Computed)
        return MeanTestResult::NotComputed(s);
    return BrownForsytheFromMoments(m);
}

MeanTestResult BrownForsytheFromMoments(const std::array<GroupMoments, kGroups>& m) {
    constexpr double k = kGroups;
    double total = 0.0;
    double sum = 0.0;
    for (const GroupMoments& g : m) {
        total += g.n;
        sum += g.n * g.mean;
    }
    const double grandMean = sum / total;
    double between = 0.0;
    double denominator = 0.0;
    std::array<double, kGroups> part{};
    for (int g = 0; g < kGroups; ++g) {
        const double d = m[g].mean - grandMean;
        between += m[g].n * d * d;
        // 1 - n_j/N as the other groups' share, exactly representable counts.
        part[g] = (total - m[g].n) / total * m[g].variance;
        denominator += part[g];
    }
    if (!(denominator > 0.0)) return MeanTestResult::NotComputed(MeanTestStatus::NoVariance);
    double inverseDf2 = 0.0;
    for (int g = 0; g < kGroups; ++g) {
        const double c = part[g] / denominator;
        inverseDf2 += c * c / (m[g].n - 1.0);
    }

    MeanTestResult r;
    r.statistic = between / denominator;
    r.dfCount = 2;
    r.df1 = k - 1.0;
    r.df2 = 1.0 / inverseDf2;
    r.pValue = FUpperTail(r.statistic, r.df1, r.df2);
    return r;
}

}  // namespace velmor
