#include "core/mean_test_battery.hpp"

#include <stdexcept>

#include "core/alexander_govern_test.hpp"
#include "core/brown_forsythe_test.hpp"
#include "core/james_test.hpp"
#include "core/kruskal_wallis_test.hpp"
#include "core/trimmed_welch_test.hpp"
#include "core/upper_tails.hpp"
#include "core/welch_test.hpp"

namespace velmor {

MeanTestResult RunMeanTest(MeanTestKind kind, const ThreeGroups& groups, MeanTestScratch& scratch) {
    switch (kind) {
        case MeanTestKind::F:
            break;
        case MeanTestKind::Welch:
            return WelchTest(groups);
        case MeanTestKind::BrownForsythe:
            return BrownForsytheTest(groups);
        case MeanTestKind::James:
            return JamesTest(groups);
        case MeanTestKind::AlexanderGovern:
            return AlexanderGovernTest(groups);
        case MeanTestKind::KruskalWallis:
            return KruskalWallisTest(groups, scratch);
        case MeanTestKind::TrimmedWelch:
            return TrimmedWelchTest(groups, scratch);
    }
    throw std::logic_error("the F test is the replication's own, not the battery's");
}

RejectionRule::RejectionRule(double alpha)
    : alpha_(alpha), criticalChiSquare_(ChiSquareUpperQuantile(alpha, kGroups - 1.0)) {}

MeanTestDecision RejectionRule::decide(MeanTestKind kind, const ThreeGroups& groups,
                                       MeanTestScratch& scratch) const {
    if (kind == MeanTestKind::James) {
        const JamesStatistic j = ComputeJamesStatistic(groups);
        if (j.status != MeanTestStatus::Computed) return {j.status, false};
        return {j.status, JamesRejects(j, criticalChiSquare_)};
    }
    // The chi-square(2) tests: p <= alpha exactly when the statistic
    // reaches the upper alpha quantile, found once for the run.
    if (kind == MeanTestKind::AlexanderGovern || kind == MeanTestKind::KruskalWallis) {
        const MeanTestResult r = kind == MeanTestKind::AlexanderGovern
                                     ? AlexanderGovernStatistic(groups)
                                     : KruskalWallisStatistic(groups, scratch);
        return {r.status, r.computed() && r.statistic >= criticalChiSquare_};
    }
    const MeanTestResult r = RunMeanTest(kind, groups, scratch);
    return {r.status, r.computed() && r.pValue <= alpha_};
}

}  // namespace velmor
