#pragma once
// Runs one of the tests beside F on a replication's observed scores. F is not
// among them: the replication computes it, with its own specified arithmetic.

#include <span>

#include "core/mean_test_kind.hpp"
#include "core/mean_test_result.hpp"

namespace velmor {

// The test `kind` on the three groups; the rank and trimmed tests sort into
// `scratch`. Throws std::logic_error for MeanTestKind::F.
MeanTestResult RunMeanTest(MeanTestKind kind, const ThreeGroups& groups, MeanTestScratch& scratch);

// What a run of many samples needs of a test: whether it is defined on the
// data and whether it rejects at alpha.
struct MeanTestDecision {
    MeanTestStatus status = MeanTestStatus::Computed;
    bool rejects = false;
};

// The rule each test rejects by at one alpha, set up once per run.
class RejectionRule {
  public:
    explicit RejectionRule(double alpha);

    // Whether `kind` rejects at alpha on these groups: p <= alpha (a
    // probability exactly equal to alpha rejects, as for F). The tests
    // referred to chi-square(2) decide by its upper alpha quantile c instead
    // of computing p: Alexander-Govern and Kruskal-Wallis reject when the
    // statistic reaches c, and James's test by its definition, J >= h(c),
    // without the root search its p-value needs. Each agrees with p <= alpha
    // (the tail falls, and h rises, in c) up to the rounding of c.
    MeanTestDecision decide(MeanTestKind kind, const ThreeGroups& groups,
                            MeanTestScratch& scratch) const;
    // Every test of `kinds` on one replication, decisions[i] for kinds[i]
    // (std::invalid_argument unless the two are as long). The groups' means
    // and variances are computed once for the tests that read them, and the
    // groups sorted once for the rank and trimmed tests: what a run does
    // for each replication. Each decision is the one decide() gives.
    void decideAll(std::span<const MeanTestKind> kinds, const ThreeGroups& groups,
                   MeanTestScratch& scratch, std::span<MeanTestDecision> decisions) const;
    double alpha() const { return alpha_; }

  private:
    double alpha_;
    double criticalChiSquare_;  // chi-square(2) upper alpha quantile
};

}  // namespace velmor
