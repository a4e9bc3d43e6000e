#include "core/replication_ring.hpp"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace velmor {

namespace {

// Counters wrap; a count reaches a target when it is not behind it.
inline bool Reached(std::uint32_t count, std::uint32_t target) {
    return static_cast<std::int32_t>(count - target) >= 0;
}

inline void Relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// About ten microseconds of pauses on current processors: long enough to
// cover the other side finishing the replication in hand, short enough not
// to matter when it does not.
constexpr int kSpins = 256;
// Then the waiter sleeps. It does not yield first: on a core shared with
// another busy program a yield hands that program the core for the rest of
// a time slice, milliseconds, while the record awaited arrives within
// microseconds; with every core busy that made a pipelined run fourteen
// times slower than one thread, where sleeping makes it about one and a half
// (until the run goes on on one thread; see core/overlap_monitor.hpp).

// Waits until `count` reaches `soon` or `give_up` says so, spinning first;
// a waiter that must sleep sleeps until `count` reaches `later`
// (not before `soon`), so that a side kept waiting is woken once for many
// records rather than for every one, which on a machine whose cores are
// busy with other work costs a trip through the scheduler each time. The
// waiter first says which count it sleeps for, then looks once more: the
// other side stores its count, then looks at what is awaited, both
// sequentially consistent, so at least one of the two sees the other and no
// wake-up is lost.
template <class GiveUp>
void WaitFor(std::atomic<std::uint32_t>& count, std::atomic<std::uint32_t>& waitsFor,
             std::uint32_t soon, std::uint32_t later, GiveUp give_up) {
    for (int i = 0; i < kSpins; ++i) {
        if (Reached(count.load(std::memory_order_acquire), soon) || give_up()) return;
        Relax();
    }
    waitsFor.store(later, std::memory_order_seq_cst);
    for (;;) {
        const std::uint32_t seen = count.load(std::memory_order_seq_cst);
        if (Reached(seen, later) || give_up()) return;
        count.wait(seen, std::memory_order_acquire);
    }
}

// Stores a new count and wakes the other side if it sleeps for exactly it.
inline void Advance(std::atomic<std::uint32_t>& count, std::atomic<std::uint32_t>& waitsFor,
                    std::uint32_t value) {
    count.store(value, std::memory_order_seq_cst);
    if (waitsFor.load(std::memory_order_seq_cst) == value) count.notify_one();
}

}  // namespace

void ReplicationRing::prepare(std::size_t wordsPerRecord) {
    if (wordsPerRecord == 0 || wordsPerRecord > kWords / 2) {
        throw std::invalid_argument("replication record outside the ring");
    }
    if (storage_.empty()) storage_.resize(kWords);
    if (valueStorage_.empty()) valueStorage_.resize(kWords);
    const std::size_t fit = std::min<std::size_t>(kWords / wordsPerRecord, kMostRecords);
    const std::size_t count = std::bit_floor(fit);
    mask_ = static_cast<std::uint32_t>(count - 1);
    for (std::size_t r = 0; r < count; ++r) {
        Record& record = records_[r];
        record.outputs = {storage_.data() + r * wordsPerRecord, wordsPerRecord};
        record.values = {valueStorage_.data() + r * wordsPerRecord, wordsPerRecord};
        record.used = 0;
        record.valuesUsed = 0;
        record.faults = 0;
        record.error = nullptr;
    }
    claimed_ = 0;
    releasedSeen_ = 0;
    consumed_ = 0;
    publishedSeen_ = 0;
    published_.store(0);
    released_.store(0);
    consumerWaitsFor_.store(0);
    producerWaitsFor_.store(0);
    cancelled_.store(false);
    last_.store(false);
}

ReplicationRing::Record* ReplicationRing::claim() {
    const std::uint32_t size = mask_ + 1;
    auto cancelled = [this] { return cancelled_.load(std::memory_order_acquire); };
    if (cancelled()) return nullptr;
    if (claimed_ - releasedSeen_ >= size) {
        releasedSeen_ = released_.load(std::memory_order_acquire);
        if (claimed_ - releasedSeen_ >= size) {
            // Full: a record free will do, but a sleep lasts until half of
            // the ring is free.
            WaitFor(released_, producerWaitsFor_, claimed_ - size + 1, claimed_ - size / 2,
                    cancelled);
            if (cancelled()) return nullptr;
            releasedSeen_ = released_.load(std::memory_order_acquire);
        }
    }
    return &records_[claimed_ & mask_];
}

void ReplicationRing::publish(bool last) {
    ++claimed_;
    if (!last) {
        Advance(published_, consumerWaitsFor_, claimed_);
        return;
    }
    // Whatever count the consumer sleeps for, none comes after this one.
    last_.store(true, std::memory_order_seq_cst);
    published_.store(claimed_, std::memory_order_seq_cst);
    published_.notify_one();
}

ReplicationRing::Record& ReplicationRing::next(std::uint64_t coming) {
    const std::uint32_t wanted = consumed_ + 1;
    if (!Reached(publishedSeen_, wanted)) {
        publishedSeen_ = published_.load(std::memory_order_acquire);
        if (!Reached(publishedSeen_, wanted)) {
            const std::uint64_t batch =
                std::clamp<std::uint64_t>(coming, 1, std::max<std::uint32_t>(1, (mask_ + 1) / 2));
            // Once the last record is published none is to come; every one
            // before it was written before last_ was set, so reading last_
            // set makes them visible even while published_ still lags.
            const auto last = [this] { return last_.load(std::memory_order_seq_cst); };
            WaitFor(published_, consumerWaitsFor_, wanted,
                    consumed_ + static_cast<std::uint32_t>(batch), last);
            publishedSeen_ = published_.load(std::memory_order_acquire);
        }
    }
    return records_[consumed_ & mask_];
}

void ReplicationRing::release() {
    ++consumed_;
    Advance(released_, producerWaitsFor_, consumed_);
}

void ReplicationRing::cancel() {
    cancelled_.store(true, std::memory_order_seq_cst);
    // A producer asleep on released_ wakes only when the count changes.
    released_.fetch_add(1, std::memory_order_seq_cst);
    released_.notify_all();
}

}  // namespace velmor
