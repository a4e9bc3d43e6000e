#pragma once
// Alexander and Govern's (1994) test of equal means: each group's t against
// the variance-weighted mean, normalised, summed as squares and referred to
// a chi-square distribution with k - 1 = 2 degrees of freedom.

#include "core/group_moments.hpp"
#include "core/mean_test_result.hpp"

namespace velmor {

// With the squared standard errors e_j = s_j^2 / n_j, weights
// u_j = (1/e_j) / sum (1/e_i), the weighted mean m = sum u_j xbar_j, and per
// group t_j = (xbar_j - m) / sqrt(e_j), nu_j = n_j - 1, a = nu_j - 1/2,
// b = 48 a^2, c = sqrt(a ln(1 + t_j^2 / nu_j)), the normalised
//   z_j = c + (c^3 + 3c) / b
//           - (4c^7 + 33c^5 + 240c^3 + 855c) / (10 b^2 + 8 b c^4 + 1000 b),
// the statistic A = sum z_j^2 and p the upper tail of chi-square(2). Needs
// two cases and a variance above 0 in every group.
MeanTestResult AlexanderGovernTest(const ThreeGroups& groups);

// The statistic and df alone, its pValue left NaN: what a run of many samples
// needs, since the statistic is referred to a fixed chi-square(2) and the
// test rejects at alpha exactly when it reaches that distribution's upper
// alpha quantile.
MeanTestResult AlexanderGovernStatistic(const ThreeGroups& groups);
// The statistic from groups already described (DescribeGroups with two cases
// or more), for a caller that describes them once for several tests.
MeanTestResult AlexanderGovernFromMoments(const std::array<GroupMoments, kGroups>& moments);

}  // namespace velmor
