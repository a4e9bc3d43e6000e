// Replications with the random chain on a producer thread: who may use a
// second thread, the ring between the two threads, and a pipelined run that
// ends early or goes past its plan leaving exactly the single-thread state.
// (Every replication's bits are compared in reference_path_test.cpp.)

#include "core/replication_pipeline.hpp"

#include <gtest/gtest.h>
#include <sched.h>

#include <bit>
#include <cstdint>
#include <thread>
#include <vector>

#include "core/fp_faults.hpp"
#include "support/quiet_console.hpp"

namespace velmor {
namespace {

TEST(PipelineThreads, OneCoreOrAskingForOneThreadKeepsRunsOnOneThread) {
    EXPECT_TRUE(PipelineThreadsAvailable(nullptr, 2));
    EXPECT_TRUE(PipelineThreadsAvailable(nullptr, 64));
    EXPECT_FALSE(PipelineThreadsAvailable(nullptr, 1));
    EXPECT_FALSE(PipelineThreadsAvailable(nullptr, 0));  // unknown counts as one
    EXPECT_FALSE(PipelineThreadsAvailable("1", 2));
    EXPECT_FALSE(PipelineThreadsAvailable("0", 2));
    EXPECT_FALSE(PipelineThreadsAvailable("-3", 8));
    EXPECT_TRUE(PipelineThreadsAvailable("2", 2));
    EXPECT_TRUE(PipelineThreadsAvailable("16", 2));
    EXPECT_FALSE(PipelineThreadsAvailable("4", 1));  // more threads than cores: still one
    // Texts that are not whole numbers are ignored.
    EXPECT_TRUE(PipelineThreadsAvailable("", 2));
    EXPECT_TRUE(PipelineThreadsAvailable("two", 2));
    EXPECT_TRUE(PipelineThreadsAvailable("1x", 2));
}

TEST(ReplicationRing, RecordsArriveInOrderThroughASmallRing) {
    ReplicationRing ring;
    ring.prepare(ReplicationRing::kWords / 2);
    ASSERT_EQ(ring.records(), 2);
    constexpr int kRecords = 20000;
    std::thread producer([&] {
        for (int i = 0; i < kRecords; ++i) {
            ReplicationRing::Record* record = ring.claim();
            ASSERT_NE(record, nullptr);
            record->outputs[0] = i;
            record->outputs[record->outputs.size() - 1] = -i;
            record->used = static_cast<std::size_t>(i % 7);
            ring.publish();
        }
    });
    int wrong = 0;
    for (int i = 0; i < kRecords; ++i) {
        const ReplicationRing::Record& record = ring.next();
        wrong += record.outputs[0] != i || record.outputs[record.outputs.size() - 1] != -i ||
                 record.used != static_cast<std::size_t>(i % 7);
        ring.release();
    }
    producer.join();
    EXPECT_EQ(wrong, 0);
}

TEST(ReplicationRing, CancelReleasesAProducerWaitingOnAFullRing) {
    ReplicationRing ring;
    ring.prepare(64);
    ASSERT_EQ(ring.records(), ReplicationRing::kMostRecords);
    int published = 0;
    std::thread producer([&] {
        while (ReplicationRing::Record* record = ring.claim()) {
            record->used = 1;
            ring.publish();
            ++published;
        }
    });
    for (int i = 0; i < 3; ++i) {
        ring.next();
        ring.release();
    }
    // Give the producer time to fill the ring and fall asleep on it.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ring.cancel();
    producer.join();  // hangs (and times out) if the cancel is lost
    // Never more than a full ring beyond what was consumed.
    EXPECT_GE(published, 3);
    EXPECT_LE(published, 3 + ReplicationRing::kMostRecords);
}

ReplicationSettings NormalGroups(int n, double reliability) {
    ReplicationSettings settings;
    for (GroupSettings& group : settings.groups) {
        group.distribution = Distribution::Normal;
        group.size = n;
        group.reliability = reliability;
    }
    settings.groups[1].size = n - 1;  // odd sizes leave spares behind
    settings.deviateRows = n;
    return settings;
}

// A pipelined replicator and a single-thread one, each with its generators.
struct TwoPaths {
    TwoPaths()
        : single(singleGenerators, console),
          fast(fastGenerators, console),
          pipeline(fast, fastGenerators) {
        pipeline.setAllowed(true);
        pipeline.setOverlapChecked(false);  // the pipelined path, however busy the machine
    }

    // The two paths' generators go on identically.
    ::testing::AssertionResult sameStreams() {
        if (fastSeed != singleSeed) return ::testing::AssertionFailure() << "seed words differ";
        std::int32_t a = fastSeed, b = singleSeed;
        RandomGenerators x = fastGenerators, y = singleGenerators;
        for (int i = 0; i < 200; ++i) {
            if (std::bit_cast<std::uint64_t>(x.NormalDeviate(a)) !=
                std::bit_cast<std::uint64_t>(y.NormalDeviate(b))) {
                return ::testing::AssertionFailure() << "deviate " << i << " differs";
            }
        }
        return ::testing::AssertionSuccess();
    }

    testing::QuietConsole console;
    RandomGenerators singleGenerators, fastGenerators;
    Replicator single, fast;
    ReplicationPipeline pipeline;
    std::int32_t singleSeed = -4711, fastSeed = -4711;
};

TEST(ReplicationPipeline, ARunEndedEarlyLeavesTheStateOfItsLastReplication) {
    ClearFloatingPointFaults();
    TwoPaths paths;
    const ReplicationSettings settings = NormalGroups(300, 0.7);
    // The producer may run far ahead of the three replications taken.
    ASSERT_TRUE(paths.pipeline.begin(settings, paths.fastSeed, 1000));
    for (int i = 0; i < 3; ++i) {
        paths.single.GenerateReplication(settings, paths.singleSeed);
        paths.pipeline.GenerateReplication(settings, paths.fastSeed);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    paths.pipeline.end();
    EXPECT_FALSE(paths.pipeline.producerThreadExists());
    EXPECT_TRUE(paths.sameStreams());
    EXPECT_EQ(paths.fastGenerators.shuffleOutput(), paths.singleGenerators.shuffleOutput());
    // A second run on the same pipeline starts from there.
    ASSERT_TRUE(paths.pipeline.begin(settings, paths.fastSeed, 2));
    for (int i = 0; i < 2; ++i) {
        paths.single.GenerateReplication(settings, paths.singleSeed);
        paths.pipeline.GenerateReplication(settings, paths.fastSeed);
    }
    paths.pipeline.end();
    EXPECT_TRUE(paths.sameStreams());
    EXPECT_EQ(paths.fast.result().groupMean, paths.single.result().groupMean);
}

TEST(ReplicationPipeline, ReplicationsBeyondThePlanGoOnOnTheCallersThread) {
    ClearFloatingPointFaults();
    TwoPaths paths;
    const ReplicationSettings settings = NormalGroups(17, 1.0);
    ASSERT_TRUE(paths.pipeline.begin(settings, paths.fastSeed, 3));
    for (int i = 0; i < 6; ++i) {
        paths.single.GenerateReplication(settings, paths.singleSeed);
        paths.pipeline.GenerateReplication(settings, paths.fastSeed);
        EXPECT_EQ(paths.pipeline.producing(), i < 2) << "replication " << i + 1;
        EXPECT_EQ(paths.fast.result().groupSD, paths.single.result().groupSD);
    }
    EXPECT_TRUE(paths.sameStreams());
}

// Keeps the calling thread, and threads it starts, on one core while it lives.
class OnOneCore {
  public:
    OnOneCore() {
        if (sched_getaffinity(0, sizeof before_, &before_) != 0) return;
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (!CPU_ISSET(cpu, &before_)) continue;
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(cpu, &one);
            pinned_ = sched_setaffinity(0, sizeof one, &one) == 0;
            return;
        }
    }
    ~OnOneCore() {
        if (pinned_) sched_setaffinity(0, sizeof before_, &before_);
    }
    bool pinned() const { return pinned_; }

  private:
    cpu_set_t before_{};
    bool pinned_ = false;
};

TEST(ReplicationPipeline, ThreadsThatOnlyTakeTurnsGoOnOnOneThreadWithTheSameBits) {
    // Two threads on one core cannot overlap: what a machine whose cores
    // are all busy comes to. The run must notice, end its producer and go on
    // here from the state its last replication left.
    ClearFloatingPointFaults();
    const OnOneCore core;
    ASSERT_TRUE(core.pinned());
    TwoPaths paths;
    paths.pipeline.setOverlapChecked(true);
    const ReplicationSettings settings = NormalGroups(200, 0.7);
    constexpr int kMost = 20000;  // a second or so; falling back takes some 20 ms
    ASSERT_TRUE(paths.pipeline.begin(settings, paths.fastSeed, kMost));
    int replication = 0;
    auto step = [&] {
        ++replication;
        paths.single.GenerateReplication(settings, paths.singleSeed);
        paths.pipeline.GenerateReplication(settings, paths.fastSeed);
        return paths.fast.result().groupMean == paths.single.result().groupMean;
    };
    int afterFallingBack = 0;
    while (replication < kMost && afterFallingBack < 50) {
        ASSERT_TRUE(step()) << "replication " << replication;
        if (paths.pipeline.lastRunFellBack()) ++afterFallingBack;
    }
    ASSERT_TRUE(paths.pipeline.lastRunFellBack()) << "after " << replication << " replications";
    EXPECT_FALSE(paths.pipeline.producing());  // and no second thread again so soon
    EXPECT_TRUE(paths.sameStreams());
    // Once the other work may have ended, the run tries a producer again
    // for the replications still to come, and keeps every bit.
    std::this_thread::sleep_for(std::chrono::duration<double>(OverlapMonitor::kRetrySeconds + 0.1));
    bool producingAgain = false;
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(step()) << "replication " << replication;
        producingAgain = producingAgain || paths.pipeline.producing();
    }
    EXPECT_TRUE(producingAgain);
    paths.pipeline.end();
    EXPECT_FALSE(paths.pipeline.producerThreadExists());
    EXPECT_TRUE(paths.sameStreams());
    EXPECT_EQ(paths.fastGenerators.shuffleOutput(), paths.singleGenerators.shuffleOutput());
}

TEST(ReplicationPipeline, RunsThatCannotGainStayOnOneThread) {
    TwoPaths paths;
    ReplicationSettings settings = NormalGroups(16, 1.0);
    EXPECT_FALSE(paths.pipeline.begin(settings, paths.fastSeed, 1));
    EXPECT_FALSE(paths.pipeline.producing());
    // Redrawn cases make the draws depend on the scores.
    settings.groups[2].hasMinimum = true;
    settings.groups[2].minimum = -2.0;
    EXPECT_FALSE(paths.pipeline.begin(settings, paths.fastSeed, 100));
    // Sizes the replicator refuses are left for it to refuse.
    settings = NormalGroups(16, 1.0);
    settings.deviateRows = 8;
    EXPECT_FALSE(paths.pipeline.begin(settings, paths.fastSeed, 100));
    paths.pipeline.setAllowed(false);
    EXPECT_FALSE(paths.pipeline.begin(NormalGroups(16, 1.0), paths.fastSeed, 100));
    EXPECT_FALSE(paths.pipeline.lastRunPipelined());
}

}  // namespace
}  // namespace velmor
