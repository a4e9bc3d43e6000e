#include "run/philox_blocks.hpp"

#include <pthread.h>

#include <algorithm>
#include <cfenv>
#include <chrono>
#include <csignal>
#include <optional>
#include <system_error>

#include "core/fp_faults.hpp"

namespace velmor {

namespace {

// A worker's console: what its replications would write, or wait for, is
// kept with the block and given to the real console in block order.
class RecordingConsole final : public Console {
  public:
    void WriteLine(std::string_view line) override {
        target->push_back({false, std::string(line)});
    }
    void ReadLine() override { target->push_back({true, {}}); }
    std::vector<ConsoleEvent>* target = nullptr;
};

void ResetTally(BlockTally& tally, std::uint64_t index) {
    std::vector<ConsoleEvent> console = std::move(tally.console);
    console.clear();  // keeps its storage
    tally = BlockTally{};
    tally.index = index;
    tally.console = std::move(console);
}

}  // namespace

struct PhiloxBlockRunner::Worker {
    RandomGenerators unused;  // the replicator's classic generators, never drawn
    RecordingConsole console;
    Replicator replicator{unused, console};
    MeanTestScratch scratch{kMaxScores};
    std::thread thread;
    std::fenv_t environment{};
};

PhiloxBlockRunner::PhiloxBlockRunner() = default;

PhiloxBlockRunner::~PhiloxBlockRunner() {
    stop_.store(true);
    changed_.notify_all();
    for (auto& worker : workers_)
        if (worker->thread.joinable()) worker->thread.join();
}

void PhiloxBlockRunner::MakeBlock(const PhiloxJob& job, std::uint64_t index, Replicator& replicator,
                                  MeanTestScratch& scratch, const std::atomic<bool>& stop,
                                  BlockTally& tally) {
    const ReplicationSettings& s = job.settings;
    const std::uint64_t first = index * kPhiloxBlockSamples + 1;
    const std::uint64_t last = std::min(first + kPhiloxBlockSamples - 1, job.samples);
    const ReplicationResult& r = replicator.result();
    for (std::uint64_t i = first; i <= last; ++i) {
        if (stop.load(std::memory_order_relaxed)) {
            tally.abandoned = true;
            return;
        }
        PhiloxReplicationKey key{job.seed, job.condition, static_cast<std::uint32_t>(i - 1), 0};
        for (;;) {
            if (replicator.GenerateReplication(s, PhiloxStream(key)) ==
                Replicator::Outcome::Abandoned) {
                tally.abandoned = true;
                return;
            }
            if (!r.noVariance) break;
            // A sample set aside is replaced by the next attempt of the same
            // replication, so each block still makes its own replications.
            if (job.skipNoVariance &&
                static_cast<std::uint64_t>(tally.discarded) < job.discardCap) {
                ++tally.discarded;
                tally.noVarianceKey = key;
                ++key.attempt;
                continue;
            }
            tally.noVariance = true;
            tally.noVarianceKey = key;
            return;
        }
        if (job.anyShaped) {
            for (int g = 0; g < kGroups; ++g) {
                if (!s.groups[g].shaped()) continue;
                tally.shapeMoments[g].AddBlock(replicator.trueScores(g));
            }
        }
        if (i <= job.keptMeansLimit) {
            for (int g = 0; g < kGroups; ++g) tally.means[g][i - first] = r.groupMean[g];
        }
        // The run's own sums, the classic loop's arithmetic, from zero per block.
        for (int g = 0; g < kGroups; ++g) {
            const long double mean = r.groupMean[g];
            tally.sumOfMeans[g] += r.groupMean[g];
            tally.sumOfSquaredMeans[g] =
                static_cast<double>(tally.sumOfSquaredMeans[g] + mean * mean);
            tally.sumOfReliabilities[g] += r.sampleReliability[g];
        }
        replicator.TestReplication(s, job.fBand, tally.rejections);
        if (!job.otherTests.empty()) {
            const ThreeGroups groups = {replicator.observedScores(0), replicator.observedScores(1),
                                        replicator.observedScores(2)};
            std::array<MeanTestDecision, kMeanTestKinds> decisions;
            if (!job.singleSample)
                job.rule->decideAll(job.otherTests, groups, scratch,
                                    {decisions.data(), job.otherTests.size()});
            for (std::size_t k = 0; k < job.otherTests.size(); ++k) {
                const MeanTestKind kind = job.otherTests[k];
                BlockTestTally& test = tally.tests[static_cast<int>(kind)];
                MeanTestDecision& decision = decisions[k];
                if (job.singleSample) {
                    // One sample: its statistics and p-values are the result shown.
                    test.last = RunMeanTest(kind, groups, scratch);
                    decision = {test.last.status,
                                test.last.computed() && test.last.pValue <= job.rule->alpha()};
                }
                if (decision.status != MeanTestStatus::Computed) {
                    ++test.notComputed;
                } else if (decision.rejects) {
                    ++test.rejections;
                }
            }
            RaiseFloatingPointFaults();
        }
        ++tally.completed;
        tally.lastKey = key;
    }
}

void PhiloxBlockRunner::make(Worker& worker, std::uint64_t block) {
    // The slot's previous block has been combined: it is this worker's.
    BlockTally& tally = slots_[block % slots_.size()];
    ResetTally(tally, block);
    worker.console.target = &tally.console;
    try {
        MakeBlock(*job_, block, worker.replicator, worker.scratch, stop_, tally);
    } catch (...) {
        tally.error = std::current_exception();
        ClearFloatingPointFaults();
    }
    {
        std::lock_guard lock(mutex_);
        ready_[block % slots_.size()] = true;
    }
    changed_.notify_all();
}

void PhiloxBlockRunner::work(Worker& worker) {
    std::fesetenv(&worker.environment);
    ClearFloatingPointFaults();
    const std::size_t slots = slots_.size();
    for (;;) {
        std::uint64_t block = 0;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] {
                return stop_.load() || nextBlock_ >= blocks_ || nextBlock_ < combined_ + slots;
            });
            if (stop_.load() || nextBlock_ >= blocks_) return;
            block = nextBlock_++;
        }
        make(worker, block);
    }
}

void PhiloxBlockRunner::run(const PhiloxJob& job, unsigned threads, const Combine& combine,
                            const Idle& idle) {
    threads = std::max(threads, 1U);
    while (workers_.size() < threads) workers_.push_back(std::make_unique<Worker>());
    // The caller is one of the threads: it makes blocks with workers_[0]
    // whenever the block it is to combine next is not ready, so no core
    // waits idle beside the workers, and one thread's run starts no thread
    // at all. Its case redrawn for long asks `idle` itself, as between
    // blocks, so that a stop still reaches it (and the workers); the
    // replication's own floating-point flags are kept across the call.
    workers_[0]->replicator.setStopCheck([this, &idle] {
        redraws_.fetch_add(kRedrawsPerStopCheck, std::memory_order_relaxed);
        std::fexcept_t ours;
        std::fegetexceptflag(&ours, FE_ALL_EXCEPT);
        if (idle()) stop_.store(true);
        std::fesetexceptflag(&ours, FE_ALL_EXCEPT);
        return stop_.load();
    });
    for (std::size_t k = 1; k < workers_.size(); ++k)
        workers_[k]->replicator.setStopCheck([this] {
            redraws_.fetch_add(kRedrawsPerStopCheck, std::memory_order_relaxed);
            return stop_.load(std::memory_order_relaxed);
        });
    const std::size_t slotCount = 2 * static_cast<std::size_t>(threads);
    slots_.resize(slotCount);
    job_ = &job;
    blocks_ = (job.samples + kPhiloxBlockSamples - 1) / kPhiloxBlockSamples;
    nextBlock_ = 0;
    combined_ = 0;
    ready_.assign(slotCount, false);
    stop_.store(false);
    redraws_.store(0);

    // Every worker stops and is joined on every way out, a fault included.
    struct Joiner {
        PhiloxBlockRunner& runner;
        ~Joiner() {
            {
                std::lock_guard lock(runner.mutex_);
                runner.stop_.store(true);
            }
            runner.changed_.notify_all();
            for (auto& worker : runner.workers_)
                if (worker->thread.joinable()) worker->thread.join();
            // No stop check outlives the `idle` it may call.
            runner.workers_[0]->replicator.setStopCheck({});
        }
    } joiner{*this};

    // The workers take no signals (a handler's interruption belongs to the
    // run's own thread) and start in this thread's rounding and precision.
    std::fenv_t environment;
    std::fegetenv(&environment);
    sigset_t all, before;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &before);
    for (unsigned k = 1; k < threads; ++k) {
        Worker& worker = *workers_[k];
        worker.environment = environment;
        try {
            worker.thread = std::thread([this, &worker] { work(worker); });
        } catch (const std::system_error&) {
            break;  // the run goes on with the threads it has
        }
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);

    while (combined_ < blocks_) {
        const std::size_t slot = combined_ % slotCount;
        std::optional<std::uint64_t> own;  // a block to make here
        bool ready = false;
        {
            std::unique_lock lock(mutex_);
            ready = ready_[slot];
            if (!ready && nextBlock_ < blocks_ && nextBlock_ < combined_ + slotCount) {
                own = nextBlock_++;
            } else if (!ready) {
                // A worker is making the block awaited.
                changed_.wait_for(lock, std::chrono::milliseconds(20));
                ready = ready_[slot];
            }
        }
        if (own) {
            make(*workers_[0], *own);
            if (idle()) return;
            continue;
        }
        if (!ready) {
            if (idle()) return;
            continue;
        }
        // No worker touches a ready slot until it is handed back below.
        const bool goOn = combine(slots_[slot]);
        {
            std::lock_guard lock(mutex_);
            ready_[slot] = false;
            ++combined_;
        }
        changed_.notify_all();
        if (!goOn || idle()) return;
    }
}

}  // namespace velmor
