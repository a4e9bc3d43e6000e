#include "core/kruskal_wallis_test.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include "core/upper_tails.hpp"

namespace velmor {

MeanTestResult KruskalWallisStatistic(const ThreeGroups& groups, MeanTestScratch& scratch) {
    std::size_t count = 0;
    for (const std::span<const double> scores : groups) {
        if (scores.empty()) return MeanTestResult::NotComputed(MeanTestStatus::TooFewCases);
        count += scores.size();
    }
    const std::span<double> room = scratch.values();
    if (room.size() < count)
        throw std::invalid_argument("Kruskal-Wallis test: scratch space smaller than the scores");
    // Each group sorted in its own stretch of the scratch; the ranks then come
    // from one merging walk over the three, which sees every run of ties
    // whole. (Three sorts of n and a linear walk cost less than one sort of
    // 3n followed by a binary search per score.)
    std::array<std::span<double>, kGroups> sorted;
    std::size_t offset = 0;
    for (int g = 0; g < kGroups; ++g) {
        sorted[g] = room.subspan(offset, groups[g].size());
        offset += groups[g].size();
        std::copy(groups[g].begin(), groups[g].end(), sorted[g].begin());
        // A NaN would break the ordering the ranks rely on.
        for (const double x : sorted[g])
            if (std::isnan(x)) return MeanTestResult::NotComputed(MeanTestStatus::NotFinite);
        std::sort(sorted[g].begin(), sorted[g].end());
    }

    // Each run of t tied scores takes the ranks ranked + 1 .. ranked + t and
    // gives each score their mean, ranked + (t + 1) / 2. Rank sums are
    // multiples of 1/2 and tie counts integers: all exact in double for any
    // group a run allows.
    std::array<std::size_t, kGroups> at{};
    std::array<double, kGroups> rankSum{};
    double ranked = 0.0;
    double tieSum = 0.0;
    for (;;) {
        bool any = false;
        double smallest = 0.0;
        for (int g = 0; g < kGroups; ++g) {
            if (at[g] < sorted[g].size() && (!any || sorted[g][at[g]] < smallest)) {
                smallest = sorted[g][at[g]];
                any = true;
            }
        }
        if (!any) break;
        std::array<double, kGroups> tied{};
        double t = 0.0;
        for (int g = 0; g < kGroups; ++g) {
            while (at[g] < sorted[g].size() && sorted[g][at[g]] == smallest) {
                ++at[g];
                tied[g] += 1.0;
            }
            t += tied[g];
        }
        const double midRank = ranked + (t + 1.0) / 2.0;
        for (int g = 0; g < kGroups; ++g) rankSum[g] += midRank * tied[g];
        tieSum += t * t * t - t;
        ranked += t;
    }

    const double n = static_cast<double>(count);
    const double correction = 1.0 - tieSum / (n * n * n - n);
    if (!(correction > 0.0)) return MeanTestResult::NotComputed(MeanTestStatus::NoVariance);
    double sumOfSquaredMeans = 0.0;
    for (int g = 0; g < kGroups; ++g)
        sumOfSquaredMeans += rankSum[g] * rankSum[g] / static_cast<double>(groups[g].size());

    MeanTestResult r;
    r.statistic = (12.0 / (n * (n + 1.0)) * sumOfSquaredMeans - 3.0 * (n + 1.0)) / correction;
    // Rounding can leave a tiny negative H when the rank sums are exactly
    // proportional to the sizes; H is a sum of squares, so 0 is the value.
    if (r.statistic < 0.0) r.statistic = 0.0;
    r.dfCount = 1;
    r.df1 = kGroups - 1.0;
    return r;
}

MeanTestResult KruskalWallisTest(const ThreeGroups& groups, MeanTestScratch& scratch) {
    MeanTestResult r = KruskalWallisStatistic(groups, scratch);
    if (r.computed()) r.pValue = ChiSquareUpperTail(r.statistic, r.df1);
    return r;
}

}  // namespace velmor
