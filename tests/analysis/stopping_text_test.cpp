// What the Details window says about a stopping rule: the half-widths it
// takes, the rule in force, and why a run ended where it did. The reaches
// are Clopper-Pearson's, checked against R:
//   Rscript -e 'b <- binom.test(150, 3000)$conf.int; c(.05 - b[1], b[2] - .05)'
//     0.007523370093 0.008415547203   (reach 0.0084 to four decimals)
//   Rscript -e 'b <- binom.test(40, 1000)$conf.int; c(.04 - b[1], b[2] - .04)'
//     0.01127237471 0.01407269682     (reach 0.0141)
// The sentences print four decimals, so the check is exact to 5e-5.
#include "analysis/stopping_text.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace velmor {
namespace {

struct PrecisionRow {
    const char* text;
    std::optional<double> value;
    friend void PrintTo(const PrecisionRow& row, std::ostream* os) {
        *os << '"' << row.text << '"';
    }
};

class ReadPrecisionTest : public ::testing::TestWithParam<PrecisionRow> {};

TEST_P(ReadPrecisionTest, TakesOnlyAHalfWidthAboveZeroAndBelowAHalf) {
    const PrecisionRow& row = GetParam();
    EXPECT_EQ(ReadPrecision(row.text), row.value) << '"' << row.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadPrecisionTest,
    ::testing::Values(PrecisionRow{".005", 0.005}, PrecisionRow{" 0.01 ", 0.01},
                      PrecisionRow{"1e-3", 0.001}, PrecisionRow{"0.4999", 0.4999},
                      PrecisionRow{"0", {}}, PrecisionRow{"-.005", {}}, PrecisionRow{".5", {}},
                      PrecisionRow{"2", {}}, PrecisionRow{"", {}}, PrecisionRow{"nan", {}},
                      PrecisionRow{".005x", {}}, PrecisionRow{"1e-400", {}}));

TEST(StoppingTargetText, SaysTheRuleInForce) {
    EXPECT_EQ(StoppingTargetText({}), "No stopping rule: every run draws all its samples.");
    EXPECT_EQ(StoppingTargetText({0.005, DecideBand::None}),
              "Target: every chosen test's 95% interval within its rate +/- 0.005, judged every "
              "1,000 samples; Samples is the most a run draws.");
    EXPECT_EQ(StoppingTargetText({std::nullopt, DecideBand::RobeyBarcikowski}),
              "Target: every verdict against Robey & Barcikowski's band settled (equal means "
              "only), judged every 1,000 samples; Samples is the most a run draws.");
    const std::string both = StoppingTargetText({0.01, DecideBand::Bradley});
    EXPECT_NE(both.find("+/- 0.01, or every verdict against Bradley's band settled"),
              std::string::npos)
        << both;
}

// A run's state as the run leaves it: F's rejections in the tallies, the
// completed count, the most it could draw and why it ended.
RunState Ended(std::int64_t rejections, std::int64_t completed, std::uint64_t most,
               StopReason reason, RunEnd end, bool equalMeans = true) {
    RunState state;
    state.tallies.rejections = rejections;
    state.result.completed = completed;
    state.result.maximumSamples = most;
    state.result.stopReason = reason;
    state.result.end = end;
    state.flags.nullIsTrue = equalMeans;
    return state;
}

struct OutcomeRow {
    const char* what;
    RunState state;
    StoppingChoice rule;
    std::string expected;
    friend void PrintTo(const OutcomeRow& row, std::ostream* os) { *os << row.what; }
};

class StoppingOutcomeTest : public ::testing::TestWithParam<OutcomeRow> {};

TEST_P(StoppingOutcomeTest, SaysWhyTheRunEndedWhereItDid) {
    const OutcomeRow& row = GetParam();
    EXPECT_EQ(StoppingOutcomeText(row.state, row.rule), row.expected) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StoppingOutcomeTest,
    ::testing::Values(
        OutcomeRow{"precise",
                   Ended(150, 3000, 20000, StopReason::Precision, RunEnd::Finished),
                   {0.01, DecideBand::None},
                   "Stopped at 3,000 of at most 20,000 samples: the rates are precise enough "
                   "(widest reach 0.0084)."},
        OutcomeRow{"decided",
                   Ended(40, 1000, 100000, StopReason::Decided, RunEnd::Finished),
                   {std::nullopt, DecideBand::Bradley},
                   "Stopped at 1,000 of at most 100,000 samples: every verdict against "
                   "Bradley's band is settled (widest reach 0.0141)."},
        OutcomeRow{"all drawn",
                   Ended(40, 1000, 1000, StopReason::Samples, RunEnd::Finished),
                   {0.005, DecideBand::None},
                   "Drew all 1,000 samples: the target was not met at any checkpoint (widest "
                   "reach 0.0141)."},
        OutcomeRow{"stopped by the user",
                   Ended(150, 3000, 20000, StopReason::Samples, RunEnd::Stopped),
                   {0.005, DecideBand::None},
                   "Stopped by the user at 3,000 of at most 20,000 samples, before the target "
                   "was met (widest reach 0.0084)."},
        OutcomeRow{"band with unequal means",
                   Ended(40, 1000, 1000, StopReason::Samples, RunEnd::Finished, false),
                   {std::nullopt, DecideBand::RobeyBarcikowski},
                   "Drew all 1,000 samples: the target was not met at any checkpoint (widest "
                   "reach 0.0141). The band decides only a run with equal population means."},
        // Nothing to say: no rule, or a run without results.
        OutcomeRow{
            "no rule", Ended(150, 3000, 3000, StopReason::Samples, RunEnd::Finished), {}, ""},
        OutcomeRow{"no variance",
                   Ended(0, 0, 20000, StopReason::Samples, RunEnd::NoVariance),
                   {0.01, DecideBand::None},
                   ""}));

TEST(StoppingProgressText, GivesTheWidestReachSoFar) {
    RunState state = Ended(40, 0, 20000, StopReason::Samples, RunEnd::Refused);
    EXPECT_EQ(StoppingProgressText(state, 0), "");
    EXPECT_EQ(StoppingProgressText(state, 1000),
              "Now: the widest interval reaches 0.0141 from its rate after 1,000 samples.");
    // A chosen test beside F with a wider interval is the widest.
    state.tallies.rejections = 40;
    state.result.tally(MeanTestKind::Welch).chosen = true;
    state.result.tally(MeanTestKind::Welch).rejections = 150;
    EXPECT_EQ(StoppingProgressText(state, 3000),
              "Now: the widest interval reaches 0.0084 from its rate after 3,000 samples.");
}

}  // namespace
}  // namespace velmor
