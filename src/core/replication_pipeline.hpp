#pragma once
// A run's replications with the random chain on its own thread. Each shuffle
// output selects the next table slot, so the chain is one long dependency
// that nothing shortens; but the deviates' values, the scores, statistics
// and the F test depend only on the chain's outputs. A producer thread runs
// the chain exactly as a replication would (the fill passes that only advance
// it, the polar acceptance from the outputs, signs where only signs count),
// and hands each replication's outputs through a ring; the thread that calls
// GenerateReplication forms the same deviates from them, bit for bit, while
// the producer runs ahead. The valuing (the polar method's logarithms and
// square roots in extended precision) can instead be done by the producer,
// from the outputs it recorded, by the same replay (core/deviate_replay.hpp):
// the caller then forms only the scores and statistics. Which side values is
// a question of balance: with the F test alone the producer has the more to
// do, with tests beside F the caller.
//
// What the caller sees is the single-threaded run: replications in order, the
// replicator's scores and result, and after each replication the generators'
// streams and the seed word exactly as drawing it on this thread leaves them.
// The producer may be some replications ahead, but none of that becomes
// visible: a run that ends early (a stop, no variance, a fault) leaves the
// state of the last replication it consumed.
//
// A run is pipelined only where that can pay and keeps every bit: when
// allowed, for two replications or more, and when no group redraws cases
// (then the number of draws depends on the scores); otherwise, or if no
// thread can be started, its replications go through the replicator on the
// caller's thread as before. Where the machine's cores turn out to be busy
// with other work, so that the two threads only take turns, the producer
// ends mid-run and the run goes on on the caller's thread, starting a
// producer again once the other work may have ended (core/overlap_monitor.hpp).
// Either way the caller sees the same bits.

#include <atomic>
#include <cfenv>
#include <cstdint>
#include <ctime>
#include <thread>

#include "core/overlap_monitor.hpp"
#include "core/replication.hpp"
#include "core/replication_ring.hpp"

namespace velmor {

// Whether a second thread may carry the random chain: there must be at least
// two usable cores, and VELMOR_THREADS (the variable's text, or nullptr when
// it is not set) must not ask for fewer than two threads. A text that is not
// a whole number is ignored.
bool PipelineThreadsAvailable(const char* velmorThreads, unsigned usableCores);

class ReplicationPipeline {
  public:
    // The replicator and generators must outlive the pipeline.
    ReplicationPipeline(Replicator& replicator, RandomGenerators& generators);
    ~ReplicationPipeline();  // ends a run still producing
    ReplicationPipeline(const ReplicationPipeline&) = delete;
    ReplicationPipeline& operator=(const ReplicationPipeline&) = delete;

    // Off by default; the program object decides (see Program::setPipelineAllowed).
    void setAllowed(bool allowed) { allowed_ = allowed; }
    // Whether the producer values the deviates (see above), from the next
    // run on; off by default. The bits are the same either way.
    void setProducerValues(bool values) { producerValues_ = values; }
    bool producerValues() const { return producerValues_; }
    bool allowed() const { return allowed_; }
    // Whether runs weigh how well the two threads overlap and go on on one
    // thread where they do not; on by default. Off where the pipelined path
    // itself is under test, whatever else the machine is doing.
    void setOverlapChecked(bool checked) { overlapChecked_ = checked; }

    // Begins a run of at most `replications` replications of these settings,
    // from the generators' present state and this seed word (the values the
    // first GenerateReplication would draw from). Returns true when the run
    // is pipelined. Ends a run still producing first.
    bool begin(const ReplicationSettings& settings, std::int32_t deviateSeed,
               std::uint64_t replications);

    // The next replication of the run, with the settings given to begin():
    // exactly Replicator::GenerateReplication, including the generators and
    // seed word it leaves and the faults it throws. A fault or error of the
    // producer is thrown here, at the replication it belongs to.
    Replicator::Outcome GenerateReplication(const ReplicationSettings& settings,
                                            std::int32_t& deviateSeed);

    // Ends the run: stops the producer and waits for its thread to end.
    // Safe to call when nothing runs; called on every way out of a run (see
    // Run below). Replications after it go on on the caller's thread.
    void end() noexcept;
    // True while a producer draws the run's replications on another thread.
    bool producing() const { return producer_.joinable() && !windingDown_; }
    // True while a producer's thread has not been joined: a producer that
    // was told to stop mid-run may still be winding down; end() joins it.
    bool producerThreadExists() const { return producer_.joinable(); }
    // Whether the last run had its chain on a second thread at all, and
    // whether it went back to one thread for a while because the two did
    // not overlap.
    bool lastRunPipelined() const { return lastRunPipelined_; }
    bool lastRunFellBack() const { return lastRunFellBack_; }

    // Begins a run and ends it when the scope is left, however it is left.
    class Run {
      public:
        Run(ReplicationPipeline& pipeline, const ReplicationSettings& settings,
            std::int32_t deviateSeed, std::uint64_t replications)
            : pipeline_(pipeline) {
            pipeline_.begin(settings, deviateSeed, replications);
        }
        ~Run() { pipeline_.end(); }
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

      private:
        ReplicationPipeline& pipeline_;
    };

  private:
    // Starts a producer for the next `replications` of the run, from the
    // generators' state and this seed word; false when no thread starts.
    bool startProducer(const ReplicationSettings& settings, std::int32_t deviateSeed,
                       std::uint64_t replications);
    // Joins the producer's thread, telling it to stop first unless it was told.
    void stopProducer() noexcept;
    // Tells the producer to stop, without waiting for it; `wall` and
    // `consumer` are the readings at which its stretch of the run ends.
    void tellProducerToStop(double wall, double consumer) noexcept;
    void produce() noexcept;
    void produceRecords() noexcept;
    // Every few replications: while producing, whether to go on on one
    // thread; while not, whether to start producing again.
    void lookAtOverlap(const ReplicationSettings& settings, std::int32_t deviateSeed);

    Replicator& replicator_;
    RandomGenerators& generators_;
    bool allowed_ = false;
    bool overlapChecked_ = true;
    bool producerValues_ = false;
    bool runProducerValues_ = false;  // producerValues_ as the running producer took it
    bool lastRunPipelined_ = false;
    bool lastRunFellBack_ = false;
    // The run under way: whether it may be pipelined at all, and how many of
    // its replications are still to come.
    bool runMayPipeline_ = false;
    std::uint64_t runLeft_ = 0;
    unsigned sinceLook_ = 0;
    OverlapMonitor overlap_;
    clockid_t producerClock_{};  // the running producer's processor time
    bool producerClockKnown_ = false;
    double producerSecondsAtEnd_ = 0;  // written by the producer as it ends
    std::atomic<bool> producerEnded_{false};
    bool windingDown_ = false;  // told to stop, not yet joined
    double stoppedWall_ = 0, stoppedConsumer_ = 0;
    ReplicationRing ring_;
    std::thread producer_;
    std::uint64_t planned_ = 0;   // replications the producer draws
    std::uint64_t consumed_ = 0;  // of them, replications handed to the caller
    // The producer's own copies, taken at begin().
    ReplicationSettings settings_;
    std::array<GroupSpread, kGroups> spreads_{};
    RandomGenerators producerGenerators_;
    std::int32_t producerSeed_ = 0;
    std::fenv_t environment_{};  // the caller's rounding and precision
    int callerCpu_ = -1;         // the core the caller was on at begin(), if known
};

}  // namespace velmor
