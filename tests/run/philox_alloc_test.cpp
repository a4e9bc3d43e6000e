// A run under the counter-based generator allocates nothing per
// replication, on any thread: after a first run has set up its workers, a
// run of ten times the samples allocates exactly as much as a short one
// (its threads, once per run), with two worker threads.

#include <gtest/gtest.h>

#include "support/allocation_counter.hpp"
#include "support/run_fixture.hpp"

using velmor::testing::allocations;
using velmor::testing::RunFixture;

namespace velmor {
namespace {

long AllocationsOfRun(RunFixture& rig, const char* samples) {
    rig.set("txtiterations", samples);
    const long before = allocations;
    rig.run.btnRunClick();
    return allocations - before;
}

TEST(PhiloxAllocation, ReplicationsAllocateNothingOnEitherThread) {
    RunFixture rig;
    rig.state.choices.generator = Generator::Philox;
    rig.run.setPhiloxThreads(2);
    // Redraws, an error variance, whole numbers, a uniform group, tests
    // beside F and kept means: every path a replication takes.
    rig.state.settings.groups[1].hasMinimum = true;
    rig.state.settings.groups[1].hasMaximum = true;
    rig.set("txtMin2", "-1");
    rig.set("txtMax2", "1.5");
    rig.set("txtReliability2", "0.8");
    rig.control("chkInteger3").setChecked(true);
    rig.set("txtsd3", "5");
    rig.control("rdoUniform1").setChecked(true);
    rig.state.settings.groups[0].distribution = Distribution::Uniform;
    rig.state.settings.groups[0].hasMinimum = true;
    rig.state.settings.groups[0].hasMaximum = true;
    rig.set("txtMin1", "0");
    rig.set("txtMax1", "10");
    rig.set("txtmean1", "5");
    rig.set("txtsd1", "2.886751345948129");
    rig.state.choices.tests = MeanTestSelection::All();
    rig.set("txtmeanstokeep", "10000");

    AllocationsOfRun(rig, "500");  // sets up the workers and their storage
    ASSERT_TRUE(rig.state.result.hasResults());
    const long small = AllocationsOfRun(rig, "500");
    const long large = AllocationsOfRun(rig, "5000");
    ASSERT_EQ(rig.state.result.completed, 5000);
    EXPECT_EQ(large, small);
    // The counter sees the run's own allocations (its worker threads).
    EXPECT_GT(small, 0);
}

}  // namespace
}  // namespace velmor
