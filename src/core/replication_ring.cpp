#include "core/replication_ring.hpp"

#include <bit>
#include <stdexcept>
#include <thread>

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
// Then the processor is offered to others for a while before the waiter
// sleeps. A thread that sleeps and is woken for every record is woken on
// its waker's core, and the two sides then take turns on one core while the
// other stays idle; a thread that yields stays runnable, so the scheduler
// sees two busy threads and gives them a core each. Only a side that is
// really stalled (descheduled, or the run ending) lets the waiter sleep.
constexpr int kYields = 128;

// Waits until `count` reaches `target` or `give_up` says so. The waiter
// first says which count it sleeps for, then looks once more: the other
// side stores its count, then looks at what is awaited, both sequentially
// consistent, so at least one of the two sees the other and no wake-up is
// lost.
template <class GiveUp>
void WaitFor(std::atomic<std::uint32_t>& count, std::atomic<std::uint32_t>& waitsFor,
             std::uint32_t target, GiveUp give_up) {
    for (int i = 0; i < kSpins; ++i) {
        if (Reached(count.load(std::memory_order_acquire), target) || give_up()) return;
        Relax();
    }
    for (int i = 0; i < kYields; ++i) {
        if (Reached(count.load(std::memory_order_acquire), target) || give_up()) return;
        std::this_thread::yield();
    }
    waitsFor.store(target, std::memory_order_seq_cst);
    for (;;) {
        const std::uint32_t seen = count.load(std::memory_order_seq_cst);
        if (Reached(seen, target) || give_up()) return;
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
    const std::size_t fit = std::min<std::size_t>(kWords / wordsPerRecord, kMostRecords);
    const std::size_t count = std::bit_floor(fit);
    mask_ = static_cast<std::uint32_t>(count - 1);
    for (std::size_t r = 0; r < count; ++r) {
        Record& record = records_[r];
        record.outputs = {storage_.data() + r * wordsPerRecord, wordsPerRecord};
        record.used = 0;
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
}

ReplicationRing::Record* ReplicationRing::claim() {
    const std::uint32_t size = mask_ + 1;
    auto cancelled = [this] { return cancelled_.load(std::memory_order_acquire); };
    if (cancelled()) return nullptr;
    if (claimed_ - releasedSeen_ >= size) {
        releasedSeen_ = released_.load(std::memory_order_acquire);
        if (claimed_ - releasedSeen_ >= size) {
            // Full: sleep until half of the ring is free.
            WaitFor(released_, producerWaitsFor_, claimed_ - size / 2, cancelled);
            if (cancelled()) return nullptr;
            releasedSeen_ = released_.load(std::memory_order_acquire);
        }
    }
    return &records_[claimed_ & mask_];
}

void ReplicationRing::publish() {
    ++claimed_;
    Advance(published_, consumerWaitsFor_, claimed_);
}

ReplicationRing::Record& ReplicationRing::next() {
    const std::uint32_t wanted = consumed_ + 1;
    if (!Reached(publishedSeen_, wanted)) {
        publishedSeen_ = published_.load(std::memory_order_acquire);
        if (!Reached(publishedSeen_, wanted)) {
            WaitFor(published_, consumerWaitsFor_, wanted, [] { return false; });
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
