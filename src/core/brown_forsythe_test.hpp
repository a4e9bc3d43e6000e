#pragma once
// Brown and Forsythe's (1974) F* test of equal means, with the Satterthwaite
// denominator degrees of freedom of that paper (not later corrections of the
// numerator degrees of freedom).

#include "core/group_moments.hpp"
#include "core/mean_test_result.hpp"

namespace velmor {

// With N = sum n_j, the grand mean xbar = sum n_j xbar_j / N and k = 3:
//   F*  = sum n_j (xbar_j - xbar)^2 / sum (1 - n_j / N) s_j^2
//   c_j = (1 - n_j / N) s_j^2 / sum_i (1 - n_i / N) s_i^2
//   df1 = k - 1,  df2 = 1 / sum c_j^2 / (n_j - 1),
// p the upper tail of F(df1, df2). Needs two cases in every group; a group
// without variance is allowed (it only carries no weight in df2), but when no
// group varies the denominator is 0 (NoVariance).
MeanTestResult BrownForsytheTest(const ThreeGroups& groups);
// The same from groups already described (DescribeGroups with two cases or
// more), for a caller that describes them once for several tests.
MeanTestResult BrownForsytheFromMoments(const std::array<GroupMoments, kGroups>& moments);

}  // namespace velmor
