// The search's arithmetic on its own: group ratios, sample counts, the band
// table, the stop tests, the repetition guard and the count's reading.
#include "search/search_rules.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>

#include "search/sample_size_search.hpp"

namespace velmor {
namespace {

// The targets of the .70 and .80 commands, as the program has them.
constexpr double kTarget70 = kTargetPower70;
constexpr double kTarget80 = kTargetPower80;

// ---------------------------------------------------------------------------
// Ratios and sizes

TEST(RatioSizing, OtherGroupsFollowGroup1ByTheirRatios) {
    const SizeRatios ratios = RatiosOf({10, 15, 20});
    EXPECT_EQ(ratios.group2, 1.5L);
    EXPECT_EQ(ratios.group3, 2.0L);
    // 7 x 1.5 = 10.5 goes to the even 10; 7 x 2 = 14.
    EXPECT_EQ(SizesForGroup1(7, ratios), (GroupSizes{7, 10, 14}));
    // 9 x 1.5 = 13.5 goes to the even 14.
    EXPECT_EQ(SizesForGroup1(9, ratios), (GroupSizes{9, 14, 18}));
}

TEST(RatioSizing, NextPassTakesTheRatiosOfTheSizesRun) {
    const SizeRatios ratios = RatiosOf({7, 10, 14});
    EXPECT_EQ(ratios.group2, 10.0L / 7.0L);
    EXPECT_EQ(ratios.group3, 2.0L);
    // 10/7 in extended times 14 lands within rounding of 20, not at 19.5.
    EXPECT_EQ(SizesForGroup1(14, ratios), (GroupSizes{14, 20, 28}));
    EXPECT_EQ(SizesForGroup1(21, ratios), (GroupSizes{21, 30, 42}));
}

TEST(RatioSizing, EqualGroupsStayEqualAcrossTheRange) {
    const SizeRatios ratios = RatiosOf({16, 16, 16});
    for (std::int32_t mid = 2; mid <= 2000; ++mid)
        ASSERT_EQ(SizesForGroup1(mid, ratios), (GroupSizes{mid, mid, mid})) << mid;
}

TEST(RatioSizing, SmallRatiosCanRoundAGroupBelowTwo) {
    // The run takes such a size as 2 during a search; the search writes it as is.
    const SizeRatios ratios = RatiosOf({1000, 2, 500});
    EXPECT_EQ(SizesForGroup1(300, ratios), (GroupSizes{300, 1, 150}));
    EXPECT_EQ(SizesForGroup1(250, ratios), (GroupSizes{250, 0, 125}));  // 0.5 -> even 0
}

TEST(BisectionSamples, FewerSamplesForLargerTotals) {
    EXPECT_EQ(BisectionSamples(48), 500);
    EXPECT_EQ(BisectionSamples(400), 500);
    EXPECT_EQ(BisectionSamples(401), 200);
    EXPECT_EQ(BisectionSamples(1000), 200);
    EXPECT_EQ(BisectionSamples(1001), 100);
    EXPECT_EQ(BisectionSamples(6000), 100);
}

// ---------------------------------------------------------------------------
// Targets and truncation

TEST(TargetPower, TheNudgeKeepsTheHundredths) {
    EXPECT_EQ(TruncatedMultiple(100, 0.70), 69);
    EXPECT_EQ(TruncatedMultiple(100, kTarget70), 70);
    EXPECT_EQ(TruncatedMultiple(100, kTarget80), 80);
    EXPECT_EQ(TruncatedMultiple(1000, kTarget70), 700);
    EXPECT_EQ(TruncatedMultiple(1000, kTarget80), 800);
}

TEST(TargetPower, AProportionOfExactly7000In10000TruncatesBelow700) {
    const double p = static_cast<double>(7000.0L / 10000.0L);
    EXPECT_LT(p, 0.7L);
    EXPECT_EQ(TruncatedMultiple(1000, p), 699);
    EXPECT_EQ(TruncatedMultiple(100, p), 69);
    EXPECT_FALSE(HasTargetHundredths(p, kTarget70));
    // More than 200 cases: not the target, and the closest band below it, so
    // the sizes grow by one.
    EXPECT_FALSE(RefinementReachedTarget(p, kTarget70, 300));
    EXPECT_EQ(ChooseBand(p, kTarget70), Band::Closest);
    const RefinementStep next = ChooseRefinementStep(p, kTarget70, 300, 10000);
    EXPECT_EQ(next.step, 1);
    EXPECT_EQ(MoveSizes({100, 100, 100}, p > kTarget70, next.step), (GroupSizes{101, 101, 101}));
}

TEST(TargetPower, HundredthsTestOfTheBisection) {
    EXPECT_TRUE(HasTargetHundredths(0.80, kTarget80));
    EXPECT_TRUE(HasTargetHundredths(0.8099, kTarget80));
    EXPECT_FALSE(HasTargetHundredths(0.81, kTarget80));
    EXPECT_FALSE(HasTargetHundredths(0.7999, kTarget80));
}

// ---------------------------------------------------------------------------
// The band table

TEST(Bands, LopsidedThresholdsAroundTheTarget) {
    // Below the target: 0.01, 0.005, 0.001.
    EXPECT_EQ(ChooseBand(0.78, kTarget80), Band::Far);
    EXPECT_EQ(ChooseBand(0.7900001, kTarget80), Band::Middle);
    EXPECT_EQ(ChooseBand(0.794, kTarget80), Band::Middle);
    EXPECT_EQ(ChooseBand(0.7951, kTarget80), Band::Near);
    EXPECT_EQ(ChooseBand(0.798, kTarget80), Band::Near);
    EXPECT_EQ(ChooseBand(0.7995, kTarget80), Band::Closest);
    // Above it: 0.02, 0.01, 0.005. The same distances count as closer.
    EXPECT_EQ(ChooseBand(0.8201, kTarget80), Band::Far);
    EXPECT_EQ(ChooseBand(0.82, kTarget80), Band::Middle);
    EXPECT_EQ(ChooseBand(0.8101, kTarget80), Band::Middle);
    EXPECT_EQ(ChooseBand(0.81, kTarget80), Band::Near);
    EXPECT_EQ(ChooseBand(0.806, kTarget80), Band::Near);
    EXPECT_EQ(ChooseBand(0.805, kTarget80), Band::Closest);
    EXPECT_EQ(ChooseBand(kTarget80, kTarget80), Band::Closest);
}

TEST(Bands, ADifferenceExactlyAtAThresholdIsNotBeyondIt) {
    // target - p equals the extended constant 0.01 exactly: the target is
    // 0.01 rounded up to a double, the proportion the (exactly representable)
    // excess. The comparison is strict, so this is not yet the far band.
    const double target = std::nextafter(static_cast<double>(0.01L), 1.0);
    const double p = static_cast<double>(static_cast<long double>(target) - 0.01L);
    ASSERT_EQ(static_cast<long double>(target) - p, 0.01L);
    EXPECT_EQ(ChooseBand(p, target), Band::Middle);
    // With no excess at all the difference is the target itself, just above.
    ASSERT_GT(p, 0.0);
    EXPECT_EQ(ChooseBand(0.0, target), Band::Far);
}

struct BandCase {
    double proportion;
    std::int32_t total;
    std::int32_t samples;
    std::int32_t step;
};

void PrintTo(const BandCase& c, std::ostream* out) {
    *out << "p=" << c.proportion << " S=" << c.total;
}

class BandTable : public ::testing::TestWithParam<BandCase> {};

TEST_P(BandTable, SamplesAndStepFromTheBandAndTheTotal) {
    const BandCase& c = GetParam();
    const RefinementStep next = ChooseRefinementStep(c.proportion, kTarget80, c.total, 10000);
    EXPECT_EQ(next.samples, c.samples);
    EXPECT_EQ(next.step, c.step);
}

// Far 0.70, middle 0.793, near 0.797, closest 0.800; columns 1500, 1000, 401,
// 400, 101, 100.
INSTANTIATE_TEST_SUITE_P(
    Count10000, BandTable,
    ::testing::Values(BandCase{0.70, 1500, 200, 20}, BandCase{0.70, 1000, 1000, 4},
                      BandCase{0.70, 401, 1000, 4}, BandCase{0.70, 400, 2000, 2},
                      BandCase{0.70, 101, 2000, 2}, BandCase{0.70, 100, 5000, 1},
                      BandCase{0.793, 1500, 333, 20}, BandCase{0.793, 1000, 1666, 3},
                      BandCase{0.793, 400, 3333, 2}, BandCase{0.793, 100, 5000, 1},
                      BandCase{0.797, 1500, 500, 10}, BandCase{0.797, 1000, 3333, 2},
                      BandCase{0.797, 400, 5000, 1}, BandCase{0.797, 100, 10000, 1},
                      BandCase{0.800, 1500, 10000, 1}, BandCase{0.800, 1000, 10000, 1},
                      BandCase{0.800, 400, 10000, 1}, BandCase{0.800, 100, 10000, 1}));

TEST(Bands, ASmallCountStillGivesEveryTrialASample) {
    EXPECT_EQ(ChooseRefinementStep(0.5, kTarget80, 1500, 10).samples, 1);  // 10 / 50
    EXPECT_EQ(ChooseRefinementStep(0.5, kTarget80, 1500, 49).samples, 1);
    EXPECT_EQ(ChooseRefinementStep(0.5, kTarget80, 1500, 100).samples, 2);
    EXPECT_EQ(ChooseRefinementStep(0.5, kTarget80, 50, 2).samples, 1);  // 2 / 2
    EXPECT_EQ(FirstRefinementSamples(10000), 1000);
    EXPECT_EQ(FirstRefinementSamples(19), 1);
    EXPECT_EQ(FirstRefinementSamples(9), 1);
    EXPECT_EQ(FirstRefinementSamples(2), 1);
}

// ---------------------------------------------------------------------------
// Stop test and moves

TEST(RefinementStop, ThousandthsAbove200Cases) {
    EXPECT_TRUE(RefinementReachedTarget(0.800, kTarget80, 201));
    EXPECT_TRUE(RefinementReachedTarget(0.8059, kTarget80, 201));
    EXPECT_FALSE(RefinementReachedTarget(0.806, kTarget80, 201));  // sizes then shrink
    EXPECT_FALSE(RefinementReachedTarget(0.7999, kTarget80, 201));
}

TEST(RefinementStop, HundredthsFor200CasesOrFewer) {
    EXPECT_TRUE(RefinementReachedTarget(0.806, kTarget80, 200));
    EXPECT_TRUE(RefinementReachedTarget(0.8099, kTarget80, 48));
    EXPECT_FALSE(RefinementReachedTarget(0.81, kTarget80, 48));
    EXPECT_FALSE(RefinementReachedTarget(0.7999, kTarget80, 48));
}

TEST(RefinementMove, DownWithAFloorOfOneUpWithoutLimit) {
    EXPECT_EQ(MoveSizes({3, 2, 10}, true, 2), (GroupSizes{1, 1, 8}));
    EXPECT_EQ(MoveSizes({1, 1, 1}, true, 1), (GroupSizes{1, 1, 1}));
    EXPECT_EQ(MoveSizes({1, 1, 1}, false, 1), (GroupSizes{2, 2, 2}));
    EXPECT_EQ(MoveSizes({2000, 1990, 5}, false, 20), (GroupSizes{2020, 2010, 25}));
    // The first refinement pass moves by 0: the bisection's sizes are run.
    EXPECT_EQ(MoveSizes({53, 53, 53}, true, 0), (GroupSizes{53, 53, 53}));
    EXPECT_EQ(MoveSizes({53, 53, 53}, false, 0), (GroupSizes{53, 53, 53}));
}

// ---------------------------------------------------------------------------
// The repetition guard

TEST(RepetitionGuard, MatchesTwoFourAndSixTrialsBack) {
    TrialHistory history;
    for (std::int32_t size : {10, 20, 30, 40, 50, 60, 70}) history.push(size);
    EXPECT_EQ(history.entries(), (std::array<std::int32_t, 6>{70, 60, 50, 40, 30, 20}));
    EXPECT_FALSE(history.repeats(60));

    history.clear();
    for (std::int32_t size : {53, 54, 53, 54, 53, 54}) history.push(size);
    EXPECT_TRUE(history.repeats(53));  // the next size would alternate again
    EXPECT_FALSE(history.repeats(54));
}

TEST(RepetitionGuard, NeedsSixTrialsOfHistory) {
    TrialHistory history;
    EXPECT_FALSE(history.repeats(1));  // empty slots never match a size
    for (int i = 0; i < 5; ++i) {
        history.push(40);
        EXPECT_FALSE(history.repeats(40)) << i;
    }
    history.push(40);
    EXPECT_TRUE(history.repeats(40));
    history.clear();
    EXPECT_FALSE(history.repeats(40));
}

TEST(RepetitionGuard, OnlyTheEvenPositionsCount) {
    TrialHistory history;
    for (std::int32_t size : {7, 99, 7, 98, 7, 97}) history.push(size);
    // Newest first: 97, 7, 98, 7, 99, 7.
    EXPECT_TRUE(history.repeats(7));
    for (std::int32_t size : {7, 7, 8, 7, 7, 7}) history.push(size);
    // Newest first: 7, 7, 7, 8, 7, 7; four back is 8.
    EXPECT_FALSE(history.repeats(7));
}

// ---------------------------------------------------------------------------
// The dialog's count

TEST(IterationCount, IntegersOnly) {
    EXPECT_EQ(ReadIterationCount("10000"), 10000);
    EXPECT_EQ(ReadIterationCount("  5000 "), 5000);
    EXPECT_EQ(ReadIterationCount("+7"), 7);
    EXPECT_EQ(ReadIterationCount("-3"), -3);
    EXPECT_EQ(ReadIterationCount("0"), 0);
    EXPECT_EQ(ReadIterationCount("2147483647"), 2147483647);
    EXPECT_EQ(ReadIterationCount("-2147483648"), -2147483647 - 1);
    for (const char* text : {"", "   ", "abc", "1.5", "1e4", "10 000", "- 5", "+", "-", "+-3",
                             "2147483648", "-2147483649", "99999999999999999999", "0x10", "5a"})
        EXPECT_EQ(ReadIterationCount(text), std::nullopt) << '"' << text << '"';
}

}  // namespace
}  // namespace velmor
