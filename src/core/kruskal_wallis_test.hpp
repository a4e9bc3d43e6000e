#pragma once
// The Kruskal-Wallis rank test, with the correction for ties, referred to a
// chi-square distribution with k - 1 = 2 degrees of freedom.

#include "core/mean_test_result.hpp"
#include "core/sorted_groups.hpp"

namespace velmor {

// Ranks all N scores together, tied scores sharing their mid-rank; with R_j
// a group's rank sum and t the size of each run of ties:
//   H = [12 / (N (N + 1)) sum R_j^2 / n_j - 3 (N + 1)]
//       / [1 - sum (t^3 - t) / (N^3 - N)],
// p the upper tail of chi-square(2). Needs a case in every group
// (TooFewCases) and two different scores somewhere (NoVariance when all are
// tied). scratch must hold all N scores (std::invalid_argument otherwise).
MeanTestResult KruskalWallisTest(const ThreeGroups& groups, MeanTestScratch& scratch);

// The statistic and df alone, its pValue left NaN: what a run of many samples
// needs, since the statistic is referred to a fixed chi-square(2) and the
// test rejects at alpha exactly when it reaches that distribution's upper
// alpha quantile.
MeanTestResult KruskalWallisStatistic(const ThreeGroups& groups, MeanTestScratch& scratch);

// The statistic from groups already sorted (SortGroups), for a caller that
// sorts once for several tests. TooFewCases and NoVariance as above.
MeanTestResult KruskalWallisFromSorted(const SortedGroups& sorted);

}  // namespace velmor
