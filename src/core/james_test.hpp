#pragma once
// James's (1951) second-order test of equal means under unequal variances.

#include "core/group_moments.hpp"
#include "core/mean_test_result.hpp"

namespace velmor {

// The statistic is J = sum w_j (xbar_j - m)^2 with w_j = n_j / s_j^2,
// W = sum w_j, m = sum w_j xbar_j / W. It is not referred to a distribution
// but to a critical value h(alpha), James's second-order expansion around
// the chi-square quantile c = chi2_{k-1}(1 - alpha). With nu_j = n_j - 1,
// T = sum (1 - w_j/W)^2 / nu_j, R_st = sum (w_j/W)^t / nu_j^s and
// X_2s = c^s / ((k - 1)(k + 1) ... (k + 2s - 3)):
//   h = c + 1/2 (3X4 + X2) T + 1/16 (3X4 + X2)^2 (1 - (k - 3)/c) T^2
//     + 1/2 (3X4 + X2) [ (8R23 - 10R22 + 4R21 - 6R12^2 + 8R12R11 - 4R11^2)
//         + (2R23 - 4R22 + 2R21 - 2R12^2 + 4R12R11 - 2R11^2)(X2 - 1)
//         + 1/4 (-R12^2 + 4R12R11 - 2R12R10 - 4R11^2 + 4R11R10 - R10^2)
//               (3X4 - 2X2 - 1) ]
//     + (R23 - 3R22 + 3R21 - R20)(5X6 + 2X4 + X2)
//     + 3/16 (R12^2 - 4R23 + 6R22 - 4R21 + R20)(35X8 + 15X6 + 9X4 + 5X2)
//     + 1/16 (-2R22 + 4R21 - R20 + 2R12R10 - 4R11R10 + R10^2)
//            (9X8 - 3X6 - 5X4 - X2)
//     + 1/4 (-R22 + R11^2)(27X8 + 3X6 + X4 + X2)
//     + 1/4 (R23 - R12R11)(45X8 + 9X6 + 7X4 + 3X2)
// (James 1951, in the form of Alexander & Govern 1994 and Cribbie et al.
// 2012). The test rejects at alpha when J > h(alpha).
//
// The p-value is the alpha at which J meets the critical value: h depends
// on alpha only through c, so the root c* of h(c) = J is found with Boost's
// TOMS 748 bracketing solver on [0, hi] (h(0) = 0 < J; hi starts at
// min(J, 1500) and doubles, up to 1500, until h(hi) >= J), and
// p = P(chi2_{k-1} > c*). J = 0 gives p = 1. When h stays below J up to
// c = 1500, J exceeds the critical value of every alpha a double can hold
// (the chi-square(2) tail there is exp(-750)) and p is 0. df1 reports k - 1,
// the degrees of freedom of the chi-square the expansion is built on.
// Needs two cases and a variance above 0 in every group.
MeanTestResult JamesTest(const ThreeGroups& groups);

// h(c) for the weights and sizes of a replication (exposed for its tests).
struct JamesTerms {
    double t = 0.0;  // T above
    double r10 = 0.0, r11 = 0.0, r12 = 0.0;
    double r20 = 0.0, r21 = 0.0, r22 = 0.0, r23 = 0.0;
};
double JamesCriticalValue(const JamesTerms& terms, double c);

// J and the terms of h for a replication, or why they cannot be computed.
struct JamesStatistic {
    MeanTestStatus status = MeanTestStatus::Computed;
    double j = 0.0;
    JamesTerms terms;
};
JamesStatistic ComputeJamesStatistic(const ThreeGroups& groups);
// The same from groups already described (DescribeGroups with two cases or
// more), for a caller that describes them once for several tests.
JamesStatistic JamesFromMoments(const std::array<GroupMoments, kGroups>& moments);

// Whether the test rejects at the alpha whose chi-square(k - 1) quantile is
// `criticalChiSquare`: J >= h(c), which is p <= alpha without solving for p.
// A run of many samples decides this way; the p-value's root search costs
// more than the rest of the test. Needs a computed statistic.
bool JamesRejects(const JamesStatistic& statistic, double criticalChiSquare);

}  // namespace velmor
