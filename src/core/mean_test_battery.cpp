#include "core/mean_test_battery.hpp"

#include <stdexcept>

#include "core/alexander_govern_test.hpp"
#include "core/brown_forsythe_test.hpp"
#include "core/james_test.hpp"
#include "core/kruskal_wallis_test.hpp"
#include "core/trimmed_welch_test.hpp"
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

}  // namespace velmor
