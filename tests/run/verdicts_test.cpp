// The verdict texts, character for character, and the band edges.
#include <gtest/gtest.h>

#include <string>

#include "run/verdicts.hpp"

using namespace velmor;

namespace {

RunState Robustness(std::int64_t rejections, std::int64_t n, double alpha = 0.05) {
    RunState state;
    state.settings.alpha = alpha;
    state.settings.rdoOnetail = true;
    for (auto& g : state.settings.groups) g.distribution = Distribution::Normal;
    state.flags.nullIsTrue = true;
    state.tallies.rejections = rejections;
    state.tallies.completedReplications = n;
    state.tallies.rejectionProportion = static_cast<double>(rejections) / static_cast<double>(n);
    return state;
}

std::string Verdict(RunState state) {
    ComposeVerdictLines(state);
    return state.joinedResultLines();
}

const std::string kWithin25 =
    "BUT it is within 25% of nominal alpha, which is the intermediate criterion of Robey & Barcikowski (1992).";

TEST(Verdict, RobustWithinTenPercent) {
    EXPECT_EQ(Verdict(Robustness(520, 10000)),
              "Given these population conditions, the test appears to be ROBUST because actual alpha "
              "(520/10000=0.0520) falls within a fairly stringent 10% of the desired nominal alpha (that is, "
              "between 0.0450 and 0.0550). See Bradley (1978) or Robey & Barcikowski (1992) for a discussion of "
              "robustness criteria.");
}

TEST(Verdict, InflatedButWithinTwentyFivePercent) {
    EXPECT_EQ(Verdict(Robustness(600, 10000)),
              "Given these conditions, actual alpha (600/10000=0.0600) is INFLATED (using the fairly stringent "
              "criterion of Bradley, 1978) because it is over 0.055. That is, it is more than 10% greater than "
              "the desired nominal alpha (0.05). " +
                  kWithin25);
}

TEST(Verdict, InflatedBeyondTwentyFivePercent) {
    RunState state = Robustness(700, 10000);
    ComposeVerdictLines(state);
    EXPECT_EQ(state.resultLines[2],
              "Actual alpha also is greater than 0.0625 and therefore not within 25% of nominal alpha, which is "
              "the intermediate criterion of Robey & Barcikowski (1992).");
}

TEST(Verdict, ConservativeWithinAndBeyondTwentyFivePercent) {
    RunState within = Robustness(400, 10000);
    ComposeVerdictLines(within);
    EXPECT_EQ(within.resultLines[0],
              "Given these conditions, actual alpha (400/10000=0.0400) is CONSERVATIVE (using the fairly stringent "
              "criterion of Bradley, 1978) because it is less than 0.045");
    EXPECT_EQ(within.resultLines[1], ". That is, it is over 10% less than the desired nominal alpha (0.05). ");
    EXPECT_EQ(within.resultLines[2], kWithin25);

    RunState beyond = Robustness(300, 10000);
    ComposeVerdictLines(beyond);
    EXPECT_EQ(beyond.resultLines[2],
              "Actual alpha also is less than 0.0375 and therefore not within 25% of nominal alpha, which is the "
              "intermediate criterion of Robey & Barcikowski (1992).");
}

// In binary 450/10000 lies below 0.9 * 0.05 and 550/10000 above 1.1 * 0.05;
// the edges belong to the robust band all the same.
TEST(Verdict, BandEdgesAreRobustAtSeveralAlphas) {
    struct Edge {
        double alpha;
        std::int32_t low, high;
        std::int64_t n;
    };
    for (const Edge& e : {Edge{0.05, 450, 550, 10000}, Edge{0.01, 9, 11, 1000}, Edge{0.1, 900, 1100, 10000},
                          Edge{0.07, 63, 77, 1000}, Edge{0.3, 27, 33, 100}, Edge{0.0001, 90, 110, 1000000}}) {
        EXPECT_NE(Verdict(Robustness(e.low, e.n, e.alpha)).find("ROBUST"), std::string::npos) << e.alpha;
        EXPECT_NE(Verdict(Robustness(e.high, e.n, e.alpha)).find("ROBUST"), std::string::npos) << e.alpha;
        EXPECT_NE(Verdict(Robustness(e.low - 1, e.n, e.alpha)).find("CONSERVATIVE"), std::string::npos);
        EXPECT_NE(Verdict(Robustness(e.high + 1, e.n, e.alpha)).find("INFLATED"), std::string::npos);
    }
}

TEST(Verdict, TwentyFivePercentEdgesAreWithin) {
    RunState high = Robustness(625, 10000);  // exactly 1.25 * 0.05
    ComposeVerdictLines(high);
    EXPECT_EQ(high.resultLines[2], kWithin25);
    RunState low = Robustness(375, 10000);  // exactly 0.75 * 0.05
    ComposeVerdictLines(low);
    EXPECT_EQ(low.resultLines[2], kWithin25);
}

TEST(Verdict, ComparisonUsesTheTypedDecimal) {
    EXPECT_EQ(CompareProportionWithAlphaMultiple(450, 10000, 0.05, 90), Comparison::Equal);
    EXPECT_EQ(CompareProportionWithAlphaMultiple(449, 10000, 0.05, 90), Comparison::Below);
    EXPECT_EQ(CompareProportionWithAlphaMultiple(551, 10000, 0.05, 110), Comparison::Above);
    EXPECT_EQ(CompareProportionWithAlphaMultiple(1, 3, 0.3, 110), Comparison::Above);  // 0.333 > 0.33
}

TEST(Verdict, PowerStatement) {
    RunState state = Robustness(8123, 10000);
    state.flags.nullIsTrue = false;
    EXPECT_EQ(Verdict(state),
              "Actual Power is 0.8123, which is the proportion of correct rejections (8123/10000) of the "
              "known-to-be-false null hypothesis. ");
}

TEST(Verdict, CountsBeyond32BitsAreWrittenInFull) {
    RunState state = Robustness(3000000000, 4000000000);
    state.flags.nullIsTrue = false;
    EXPECT_EQ(Verdict(state),
              "Actual Power is 0.7500, which is the proportion of correct rejections (3000000000/4000000000) of "
              "the known-to-be-false null hypothesis. ");
}

TEST(Verdict, CautionReplacesTheVerdictForBoundedNormalGroups) {
    RunState state = Robustness(520, 10000);
    state.settings.groups[1].hasMinimum = true;
    state.settings.groups[1].minimum = -2.0;  // maximum never read: stored 0.0
    EXPECT_EQ(Verdict(state),
              "Interpret the results above with CAUTION! Because you have different Minimum and/or Maximum "
              "scores, the distributions may not be what you expected (see Sampling Distribution information). ");

    RunState symmetric = Robustness(520, 10000);
    symmetric.settings.groups[0].hasMinimum = symmetric.settings.groups[0].hasMaximum = true;
    symmetric.settings.groups[0].minimum = -3.0;
    symmetric.settings.groups[0].maximum = 3.0;
    EXPECT_NE(Verdict(symmetric).find("ROBUST"), std::string::npos);

    RunState uniform = Robustness(520, 10000);
    uniform.settings.groups[2] = {.distribution = Distribution::Uniform,
                                  .hasMinimum = true,
                                  .hasMaximum = true,
                                  .minimum = 0.0,
                                  .maximum = 1.0};
    EXPECT_NE(Verdict(uniform).find("ROBUST"), std::string::npos);
}

}  // namespace
