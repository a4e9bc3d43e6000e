// The Details window's tables of the chosen tests and the shaped groups, and
// the plot of the tests' rates, as data: columns for a run of many samples
// and of one, the decimals of the robustness figures, the bands only when the
// means are equal, and every interval inside the plot's range.
#include "analysis/choice_tables.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace velmor {
namespace {

TestRate Rate(MeanTestKind test, std::int64_t samples, std::int64_t rejections,
              std::int64_t notComputed = 0) {
    TestRate r;
    r.test = test;
    r.samples = samples;
    r.rejections = rejections;
    r.notComputed = notComputed;
    r.error = MonteCarloErrorOf(rejections, samples);
    return r;
}

TEST(TestRatesTable, ManySamplesWithEqualMeans) {
    TestRate f = Rate(MeanTestKind::F, 10000, 812);
    f.verdict = Verdict::Inflated;
    f.bandReading = "Bradley above; Robey & Barcikowski above";
    TestRate welch = Rate(MeanTestKind::Welch, 10000, 498);
    welch.verdict = Verdict::Robust;
    const TextTable t = TestRatesTable({f, welch}, 0.05, true);
    EXPECT_EQ(t.columns, (std::vector<std::string>{"Test", "Samples", "Rejections", "Rate", "MC SE",
                                                   "95% interval", "Verdict", "Band reading"}));
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[0][0], "F");
    EXPECT_EQ(t.rows[0][1], "10,000");
    EXPECT_EQ(t.rows[0][2], "812");
    EXPECT_EQ(t.rows[0][3], "0.0812");
    // sqrt(.0812 * .9188 / 10000) = 0.002732
    EXPECT_EQ(t.rows[0][4], "0.0027");
    EXPECT_EQ(t.rows[0][6], "INFLATED");
    EXPECT_EQ(t.rows[0][7], "Bradley above; Robey & Barcikowski above");
    EXPECT_EQ(t.rows[1][0], "Welch");
    EXPECT_EQ(t.rows[1][6], "ROBUST");
    for (const auto& row : t.rows) EXPECT_EQ(row.size(), t.columns.size());
}

TEST(TestRatesTable, SmallAlphaTakesMoreDecimalsAndNotComputedGetsAColumn) {
    const TextTable t = TestRatesTable(
        {Rate(MeanTestKind::F, 20000, 21), Rate(MeanTestKind::TrimmedWelch, 19990, 30, 10)}, 0.001,
        true);
    ASSERT_EQ(t.columns.size(), 9u);
    EXPECT_EQ(t.columns[6], "Not computed");
    EXPECT_EQ(t.rows[0][3], "0.00105");  // 21 / 20000 to the five decimals of alpha .001
    EXPECT_EQ(t.rows[0][6], "0");
    EXPECT_EQ(t.rows[1][0], "Trimmed Welch (20%)");
    EXPECT_EQ(t.rows[1][6], "10");
    for (const auto& row : t.rows) EXPECT_EQ(row.size(), t.columns.size());
}

TEST(TestRatesTable, ATestWithoutARateLeavesItsFiguresEmpty) {
    TestRate never = Rate(MeanTestKind::KruskalWallis, 0, 0, 500);
    ASSERT_FALSE(never.error);
    const TextTable t = TestRatesTable({never}, 0.05, false);
    EXPECT_EQ(t.rows[0][3], "");
    EXPECT_EQ(t.rows[0][5], "");
    EXPECT_EQ(t.rows[0][6], "500");
    // Unequal means: power has no band reading.
    EXPECT_EQ(t.columns.back(), "Verdict");
    EXPECT_EQ(t.rows[0].size(), t.columns.size());
}

TEST(TestRatesTable, OneSampleGivesStatisticDfAndP) {
    TestRate f;
    f.test = MeanTestKind::F;
    f.single = MeanTestResult{MeanTestStatus::Computed, 3.4567891, 2, 2.0, 45.0, 0.0401234};
    TestRate kw;
    kw.test = MeanTestKind::KruskalWallis;
    kw.single = MeanTestResult{
        MeanTestStatus::Computed, 21.5, 1, 2.0, std::numeric_limits<double>::quiet_NaN(), 2.1e-5};
    TestRate welch;
    welch.test = MeanTestKind::Welch;
    welch.single = MeanTestResult{MeanTestStatus::Computed, 1.25, 2, 2.0, 23.456789, 0.3};
    TestRate james;
    james.test = MeanTestKind::James;
    james.single = MeanTestResult::NotComputed(MeanTestStatus::NoVariance);
    const TextTable t = TestRatesTable({f, welch, james, kw}, 0.05, true);
    EXPECT_EQ(t.columns, (std::vector<std::string>{"Test", "Statistic", "df1", "df2", "p"}));
    EXPECT_EQ(t.rows[0], (std::vector<std::string>{"F", "3.4568", "2", "45", "0.0401"}));
    EXPECT_EQ(t.rows[1], (std::vector<std::string>{"Welch", "1.2500", "2", "23.4568", "0.3000"}));
    EXPECT_EQ(t.rows[2],
              (std::vector<std::string>{"James", "not computed: no variance", "", "", ""}));
    EXPECT_EQ(t.rows[3],
              (std::vector<std::string>{"Kruskal-Wallis", "21.5000", "2", "", "< 0.0001"}));
    EXPECT_FALSE(TestRatesPictureOf({f, welch, james, kw}, 0.05, true));
}

TEST(TestRatesPicture, EqualMeansDrawTheBandsAndHoldEveryInterval) {
    const std::vector<TestRate> rates = {Rate(MeanTestKind::F, 2000, 260),
                                         Rate(MeanTestKind::Welch, 2000, 101),
                                         Rate(MeanTestKind::KruskalWallis, 2000, 30)};
    const auto picture = TestRatesPictureOf(rates, 0.05, true);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->bands.size(), 2u);
    EXPECT_EQ(picture->bands[0].label, "Robey & Barcikowski, within 25%");
    EXPECT_DOUBLE_EQ(picture->bands[0].lower, 0.0375);
    EXPECT_DOUBLE_EQ(picture->bands[0].upper, 0.0625);
    EXPECT_EQ(picture->bands[1].label, "Bradley, within 10%");
    ASSERT_EQ(picture->references.size(), 1u);
    EXPECT_EQ(picture->references[0].value, 0.05);
    ASSERT_EQ(picture->marks.size(), 3u);
    // F on top, the others below it in the table's order.
    EXPECT_EQ(picture->marks[0].label, "F");
    EXPECT_GT(picture->marks[0].position, picture->marks[1].position);
    EXPECT_GT(picture->marks[1].position, picture->marks[2].position);
    for (const TestRateMark& m : picture->marks) {
        EXPECT_LT(picture->range.xMin, m.interval.low);
        EXPECT_GT(picture->range.xMax, m.interval.high);
        EXPECT_LT(picture->range.yMin, m.position);
        EXPECT_GT(picture->range.yMax, m.position);
    }
    EXPECT_LT(picture->range.xMin, 0.0375);
    EXPECT_GT(picture->range.xMax, 0.0625);
    EXPECT_GE(picture->range.xMin, 0.0);
}

TEST(TestRatesPicture, PowerStaysWithinZeroAndOne) {
    const auto picture = TestRatesPictureOf(
        {Rate(MeanTestKind::F, 1000, 990), Rate(MeanTestKind::Welch, 1000, 1000)}, 0.05, false);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(picture->bands.empty());
    EXPECT_LE(picture->range.xMax, 1.0);
    EXPECT_GE(picture->range.xMax, picture->marks[1].interval.high);
    EXPECT_FALSE(TestRatesPictureOf({}, 0.05, false));
}

TEST(AchievedShapeTable, ListsOnlyShapedGroups) {
    RunResult result;
    result.achievedShape[1] = {true, 2.0, 6.0, 1.98766, 5.8, 160000};
    std::array<std::optional<PopulationShape>, kGroups> shapes{};
    shapes[1] = PopulationShape::Exponential();
    const TextTable t = AchievedShapeTable(result, shapes);
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0], (std::vector<std::string>{"2", "exponential", "2.0000", "1.9877", "6.0000",
                                                   "5.8000", "160,000"}));
    EXPECT_EQ(t.columns.size(), t.rows[0].size());
    EXPECT_TRUE(AchievedShapeTable(RunResult(), shapes).rows.empty());
}

}  // namespace
}  // namespace velmor
