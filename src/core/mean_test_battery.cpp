#include "core/mean_test_battery.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>

#include "core/alexander_govern_test.hpp"
#include "core/brown_forsythe_test.hpp"
#include "core/group_moments.hpp"
#include "core/james_test.hpp"
#include "core/kruskal_wallis_test.hpp"
#include "core/sorted_groups.hpp"
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
    MeanTestDecision decision;
    decideAll({&kind, 1}, groups, scratch, {&decision, 1});
    return decision;
}

void RejectionRule::decideAll(std::span<const MeanTestKind> kinds, const ThreeGroups& groups,
                              MeanTestScratch& scratch,
                              std::span<MeanTestDecision> decisions) const {
    if (decisions.size() != kinds.size())
        throw std::invalid_argument("a decision is needed for every test");
    // Described and sorted on first need only, then shared.
    std::optional<MeanTestStatus> described;
    std::array<GroupMoments, kGroups> moments;
    std::optional<MeanTestStatus> sortedStatus;
    SortedGroups sorted;
    const auto describe = [&] {
        if (!described) described = DescribeGroups(groups, 2, moments);
        return *described;
    };
    const auto sort = [&] {
        if (!sortedStatus) sortedStatus = SortGroups(groups, scratch, sorted);
        return *sortedStatus;
    };
    const auto smallestGroup = [&] {
        return std::min({groups[0].size(), groups[1].size(), groups[2].size()});
    };
    const auto byTail = [&](const MeanTestResult& r) -> MeanTestDecision {
        return {r.status, r.computed() && r.pValue <= alpha_};
    };
    // The chi-square(2) tests: p <= alpha exactly when the statistic reaches
    // the upper alpha quantile, found once for the run.
    const auto byQuantile = [&](const MeanTestResult& r) -> MeanTestDecision {
        return {r.status, r.computed() && r.statistic >= criticalChiSquare_};
    };

    for (std::size_t i = 0; i < kinds.size(); ++i) {
        MeanTestDecision& decision = decisions[i];
        switch (kinds[i]) {
            case MeanTestKind::F:
                throw std::logic_error("the F test is the replication's own, not the battery's");
            case MeanTestKind::Welch:
            case MeanTestKind::BrownForsythe:
            case MeanTestKind::James:
            case MeanTestKind::AlexanderGovern: {
                if (const MeanTestStatus s = describe(); s != MeanTestStatus::Computed) {
                    decision = {s, false};
                } else if (kinds[i] == MeanTestKind::Welch) {
                    decision = byTail(WelchFromMoments(moments));
                } else if (kinds[i] == MeanTestKind::BrownForsythe) {
                    decision = byTail(BrownForsytheFromMoments(moments));
                } else if (kinds[i] == MeanTestKind::AlexanderGovern) {
                    decision = byQuantile(AlexanderGovernFromMoments(moments));
                } else {
                    const JamesStatistic j = JamesFromMoments(moments);
                    decision = {j.status, j.status == MeanTestStatus::Computed &&
                                              JamesRejects(j, criticalChiSquare_)};
                }
                break;
            }
            case MeanTestKind::KruskalWallis:
                if (smallestGroup() < 1) {
                    decision = {MeanTestStatus::TooFewCases, false};
                } else if (const MeanTestStatus s = sort(); s != MeanTestStatus::Computed) {
                    decision = {s, false};
                } else {
                    decision = byQuantile(KruskalWallisFromSorted(sorted));
                }
                break;
            case MeanTestKind::TrimmedWelch:
                if (smallestGroup() < 2) {
                    decision = {MeanTestStatus::TooFewCases, false};
                } else if (const MeanTestStatus s = sort(); s != MeanTestStatus::Computed) {
                    decision = {s, false};
                } else {
                    decision = byTail(TrimmedWelchFromSorted(sorted));
                }
                break;
        }
    }
}

}  // namespace velmor
