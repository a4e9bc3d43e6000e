#pragma once
// Size, mean and variance of each of the three groups, as the tests of equal
// means below the F test need them, with the checks that decide whether a
// test can be computed at all.

#include <array>

#include "core/mean_test_result.hpp"

namespace velmor {

struct GroupMoments {
    double n = 0.0;
    double mean = 0.0;
    double variance = 0.0;  // divisor n - 1
};

// Fills moments for every group. Returns TooFewCases when a group has fewer
// than minimumSize scores, NotFinite when a mean or variance is not finite,
// otherwise Computed (a variance of 0 is left for the test to judge). The
// variance of a group of one is 0. Two passes: the mean first, then the
// squared deviations from it, which keeps the variance accurate when the mean
// is large against the spread.
MeanTestStatus DescribeGroups(const ThreeGroups& groups, int minimumSize,
                              std::array<GroupMoments, kGroups>& moments);

// True when every group's variance is above 0.
bool EveryGroupVaries(const std::array<GroupMoments, kGroups>& moments);

}  // namespace velmor
