#pragma once
// Welch's (1951) heteroscedastic F test of equal means.

#include "core/group_moments.hpp"
#include "core/mean_test_result.hpp"

namespace velmor {

// With weights w_j = n_j / s_j^2, W = sum w_j and the weighted mean
// m = sum w_j xbar_j / W, and k = 3 groups:
//   A      = sum w_j (xbar_j - m)^2 / (k - 1)
//   Lambda = sum (1 - w_j / W)^2 / (n_j - 1)
//   F      = A / (1 + 2 (k - 2) Lambda / (k^2 - 1))
//   df1    = k - 1,  df2 = (k^2 - 1) / (3 Lambda),
// p the upper tail of F(df1, df2). Needs two cases and a variance above 0
// in every group (TooFewCases, NoVariance otherwise).
MeanTestResult WelchTest(const ThreeGroups& groups);
// The same from groups already described (DescribeGroups with two cases or
// more), for a caller that describes them once for several tests.
MeanTestResult WelchFromMoments(const std::array<GroupMoments, kGroups>& moments);

// The formula above from each group's mean, weight w_j and degrees of
// freedom (n_j - 1 for Welch's test). The trimmed form puts trimmed means,
// h(h - 1) / SSW and h - 1 in their places.
MeanTestResult WelchFormula(const std::array<double, kGroups>& means,
                            const std::array<double, kGroups>& weights,
                            const std::array<double, kGroups>& dfs);

}  // namespace velmor
