// Sorting the groups once for the rank and trimmed tests: the radix path
// orders every kind of double as std::sort does, and the tests that read the
// sorted groups agree with independent implementations on groups long enough
// to take that path, with and without ties (the rank test counts ranks in
// two different ways for the two).

#include "core/sorted_groups.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/kruskal_wallis_test.hpp"
#include "core/mean_test_battery.hpp"
#include "core/trimmed_welch_test.hpp"

namespace velmor {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// A deterministic mixture of the doubles a run can produce and a few it
// should not meet but must still order: both zeros, infinities, subnormals,
// repeated values and numbers of every magnitude and sign.
std::vector<double> Mixture(std::size_t n, std::uint64_t seed) {
    const double specials[] = {0.0,    -0.0, kInf, -kInf, 4.9e-324, -4.9e-324, 1e308,
                               -1e308, 1.0,  -1.0, 2.5,   2.5,      1e-300,    -3.75};
    std::vector<double> out;
    std::uint64_t state = seed;
    for (std::size_t i = 0; i < n; ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const std::uint64_t bits = state >> 11;
        if (bits % 7 == 0) {
            out.push_back(specials[(bits / 7) % std::size(specials)]);
        } else {
            const double u = static_cast<double>(bits) / 9007199254740992.0;  // [0, 1)
            out.push_back((u - 0.5) * std::ldexp(1.0, static_cast<int>(bits % 61) - 30));
        }
    }
    return out;
}

TEST(SortAscending, OrdersAsStdSortDoesOnEitherPath) {
    const std::size_t sizes[] = {0, 1, 2, 16, 17, 255, 256, 257, 1000, 2000};
    for (const std::size_t n : sizes) {
        for (std::uint64_t seed = 1; seed <= 3; ++seed) {
            std::vector<double> values = Mixture(n, seed);
            std::vector<double> expected = values;
            std::sort(expected.begin(), expected.end());
            std::vector<std::uint64_t> keys(2 * n);
            SortAscending(values, keys);
            // == treats the two zeros as one, as the tests do.
            EXPECT_EQ(values, expected) << "n = " << n << ", seed " << seed;
        }
    }
}

// Keys that share their high digits (one sign, one exponent) and keys that
// are all equal skip radix passes; the passes that remain must still order.
TEST(SortAscending, SkippedDigitsStillOrder) {
    std::vector<double> close, same(300, -7.25);
    for (int i = 0; i < 600; ++i) close.push_back(1.0 + ((i * 7919) % 600) * 0x1p-52);
    std::vector<double> expected = close;
    std::sort(expected.begin(), expected.end());
    std::vector<std::uint64_t> keys(2 * close.size());
    SortAscending(close, keys);
    EXPECT_EQ(close, expected);
    SortAscending(same, keys);
    EXPECT_EQ(same, std::vector<double>(300, -7.25));
}

TEST(SortAscending, TooLittleKeySpaceIsTheCallersFault) {
    std::vector<double> values(300, 1.0);
    std::vector<std::uint64_t> keys(599);
    EXPECT_THROW(SortAscending(values, keys), std::invalid_argument);
}

// Groups of 300, 260 and 400 built from whole-number arithmetic, so that this
// file and the reference script hold the same doubles. Without ties every
// score differs (distinct residues within a group, distinct fractions across
// groups); with ties the scores are 37 whole numbers.
std::array<std::vector<double>, kGroups> LargeGroups(bool ties) {
    const int sizes[kGroups] = {300, 260, 400};
    std::array<std::vector<double>, kGroups> groups;
    for (int g = 0; g < kGroups; ++g)
        for (int i = 0; i < sizes[g]; ++i)
            groups[g].push_back(ties ? ((i * 7919 + 13 * g) % 37) - 18.0 + 2.0 * g
                                     : ((i * 7919 + 13 * g) % 1009) - 504.5 + 60.25 * g);
    return groups;
}

struct LargeCase {
    bool ties;
    // scipy.stats.kruskal
    double h, hP;
    // statsmodels anova_oneway(use_var="unequal", trim_frac=0.2)
    double trimmedF, trimmedDf2, trimmedP;
};

// From tests/core/reference/large_groups.py; tolerance 1e-9 relative.
const LargeCase kLargeCases[] = {
    {false, 26.924879368280017, 1.4234320239297836e-06, 8.333645959047761, 355.4281648219086,
     0.00029042932681922406},
    {true, 23.3850932527812, 8.355867039377732e-06, 7.077048198565197, 356.24445013506653,
     0.0009681979658458126},
};

TEST(SortedGroups, RankAndTrimmedTestsOnLargeGroupsMatchReferences) {
    for (const LargeCase& c : kLargeCases) {
        const auto groups = LargeGroups(c.ties);
        const ThreeGroups spans = {groups[0], groups[1], groups[2]};
        MeanTestScratch scratch(400);
        const MeanTestResult h = KruskalWallisTest(spans, scratch);
        ASSERT_TRUE(h.computed());
        EXPECT_NEAR(h.statistic, c.h, 1e-9 * c.h) << "ties " << c.ties;
        EXPECT_NEAR(h.pValue, c.hP, 1e-9 * c.hP) << "ties " << c.ties;
        const MeanTestResult t = TrimmedWelchTest(spans, scratch);
        ASSERT_TRUE(t.computed());
        EXPECT_NEAR(t.statistic, c.trimmedF, 1e-9 * c.trimmedF) << "ties " << c.ties;
        EXPECT_NEAR(t.df2, c.trimmedDf2, 1e-9 * c.trimmedDf2) << "ties " << c.ties;
        EXPECT_NEAR(t.pValue, c.trimmedP, 1e-9 * c.trimmedP) << "ties " << c.ties;
    }
}

// A single tie between two groups, the only one among 960 scores, sends the
// rank test from counting the scores below each score to the walk over tied
// runs; the result must be H with the tied pair's mid-rank and a tie term of
// 2^3 - 2 = 6, ranked here by brute force.
TEST(SortedGroups, OneTieAcrossGroupsIsSeen) {
    auto groups = LargeGroups(false);
    MeanTestScratch scratch(400);
    const ThreeGroups spans = {groups[0], groups[1], groups[2]};
    const double untied = KruskalWallisTest(spans, scratch).statistic;
    groups[2][0] = groups[1][0];
    const MeanTestResult tied = KruskalWallisTest(spans, scratch);
    ASSERT_TRUE(tied.computed());
    EXPECT_NE(tied.statistic, untied);
    const double n = 960.0;
    std::array<double, kGroups> rankSum{};
    {
        std::vector<std::pair<double, int>> all;
        for (int g = 0; g < kGroups; ++g)
            for (const double x : groups[g]) all.push_back({x, g});
        std::sort(all.begin(), all.end());
        for (std::size_t i = 0; i < all.size();) {
            std::size_t j = i;
            while (j < all.size() && all[j].first == all[i].first) ++j;
            for (std::size_t k = i; k < j; ++k) rankSum[all[k].second] += (i + j + 1) / 2.0;
            i = j;
        }
    }
    double s = 0.0;
    for (int g = 0; g < kGroups; ++g) s += rankSum[g] * rankSum[g] / groups[g].size();
    const double expected =
        (12.0 / (n * (n + 1.0)) * s - 3.0 * (n + 1.0)) / (1.0 - 6.0 / (n * n * n - n));
    EXPECT_NEAR(tied.statistic, expected, 1e-12 * expected);
}

// A run decides every test on one replication with one description and one
// sort; each decision must be the one the test's own p-value gives.
TEST(SortedGroups, DecidingAllAtOnceAgreesWithEachTest) {
    const MeanTestKind kinds[] = {MeanTestKind::TrimmedWelch,    MeanTestKind::Welch,
                                  MeanTestKind::KruskalWallis,   MeanTestKind::James,
                                  MeanTestKind::AlexanderGovern, MeanTestKind::BrownForsythe};
    MeanTestScratch scratch(400);
    for (const bool ties : {false, true}) {
        const auto groups = LargeGroups(ties);
        const ThreeGroups spans = {groups[0], groups[1], groups[2]};
        for (const double alpha : {0.0005, 0.001, 0.05}) {
            const RejectionRule rule(alpha);
            MeanTestDecision decisions[std::size(kinds)];
            rule.decideAll(kinds, spans, scratch, decisions);
            for (std::size_t k = 0; k < std::size(kinds); ++k) {
                const MeanTestResult r = RunMeanTest(kinds[k], spans, scratch);
                EXPECT_EQ(decisions[k].status, r.status);
                EXPECT_EQ(decisions[k].rejects, r.pValue <= alpha)
                    << MeanTestName(kinds[k]) << " alpha " << alpha << " p " << r.pValue;
            }
        }
    }
}

}  // namespace
}  // namespace velmor
