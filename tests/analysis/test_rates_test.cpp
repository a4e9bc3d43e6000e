// Each test's rate is read by the F test's rules: the same edges (judged on
// the typed alpha, both belonging to the robust band), the caution that
// bounded populations bring, power when the means differ.

#include "analysis/test_rates.hpp"

#include <gtest/gtest.h>

namespace velmor {
namespace {

RunState Finished(std::int64_t completed, bool nullIsTrue) {
    RunState state;
    state.settings.alpha = 0.05;
    state.settings.txtiterations = static_cast<std::uint32_t>(completed);
    state.flags.nullIsTrue = nullIsTrue;
    state.result.end = RunEnd::Finished;
    state.result.completed = completed;
    state.result.tally(MeanTestKind::F).chosen = true;
    return state;
}

TEST(TestRates, ReadByTheFTestsRulesAndEdges) {
    RunState state = Finished(10000, true);
    struct Case {
        MeanTestKind kind;
        std::int64_t rejections;
        Verdict verdict;
    };
    // 550 of 10000 is exactly 1.1 alpha and 450 exactly 0.9 alpha: robust.
    const Case cases[] = {{MeanTestKind::Welch, 550, Verdict::Robust},
                          {MeanTestKind::James, 551, Verdict::Inflated},
                          {MeanTestKind::KruskalWallis, 450, Verdict::Robust},
                          {MeanTestKind::TrimmedWelch, 449, Verdict::Conservative}};
    for (const Case& c : cases) {
        state.result.tally(c.kind).chosen = true;
        state.result.tally(c.kind).rejections = c.rejections;
    }
    const std::vector<TestRate> rates = DescribeTestRates(state);
    ASSERT_EQ(rates.size(), 5u);
    EXPECT_EQ(rates[0].test, MeanTestKind::F);
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(std::string(MeanTestName(cases[i].kind)));
        const TestRate& rate = rates[i + 1];
        EXPECT_EQ(rate.test, cases[i].kind);
        EXPECT_EQ(rate.verdict, cases[i].verdict);
        ASSERT_TRUE(rate.error);
        EXPECT_DOUBLE_EQ(rate.error->proportion, cases[i].rejections / 10000.0);
        EXPECT_LT(rate.error->interval.low, rate.error->proportion);
        EXPECT_GT(rate.error->interval.high, rate.error->proportion);
        ASSERT_EQ(rate.bands.size(), 2u);
        EXPECT_EQ(rate.bandReading,
                  "Bradley " + rate.bands[0].code + "; Robey & Barcikowski " + rate.bands[1].code);
    }
    // Just past the edge, the interval still holds it: partly luck.
    EXPECT_EQ(rates[2].bands[0].code, "straddles upper edge");
}

TEST(TestRates, CautionPowerAndNothingToSay) {
    RunState state = Finished(2000, true);
    state.result.tally(MeanTestKind::Welch).chosen = true;
    state.result.tally(MeanTestKind::Welch).rejections = 100;
    state.result.verdict = Verdict::Caution;  // bounded normal groups
    EXPECT_EQ(DescribeTestRates(state)[1].verdict, Verdict::Caution);

    state = Finished(2000, false);
    state.result.tally(MeanTestKind::Welch).chosen = true;
    state.result.tally(MeanTestKind::Welch).rejections = 1600;
    const std::vector<TestRate> power = DescribeTestRates(state);
    EXPECT_EQ(power[1].verdict, Verdict::Power);
    EXPECT_TRUE(power[1].bands.empty());
    EXPECT_TRUE(power[1].bandReading.empty());

    // F alone, or no results: the tests have nothing to add.
    EXPECT_TRUE(DescribeTestRates(Finished(2000, true)).empty());
    state.result.end = RunEnd::NoVariance;
    EXPECT_TRUE(DescribeTestRates(state).empty());
}

TEST(TestRates, OneSampleShowsEachTestsStatistic) {
    RunState state = Finished(1, true);
    state.fRatio = 4.5;
    state.lastPValue = 0.02;
    for (int g = 0; g < kGroups; ++g) state.settings.groups[g].size = 10;
    TestTally& welch = state.result.tally(MeanTestKind::Welch);
    welch.chosen = true;
    welch.last.statistic = 3.0;
    welch.last.dfCount = 2;
    welch.last.df1 = 2.0;
    welch.last.df2 = 17.5;
    welch.last.pValue = 0.07;
    const std::vector<TestRate> rates = DescribeTestRates(state);
    ASSERT_EQ(rates.size(), 2u);
    ASSERT_TRUE(rates[0].single && rates[1].single);
    EXPECT_EQ(rates[0].single->statistic, 4.5);
    EXPECT_EQ(rates[0].single->df2, 27.0);  // 30 scores, 3 groups
    EXPECT_EQ(rates[0].single->pValue, 0.02);
    EXPECT_EQ(rates[1].single->df2, 17.5);
    EXPECT_EQ(rates[1].verdict, Verdict::None);
}

}  // namespace
}  // namespace velmor
