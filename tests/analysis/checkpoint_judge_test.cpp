// A checkpoint stops a run only when every chosen test's interval is precise
// or settled, and otherwise estimates how many samples the run will need.

#include "analysis/checkpoint_judge.hpp"

#include <gtest/gtest.h>

namespace velmor {
namespace {

RunState AtCheckpoint(std::int64_t fRejections, std::uint32_t maximum) {
    RunState state;
    state.settings.alpha = 0.05;
    state.settings.txtiterations = maximum;
    state.tallies.rejections = fRejections;
    return state;
}

TEST(CheckpointJudge, PrecisionWaitsForEveryTestAndEstimatesTheRest) {
    RunState state = AtCheckpoint(50, 100000);
    state.choices.stopping.precision = 0.005;
    // 50 of 1000: the exact interval reaches about .015 from .05. Normal
    // theory asks 1.96^2 (.05)(.95) / .005^2 = 7300 samples for +-.005; the
    // exact interval's wider upper reach asks somewhat more.
    const CheckpointVerdict early = JudgeCheckpoint(state, 1000);
    EXPECT_FALSE(early.stop);
    ASSERT_TRUE(early.expectedSamples);
    EXPECT_EQ(*early.expectedSamples % kCheckpointSamples, 0u);
    EXPECT_GE(*early.expectedSamples, 7000u);
    EXPECT_LE(*early.expectedSamples, 11000u);

    // At 10000 samples the same rate is within +-.005 ...
    state.tallies.rejections = 500;
    EXPECT_EQ(JudgeCheckpoint(state, 10000).stop, StopReason::Precision);
    // ... unless another chosen test is still imprecise: a rate of .5.
    state.result.tally(MeanTestKind::Welch).chosen = true;
    state.result.tally(MeanTestKind::Welch).rejections = 5000;
    const CheckpointVerdict waiting = JudgeCheckpoint(state, 10000);
    EXPECT_FALSE(waiting.stop);
    EXPECT_LE(*waiting.expectedSamples, 100000u);  // never beyond the maximum
    EXPECT_GT(*waiting.expectedSamples, 30000u);
}

TEST(CheckpointJudge, ABandDecidesOnlyEqualMeansAndOnlyWhenSettled) {
    RunState state = AtCheckpoint(500, 50000);
    state.choices.stopping.decide = DecideBand::RobeyBarcikowski;
    // .05 of 10000: well inside .0375 to .0625.
    EXPECT_EQ(JudgeCheckpoint(state, 10000).stop, StopReason::Decided);
    // .06 of 2000 straddles the upper edge .0625: not yet.
    state.tallies.rejections = 120;
    const CheckpointVerdict straddling = JudgeCheckpoint(state, 2000);
    EXPECT_FALSE(straddling.stop);
    EXPECT_GT(*straddling.expectedSamples, 2000u);
    // Far above the band is settled too: an inflated verdict will not change.
    state.tallies.rejections = 300;
    EXPECT_EQ(JudgeCheckpoint(state, 2000).stop, StopReason::Decided);
    // With unequal means no band applies and nothing is estimated.
    state.settings.groups[2].mean = 1.0;
    const CheckpointVerdict power = JudgeCheckpoint(state, 2000);
    EXPECT_FALSE(power.stop);
    EXPECT_FALSE(power.expectedSamples);
}

}  // namespace
}  // namespace velmor
