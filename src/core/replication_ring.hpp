#pragma once
// A bounded ring of replication records between one producer thread and one
// consumer thread. The storage is allocated once, the first time the ring
// is laid out, and reused by every run; handing a record over allocates
// nothing. Either side that finds nothing to do spins briefly (the other
// side is usually a fraction of a replication away) and then sleeps on the
// counter it waits for, so a waiting thread does not take the only other
// core. Each side wakes the other only when that side has said it sleeps,
// and a side that sleeps sleeps for half a ring (a full ring's producer
// until half of it is free, an empty ring's consumer until half of it is
// filled or the producer has no more), so a wake-up is not paid on every
// record.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <vector>

#include "core/random.hpp"

namespace velmor {

class ReplicationRing {
  public:
    // What the producer hands over for one replication.
    struct Record {
        std::span<std::int32_t> outputs;  // capacity laid out by prepare()
        std::size_t used = 0;             // outputs recorded
        std::int32_t seedAfter = 0;       // the seed word after the replication's draws
        DeviateStreamState streamsAfter;  // and the generators' streams
        int faults = 0;                   // floating-point faults raised while drawing
        std::exception_ptr error;         // set when drawing failed; the last record
        // The deviates the outputs stand for, in the order the replication
        // takes them, valued by the producer too (capacity as outputs).
        std::span<double> values;
        std::size_t valuesUsed = 0;

        std::span<const std::int32_t> recorded() const { return outputs.first(used); }
        std::span<const double> valued() const { return values.first(valuesUsed); }
    };

    static constexpr int kMostRecords = 64;
    static constexpr std::size_t kWords = std::size_t{1} << 17;  // 512 KiB of outputs

    // Lays the ring out for records of up to `wordsPerRecord` outputs (at
    // most kWords / 2), as many records as fit, a power of two from 2 to
    // kMostRecords; empties it. Allocates the storage on first use. Only
    // while no producer or consumer is using the ring.
    void prepare(std::size_t wordsPerRecord);
    int records() const { return static_cast<int>(mask_ + 1); }

    // Producer: the next record to fill, waiting while the ring is full;
    // nullptr once the consumer has cancelled. Then publish() hands it over;
    // `last` says the producer publishes nothing after it.
    Record* claim();
    void publish(bool last = false);

    // Consumer: the next published record, waiting until there is one; then
    // release() gives it back. `coming` is how many records the producer
    // will still publish (its plan less what was consumed) unless one is
    // published as the last: a consumer that must sleep sleeps until up to
    // half a ring of them is there. cancel() tells the producer to stop: a
    // claim waiting or to come returns nullptr. The consumer reads no record
    // after cancelling.
    Record& next(std::uint64_t coming = 1);
    // Whether the producer has published the record it called its last.
    bool lastPublished() const { return last_.load(std::memory_order_acquire); }
    void release();
    void cancel();

  private:
    std::vector<std::int32_t> storage_;
    std::vector<double> valueStorage_;
    std::array<Record, kMostRecords> records_;
    std::uint32_t mask_ = 0;
    // Each side's own position and the last count it saw of the other's,
    // then the counters each side waits on, each on a cache line of its
    // own: a side reads the other's counter only when what it saw last says
    // it must wait, so a cache line crosses between the cores once in many
    // records rather than twice a record.
    alignas(64) std::uint32_t claimed_ = 0;  // producer only
    std::uint32_t releasedSeen_ = 0;
    alignas(64) std::uint32_t consumed_ = 0;  // consumer only
    std::uint32_t publishedSeen_ = 0;
    alignas(64) std::atomic<std::uint32_t> published_{0};
    std::atomic<std::uint32_t> consumerWaitsFor_{0};
    alignas(64) std::atomic<std::uint32_t> released_{0};
    std::atomic<std::uint32_t> producerWaitsFor_{0};
    std::atomic<bool> last_{false};  // the producer's last record is published
    alignas(64) std::atomic<bool> cancelled_{false};
};

}  // namespace velmor
