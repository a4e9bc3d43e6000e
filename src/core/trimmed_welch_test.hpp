#pragma once
// Welch's test on 20% trimmed means with winsorized variances, as Lix and
// Keselman (1998) give it (Yuen's standard errors in Welch's statistic).

#include "core/mean_test_result.hpp"
#include "core/sorted_groups.hpp"

namespace velmor {

// Per group, from the sorted scores: g = floor(0.2 n) cases trimmed from each
// end, h = n - 2g kept; the trimmed mean is the mean of the h kept; the
// winsorized sample replaces the g lowest by the lowest kept and the g
// highest by the highest kept, with sum of squared deviations SSW;
// d_j = SSW / (h (h - 1)). Then with w_j = 1 / d_j, U = sum w_j,
// m = sum w_j tmean_j / U and k = 3:
//   A  = sum w_j (tmean_j - m)^2 / (k - 1)
//   B  = 2 (k - 2) / (k^2 - 1) sum (1 - w_j / U)^2 / (h_j - 1)
//   F  = A / (1 + B),  df1 = k - 1,
//   df2 = (k^2 - 1) / (3 sum (1 - w_j / U)^2 / (h_j - 1)),
// p the upper tail of F(df1, df2). Groups below five cases trim nothing (the
// test is Welch's there). Needs h >= 2 in every group (TooFewCases) and a
// winsorized variance above 0 (NoVariance: the kept cases of a group all tied).
// scratch must hold all three groups (std::invalid_argument otherwise).
MeanTestResult TrimmedWelchTest(const ThreeGroups& groups, MeanTestScratch& scratch);

// The test from groups already sorted (SortGroups), for a caller that sorts
// once for several tests.
MeanTestResult TrimmedWelchFromSorted(const SortedGroups& sorted);

// The trimmed test's per-group quantities (exposed for its tests).
struct TrimmedMoments {
    double kept = 0.0;  // h
    double trimmedMean = 0.0;
    double winsorizedSS = 0.0;  // sum of squared deviations of the winsorized sample
};
// Describes one group's scores, given in ascending order.
TrimmedMoments DescribeTrimmedSorted(std::span<const double> sorted);

}  // namespace velmor
