#include "core/replication_pipeline.hpp"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <system_error>

#include "core/fp_faults.hpp"
#include "core/replication_draws.hpp"

namespace velmor {

namespace {

// The producer's draws: the chain advanced as a replication advances it,
// with the outputs the values need recorded instead of the values.
class RecordingDraws {
  public:
    RecordingDraws(RandomGenerators& generators, std::int32_t& seed, OutputSink& sink)
        : generators_(generators), seed_(seed), sink_(sink) {}

    void ClearSpareNormal() { generators_.ClearSpareNormal(); }
    void SkipUniforms(int count) { generators_.SkipUniforms(seed_, count); }
    void SkipNormals(int count) { generators_.RecordSkipNormals(seed_, count, sink_); }
    void FillColumn(int, bool uniform, int count) {
        if (uniform) {
            generators_.RecordUniforms(seed_, count, sink_);
        } else {
            generators_.RecordNormals(seed_, count, sink_);
        }
    }
    // Values and signs alike are formed from the pairs' outputs.
    void FillErrors(int, bool, int count) { generators_.RecordNormals(seed_, count, sink_); }

  private:
    RandomGenerators& generators_;
    std::int32_t& seed_;
    OutputSink& sink_;
};

// The producer's second pass over a replication: its recorded outputs valued
// into the deviates the replication will take, by the replay the consumer
// would otherwise run, in the order it would run it. Valuing is the
// logarithms and square roots of the polar method in extended precision,
// most of what a replication costs after the chain; done here it leaves the
// run's own thread free for the statistics, and the bits are the replay's.
class ValuingDraws {
  public:
    ValuingDraws(DeviateReplay& replay, std::span<double> values)
        : replay_(replay), next_(values.data()), end_(values.data() + values.size()) {}

    void ClearSpareNormal() { replay_.ClearSpareNormal(); }
    void SkipUniforms(int count) { replay_.SkipUniforms(unusedSeed_, count); }
    void SkipNormals(int count) { replay_.SkipNormals(unusedSeed_, count); }
    void FillColumn(int, bool uniform, int count) {
        const std::span<double> out = take(count);
        if (uniform) {
            replay_.FillUniforms(unusedSeed_, out);
        } else {
            replay_.FillNormals(unusedSeed_, out);
        }
    }
    void FillErrors(int, bool signsOnly, int count) {
        const std::span<double> out = take(count);
        if (signsOnly) {
            replay_.FillNormalSigns(unusedSeed_, out);
        } else {
            replay_.FillNormals(unusedSeed_, out);
        }
    }
    const double* next() const { return next_; }

  private:
    std::span<double> take(int count) {
        if (count < 0 || end_ - next_ < count) {
            throw std::logic_error("replication values outside their record");
        }
        const std::span<double> out(next_, static_cast<std::size_t>(count));
        next_ += count;
        return out;
    }

    DeviateReplay& replay_;
    double* next_;
    double* end_;
    std::int32_t unusedSeed_ = 0;
};

// Starts the calling thread (the producer) on another core than `callerCpu`,
// the one the run's own thread was on, and then leaves it free to move. Two
// threads that hand records to each other are otherwise often started and
// woken on one core, where they take turns while the other core idles: both
// ran a moment ago, so neither counts as worth moving. Where the affinity
// cannot be read or set, the scheduler decides alone.
void StartOnAnotherCore(int callerCpu) {
#if defined(__linux__)
    cpu_set_t allowed;
    if (callerCpu < 0 || sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
    if (!CPU_ISSET(callerCpu, &allowed) || CPU_COUNT(&allowed) < 2) return;
    cpu_set_t elsewhere = allowed;
    CPU_CLR(callerCpu, &elsewhere);
    if (sched_setaffinity(0, sizeof elsewhere, &elsewhere) == 0) {
        sched_setaffinity(0, sizeof allowed, &allowed);
    }
#else
    (void)callerCpu;
#endif
}

// Replications between two looks at the overlap: a look reads the clock, a
// few tens of nanoseconds, and a small replication takes a few microseconds.
constexpr unsigned kReplicationsPerLook = 8;

// A clock's reading in seconds, or a negative number when it cannot be read.
double SecondsOf(clockid_t clock) {
    timespec now{};
    if (clock_gettime(clock, &now) != 0) return -1.0;
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}
double WallSeconds() {
    return SecondsOf(CLOCK_MONOTONIC);
}
double ThreadSeconds() {
    return SecondsOf(CLOCK_THREAD_CPUTIME_ID);
}

}  // namespace

bool PipelineThreadsAvailable(const char* velmorThreads, unsigned usableCores) {
    if (usableCores < 2) return false;
    if (velmorThreads == nullptr) return true;
    const char* end = velmorThreads + std::strlen(velmorThreads);
    long long threads = 0;
    const auto [stop, error] = std::from_chars(velmorThreads, end, threads);
    if (error != std::errc{} || stop != end) return true;
    return threads >= 2;
}

ReplicationPipeline::ReplicationPipeline(Replicator& replicator, RandomGenerators& generators)
    : replicator_(replicator), generators_(generators) {}

ReplicationPipeline::~ReplicationPipeline() {
    end();
}

bool ReplicationPipeline::begin(const ReplicationSettings& settings, std::int32_t deviateSeed,
                                std::uint64_t replications) {
    end();
    lastRunPipelined_ = false;
    lastRunFellBack_ = false;
    sinceLook_ = 0;
    runLeft_ = replications;
    runMayPipeline_ = allowed_ && replications >= 2 && !AnyGroupRedraws(settings) &&
                      Replicator::SizesFit(settings) &&
                      MostRecordedOutputs(settings) <=
                          static_cast<int>(ReplicationRing::kWords / 2);  // always, sizes fitting
    if (!runMayPipeline_ || (overlapChecked_ && !overlap_.mayStart(WallSeconds()))) return false;
    return startProducer(settings, deviateSeed, replications);
}

bool ReplicationPipeline::startProducer(const ReplicationSettings& settings,
                                        std::int32_t deviateSeed, std::uint64_t replications) {
    stopProducer();  // one that fell back has long ended by now
    settings_ = settings;
    for (int g = 0; g < kGroups; ++g) spreads_[g] = ComputeGroupSpread(settings.groups[g]);
    producerGenerators_ = generators_;
    runProducerValues_ = producerValues_;
    producerSeed_ = deviateSeed;
    planned_ = replications;
    consumed_ = 0;
    producerSecondsAtEnd_ = 0;
    producerEnded_.store(false);
    std::fegetenv(&environment_);
#if defined(__linux__)
    callerCpu_ = sched_getcpu();
#endif
    ring_.prepare(static_cast<std::size_t>(MostRecordedOutputs(settings)));
    // The producer takes no signals: a handler's interruption (of a blocked
    // write, say) goes to the run's own thread, as without the producer.
    // A thread starts with its creator's signal mask.
    sigset_t all, before;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &before);
    try {
        producer_ = std::thread([this] { produce(); });
    } catch (const std::system_error&) {
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        runMayPipeline_ = false;  // no thread to be had: the run goes on single-threaded
        return false;
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    // Without the producer's clock there is no weighing, and no falling back.
    producerClockKnown_ = pthread_getcpuclockid(producer_.native_handle(), &producerClock_) == 0;
    overlap_.stretchBegins(WallSeconds(), ThreadSeconds());
    lastRunPipelined_ = true;
    return true;
}

void ReplicationPipeline::end() noexcept {
    stopProducer();
    runMayPipeline_ = false;
}

void ReplicationPipeline::stopProducer() noexcept {
    if (!producer_.joinable()) return;
    if (!windingDown_) tellProducerToStop(WallSeconds(), ThreadSeconds());
    producer_.join();
    windingDown_ = false;
    // The stretch ended when the producer was told to stop, not at the join.
    overlap_.stretchEnds(stoppedWall_, stoppedConsumer_, producerSecondsAtEnd_);
}

void ReplicationPipeline::tellProducerToStop(double wall, double consumer) noexcept {
    // The consumer reads no record after cancelling.
    ring_.cancel();
    windingDown_ = true;
    stoppedWall_ = wall;
    stoppedConsumer_ = consumer;
}

void ReplicationPipeline::lookAtOverlap(const ReplicationSettings& settings,
                                        std::int32_t deviateSeed) {
    if (++sinceLook_ < kReplicationsPerLook) return;
    sinceLook_ = 0;
    const double wall = WallSeconds();
    if (!producing()) {
        if (windingDown_ && producerEnded_.load(std::memory_order_acquire)) stopProducer();
        if (runLeft_ >= 2 && overlap_.mayStart(wall)) {
            startProducer(settings, deviateSeed, runLeft_);
        }
        return;
    }
    // A producer that has published its last record is ending, and its
    // thread's clock goes with it; stopProducer() weighs what it used.
    if (!producerClockKnown_ || ring_.lastPublished()) return;
    const double producer = SecondsOf(producerClock_);
    if (producer < 0) return;
    const double consumer = ThreadSeconds();
    if (overlap_.look(wall, consumer, producer)) {
        // The run goes on here at once, from the state its last replication
        // left; on a busy core the producer may not run again for a time
        // slice, so it is joined later.
        lastRunFellBack_ = true;
        tellProducerToStop(wall, consumer);
    }
}

void ReplicationPipeline::produce() noexcept {
    StartOnAnotherCore(callerCpu_);
    // The caller's rounding and precision, and flags that are this thread's own.
    std::fesetenv(&environment_);
    TakeFloatingPointFaults();
    produceRecords();
    // Read by the caller's thread once this one is joined.
    producerSecondsAtEnd_ = std::max(0.0, ThreadSeconds());
    producerEnded_.store(true, std::memory_order_release);
}

void ReplicationPipeline::produceRecords() noexcept {
    ReplicationRing::Record* record = nullptr;
    try {
        for (std::uint64_t i = 0; i < planned_; ++i) {
            record = ring_.claim();
            if (record == nullptr) return;
            OutputSink sink{record->outputs.data(),
                            record->outputs.data() + record->outputs.size()};
            RecordingDraws draws(producerGenerators_, producerSeed_, sink);
            DrawDeviateMatrix(settings_, draws);
            DrawGroupErrors(settings_, spreads_, draws);
            record->used = static_cast<std::size_t>(sink.next - record->outputs.data());
            if (runProducerValues_) {
                DeviateReplay replay(record->recorded());
                ValuingDraws valuing(replay, record->values);
                DrawDeviateMatrix(settings_, valuing);
                DrawGroupErrors(settings_, spreads_, valuing);
                if (!replay.finished())
                    throw std::logic_error("deviate replay left outputs unused");
                record->valuesUsed =
                    static_cast<std::size_t>(valuing.next() - record->values.data());
            }
            record->seedAfter = producerSeed_;
            record->streamsAfter = producerGenerators_.deviateStreams();
            record->faults = TakeFloatingPointFaults();
            ring_.publish(i + 1 == planned_);
            record = nullptr;
        }
    } catch (...) {
        // The consumer meets the error at the replication it belongs to;
        // the producer draws nothing after it.
        if (record == nullptr) record = ring_.claim();
        if (record != nullptr) {
            record->error = std::current_exception();
            ring_.publish(true);
        }
    }
}

Replicator::Outcome ReplicationPipeline::GenerateReplication(const ReplicationSettings& settings,
                                                             std::int32_t& deviateSeed) {
    if (runLeft_ > 0) --runLeft_;
    if (!producing()) {
        const Replicator::Outcome outcome = replicator_.GenerateReplication(settings, deviateSeed);
        if (runMayPipeline_ && overlapChecked_) lookAtOverlap(settings, deviateSeed);
        return outcome;
    }
    ReplicationRing::Record& record = ring_.next(planned_ - consumed_);
    ++consumed_;
    if (record.error) std::rethrow_exception(record.error);
    // The state this replication leaves, as drawing it here would leave it.
    generators_.restoreDeviateStreams(record.streamsAfter);
    deviateSeed = record.seedAfter;
    SetFloatingPointFaults(record.faults);
    Replicator::Outcome outcome;
    if (runProducerValues_) {
        ValuedReplay replay(record.valued());
        outcome = replicator_.GenerateReplication(settings, replay);
    } else {
        DeviateReplay replay(record.recorded());
        outcome = replicator_.GenerateReplication(settings, replay);
    }
    ring_.release();
    // The producer has drawn all it was asked for and is ending; any further
    // replication continues here from the state just taken over.
    if (consumed_ == planned_) {
        stopProducer();
    } else if (overlapChecked_) {
        lookAtOverlap(settings, deviateSeed);
    }
    return outcome;
}

}  // namespace velmor
