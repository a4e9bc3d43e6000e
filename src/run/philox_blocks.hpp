#pragma once
// A run under the counter-based generator, on every thread it is given.
// Replications are made in fixed blocks of kPhiloxBlockSamples; each block's
// tallies are summed on its own, from zero, in replication order, and the
// caller combines the blocks in block order. Since a replication's draws
// depend only on its key (core/philox_stream.hpp), and every sum is formed
// in the same order whichever thread made the block, every number of the
// run is identical for any number of threads.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "core/f_critical_band.hpp"
#include "core/mean_test_battery.hpp"
#include "core/mean_test_kind.hpp"
#include "core/mean_test_result.hpp"
#include "core/moment_accumulator.hpp"
#include "core/philox_stream.hpp"
#include "core/random.hpp"
#include "core/replication.hpp"
#include "run/stopping_rule.hpp"

namespace velmor {

// Replications per block: a divisor of the stopping rule's checkpoints, so
// every checkpoint falls on a block's end, and small enough that a stop is
// answered soon (a block of small replications takes about a millisecond).
inline constexpr std::uint64_t kPhiloxBlockSamples = 250;
static_assert(kCheckpointSamples % kPhiloxBlockSamples == 0);

// One test's count over a block.
struct BlockTestTally {
    std::int64_t rejections = 0;
    std::int64_t notComputed = 0;
    MeanTestResult last;  // of a run of one sample
};

// A console line, or a wait for the user, that a replication on another
// thread asked for; the run's thread gives them to the real console when it
// combines the block, so they come out in replication order.
struct ConsoleEvent {
    bool readLine = false;
    std::string line;
};

// What one block leaves for the run.
struct BlockTally {
    std::uint64_t index = 0;      // the block's number, from 0
    std::uint64_t completed = 0;  // replications counted
    std::int64_t rejections = 0;  // by F
    std::array<BlockTestTally, kMeanTestKinds> tests{};
    std::array<double, kGroups> sumOfMeans{};
    std::array<double, kGroups> sumOfSquaredMeans{};
    std::array<double, kGroups> sumOfReliabilities{};
    std::array<MomentAccumulator, kGroups> shapeMoments{};
    // The group means of the block's replications, in order, while they are
    // among those a run keeps; the run copies them when it combines the
    // block, so a block that is never combined leaves no trace.
    std::array<std::array<double, kPhiloxBlockSamples>, kGroups> means{};
    std::int64_t discarded = 0;  // samples without variance set aside
    // Ended at a sample without variance that was not set aside (the run
    // then ends with NO VARIANCE); the key of that sample.
    bool noVariance = false;
    PhiloxReplicationKey noVarianceKey;
    PhiloxReplicationKey lastKey;  // of the last replication counted
    bool abandoned = false;        // a stop came before the block was done
    std::exception_ptr error;      // a fault, met at the replication it belongs to
    std::vector<ConsoleEvent> console;
};

// What every block of one run shares; read only while the run lasts.
struct PhiloxJob {
    ReplicationSettings settings;
    std::uint32_t seed = 0;
    std::uint32_t condition = 0;
    std::uint64_t samples = 0;  // replications planned
    bool singleSample = false;  // a run of one sample keeps each test's result
    bool skipNoVariance = false;
    std::uint64_t discardCap = 0;  // a block ends at a sample beyond this many discards
    bool anyShaped = false;
    std::span<const MeanTestKind> otherTests;  // chosen beside F
    const RejectionRule* rule = nullptr;       // when there are other tests
    // The group means of replications 1..keptMeansLimit are kept.
    std::uint64_t keptMeansLimit = 0;
    // Decides F without its probability where the decision is plain.
    FCriticalBand fBand;
};

class PhiloxBlockRunner {
  public:
    // Replications of every worker report console output through events.
    PhiloxBlockRunner();
    ~PhiloxBlockRunner();
    PhiloxBlockRunner(const PhiloxBlockRunner&) = delete;
    PhiloxBlockRunner& operator=(const PhiloxBlockRunner&) = delete;

    // Runs `job` on `threads` threads (at least 1), the caller's among them:
    // it starts threads - 1 workers and makes blocks itself while the block
    // it is to combine next is not ready. On the caller's thread, `combine`
    // is given every block in block order and returns whether the run goes
    // on; `idle` is called after each block the caller makes or combines,
    // about every 20 ms while it waits, and every kRedrawsPerStopCheck
    // redraws of a case in its own replications, and returns whether a stop
    // was asked for. Every worker is joined before run returns, on every way
    // out.
    using Combine = std::function<bool(BlockTally&)>;
    using Idle = std::function<bool()>;
    void run(const PhiloxJob& job, unsigned threads, const Combine& combine, const Idle& idle);

    // Redraws of out-of-bounds cases counted at resampling stop checks since
    // the last call (for the progress display).
    std::uint64_t takeRedraws() { return redraws_.exchange(0); }

    // One block made on the calling thread: the same work a worker does.
    // For tests, and the reference the threads are held to.
    static void MakeBlock(const PhiloxJob& job, std::uint64_t index, Replicator& replicator,
                          MeanTestScratch& scratch, const std::atomic<bool>& stop,
                          BlockTally& tally);

  private:
    struct Worker;
    void work(Worker& worker);
    // Makes `block`, taken by this worker, into its slot and marks it ready.
    void make(Worker& worker, std::uint64_t block);

    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<BlockTally> slots_;
    const PhiloxJob* job_ = nullptr;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t blocks_ = 0;     // in the run
    std::uint64_t nextBlock_ = 0;  // the next a worker takes
    std::uint64_t combined_ = 0;   // blocks the caller has combined
    std::vector<bool> ready_;      // per slot
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> redraws_{0};
};

}  // namespace velmor
