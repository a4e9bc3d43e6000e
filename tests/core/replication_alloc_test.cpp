// A replication allocates nothing: the workspace is allocated once by the
// replicator, the ring of a pipelined run once by its pipeline. This file replaces the global
// allocation functions to count every allocation made while replications run.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/fp_faults.hpp"
#include "core/replication.hpp"
#include "core/replication_pipeline.hpp"
#include "support/allocation_counter.hpp"
#include "support/quiet_console.hpp"

using velmor::testing::allocations;

namespace velmor {
namespace {

TEST(ReplicationAllocation, ReplicationsAllocateNothing) {
    ClearFloatingPointFaults();
    RandomGenerators generators;
    velmor::testing::QuietConsole console;
    Replicator replicator(generators, console);
    int consults = 0;
    replicator.setStopCheck([&consults] { return ++consults < 0; });

    // Normal, uniform, resampled, winsorized and whole-number groups, largest sizes.
    ReplicationSettings settings;
    settings.groups[0] = {
        .mean = 0.0, .sd = 1.0, .size = 2000, .distribution = Distribution::Normal};
    settings.groups[1] = {.mean = 5.0,
                          .sd = 2.0,
                          .size = 1500,
                          .reliability = 0.8,
                          .distribution = Distribution::Uniform,
                          .minimum = 0.0,
                          .maximum = 10.0};
    settings.groups[2] = {.mean = 50.0,
                          .sd = 10.0,
                          .size = 2000,
                          .reliability = 0.7,
                          .distribution = Distribution::Normal,
                          .wholeNumbers = true,
                          .hasMinimum = true,
                          .hasMaximum = true,
                          .minimum = 40.0,
                          .maximum = 65.0};
    settings.deviateRows = 2000;

    std::int32_t seed = -1432449975;
    std::int64_t rejections = 0;
    const long before = allocations;
    for (int i = 0; i < 20; ++i) {
        settings.bounds = BoundsHandlingOf(i % 2 == 0, i % 3 == 0);
        ASSERT_EQ(replicator.GenerateReplication(settings, seed), Replicator::Outcome::Completed);
        ASSERT_FALSE(replicator.result().noVariance);
        replicator.TestReplication(settings, rejections);
    }
    EXPECT_EQ(allocations - before, 0);
    // The counter does see allocations.
    int* volatile probe = new int(1);
    EXPECT_EQ(allocations - before, 1);
    delete probe;
}

TEST(ReplicationAllocation, PipelinedReplicationsAllocateNothingOnEitherThread) {
    ClearFloatingPointFaults();
    RandomGenerators generators;
    velmor::testing::QuietConsole console;
    Replicator replicator(generators, console);
    ReplicationPipeline pipeline(replicator, generators);
    pipeline.setAllowed(true);
    // On a busy machine a run may go back to one thread and start a second
    // one again later, which allocates its thread: not a replication's doing.
    pipeline.setOverlapChecked(false);
    ReplicationSettings settings;
    for (GroupSettings& group : settings.groups) {
        group.distribution = Distribution::Normal;
        group.size = 1999;
        group.reliability = 0.8;
    }
    settings.groups[1].distribution = Distribution::Uniform;
    settings.groups[1].maximum = 10.0;
    settings.deviateRows = 1999;
    std::int64_t rejections = 0;
    long during = 0;
    // The first run lays out the ring's storage; the second reuses it.
    for (int run = 0; run < 2; ++run) {
        std::int32_t seed = -1432449975;
        ASSERT_TRUE(pipeline.begin(settings, seed, 30));  // starting the thread allocates
        const long before = allocations;
        for (int i = 0; i < 30; ++i) {
            ASSERT_EQ(pipeline.GenerateReplication(settings, seed), Replicator::Outcome::Completed);
            replicator.TestReplication(settings, rejections);
        }
        during = allocations - before;
        pipeline.end();
    }
    EXPECT_EQ(during, 0);
    EXPECT_GT(rejections, 0);
}

}  // namespace
}  // namespace velmor
