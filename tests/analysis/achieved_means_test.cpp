// What the Details window says of the population means a run achieved, and
// of samples set aside for having no variance, from the real program.
#include "analysis/achieved_means.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "analysis/run_details.hpp"
#include "program/program.hpp"
#include "support/fake_platform.hpp"

namespace velmor {
namespace {

using testing::FakePlatform;

class AchievedMeansDetails : public ::testing::Test {
  protected:
    AchievedMeansDetails() : program(platform) { platform.attach(program.windows()); }
    void set(const char* name, const char* text) {
        program.mainWindow().control(name).setText(text);
    }
    RunDetails run() {
        program.pressShortcut("F5");
        return DescribeRun(program.state(), program.run().lastOutcome());
    }
    static bool HasLineStarting(const RunDetails& d, const std::string& start) {
        return std::any_of(d.lines.begin(), d.lines.end(),
                           [&](const std::string& l) { return l.rfind(start, 0) == 0; });
    }
    FakePlatform platform;
    Program program;
};

// Minimum -.5 (resampled) under means 0, 0, 0 and SDs 1, 1, 2: the achieved
// means are about .51, .51 and 1.29 (see tests/batch/achieved_means_test.cpp
// for the reference values), so the bands' readings are no Type I reading.
TEST_F(AchievedMeansDetails, BoundsThatMoveEqualMeansApartMakeAPowerRun) {
    set("txtiterations", "2000");
    set("txtsd3", "2");
    for (const char* box : {"chkMin1", "chkMin2", "chkMin3"})
        program.mainWindow().control(box).setChecked(true);
    for (const char* field : {"txtMin1", "txtMin2", "txtMin3"}) set(field, "-.5");
    if (!program.mainWindow().menu.Resampled1.checked())
        program.mainWindow().menu.Resampled1.trigger();
    const RunDetails d = run();
    ASSERT_EQ(d.kind, DetailsKind::Robustness);
    ASSERT_TRUE(d.achieved);
    EXPECT_TRUE(d.achieved->differ);
    EXPECT_EQ(d.achieved->groupB, 3);  // group 3, with twice the SD, moved furthest
    EXPECT_TRUE(HasLineStarting(d,
                                "The entered population means are equal, but the achieved "
                                "means"))
        << DetailsText(d);
    int notTypeOne = 0;
    for (const std::string& line : d.lines)
        notTypeOne +=
            line.find("not a Type I error rate: the achieved means differ") != std::string::npos;
    EXPECT_EQ(notTypeOne, 2) << DetailsText(d);  // both bands say it
    EXPECT_TRUE(HasLineStarting(d, "Group  Mean of means  MC error")) << DetailsText(d);

    // Without the bounds the same populations stay equal: no flag.
    for (const char* box : {"chkMin1", "chkMin2", "chkMin3"})
        program.mainWindow().control(box).setChecked(false);
    const RunDetails plain = run();
    ASSERT_TRUE(plain.achieved);
    EXPECT_FALSE(plain.achieved->differ);
    EXPECT_FALSE(HasLineStarting(plain, "The entered population means are equal"));
}

TEST_F(AchievedMeansDetails, SkippedSamplesAreCountedBesideTheResults) {
    set("txtiterations", "3000");
    for (const char* sd : {"txtsd1", "txtsd2", "txtsd3"}) set(sd, ".7");
    for (const char* n : {"txtNsize1", "txtNsize2", "txtNsize3"}) set(n, "10");
    for (const char* box : {"chkInteger1", "chkInteger2", "chkInteger3"})
        program.mainWindow().control(box).setChecked(true);
    program.state().choices.skipNoVarianceSamples = true;
    const RunDetails d = run();
    ASSERT_EQ(d.kind, DetailsKind::Robustness) << DetailsText(d);
    EXPECT_EQ(d.error->replications, 3000);
    const std::int64_t discarded = program.state().result.discardedNoVariance;
    EXPECT_GT(discarded, 0);
    EXPECT_TRUE(HasLineStarting(
        d, "Samples set aside because a group had no variance: " + std::to_string(discarded) + " "))
        << DetailsText(d);

    // Nothing but samples without variance: the run gives up at its cap
    // and the window says how many it set aside before it did.
    set("txtiterations", "10");
    set("txtmean1", "5");
    set("txtsd1", "0.01");
    const RunDetails hopeless = run();
    EXPECT_EQ(hopeless.kind, DetailsKind::NoResult);
    EXPECT_EQ(program.state().result.discardedNoVariance, 1000);
    EXPECT_TRUE(HasLineStarting(hopeless, "The run set aside 1,000 samples without variance"))
        << DetailsText(hopeless);
}

}  // namespace
}  // namespace velmor
