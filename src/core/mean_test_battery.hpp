#pragma once
// Runs one of the tests beside F on a replication's observed scores. F is not
// among them: the replication computes it, with its own specified arithmetic.

#include "core/mean_test_kind.hpp"
#include "core/mean_test_result.hpp"

namespace velmor {

// The test `kind` on the three groups; the rank and trimmed tests sort into
// `scratch`. Throws std::logic_error for MeanTestKind::F.
MeanTestResult RunMeanTest(MeanTestKind kind, const ThreeGroups& groups, MeanTestScratch& scratch);

}  // namespace velmor
