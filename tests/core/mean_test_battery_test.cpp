// A run of many samples decides each test by its rejection rule, without the
// p-value where a critical value serves; the decision must be the p-value's.

#include "core/mean_test_battery.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/random.hpp"

namespace velmor {
namespace {

// Data sets from the program's own generator: unequal sizes and SDs, some
// shifted means, some whole-number scores (ties for the rank test).
std::vector<std::array<std::vector<double>, kGroups>> DataSets() {
    RandomGenerators generators;
    std::int32_t seed = -20261209;
    std::vector<std::array<std::vector<double>, kGroups>> sets;
    const int sizes[][kGroups] = {{5, 10, 15}, {2, 3, 2}, {16, 16, 16}, {40, 7, 12}};
    for (int k = 0; k < 400; ++k) {
        const int* n = sizes[k % 4];
        std::array<std::vector<double>, kGroups> set;
        for (int g = 0; g < kGroups; ++g) {
            const double sd = 1.0 + g * (k % 3);
            const double shift = (k % 5 == 0) ? 0.8 * g : 0.0;
            for (int i = 0; i < n[g]; ++i) {
                double x = shift + sd * generators.NormalDeviate(seed);
                if (k % 7 == 0) x = std::round(2.0 * x);
                set[g].push_back(x);
            }
        }
        sets.push_back(std::move(set));
    }
    return sets;
}

TEST(RejectionRule, DecidesAsThePValueDoes) {
    MeanTestScratch scratch(200);
    int rejections = 0, decided = 0;
    for (const double alpha : {0.05, 0.01, 0.2, 0.001}) {
        const RejectionRule rule(alpha);
        for (const auto& set : DataSets()) {
            const ThreeGroups groups = {set[0], set[1], set[2]};
            for (const MeanTestKind kind : kAllMeanTests) {
                if (kind == MeanTestKind::F) continue;
                const MeanTestResult full = RunMeanTest(kind, groups, scratch);
                const MeanTestDecision decision = rule.decide(kind, groups, scratch);
                SCOPED_TRACE(std::string(MeanTestName(kind)) + " at alpha " +
                             std::to_string(alpha));
                ASSERT_EQ(decision.status, full.status);
                if (!full.computed()) continue;
                // A p-value within rounding of alpha may fall either way.
                if (std::abs(full.pValue - alpha) < 1e-9 * alpha) continue;
                EXPECT_EQ(decision.rejects, full.pValue <= alpha) << "p = " << full.pValue;
                ++decided;
                rejections += decision.rejects;
            }
        }
    }
    // The data sets reach both sides of every alpha.
    EXPECT_GT(rejections, decided / 20);
    EXPECT_LT(rejections, decided / 2);
}

TEST(RejectionRule, FIsTheReplicationsOwn) {
    MeanTestScratch scratch(4);
    const std::vector<double> a = {1, 2}, b = {3, 4}, c = {5, 7};
    EXPECT_THROW(RunMeanTest(MeanTestKind::F, {a, b, c}, scratch), std::logic_error);
}

}  // namespace
}  // namespace velmor
