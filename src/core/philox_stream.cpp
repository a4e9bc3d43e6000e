#include "core/philox_stream.hpp"

#include <Random123/philox.h>

#include <Random123/uniform.hpp>
#include <algorithm>
#include <bit>
#include <boost/random/normal_distribution.hpp>
#include <cstring>
#include <stdexcept>

namespace velmor {

namespace {

using Philox = r123::Philox4x32_R<10>;

constexpr std::uint32_t kOverflowFlag = std::uint32_t{1} << 31;
constexpr std::uint32_t kOverflowBlocks = 4096;

Philox::key_type KeyOf(const PhiloxReplicationKey& k) {
    return {{k.seed, k.condition}};
}

// The counters of the key layout (core/philox_stream.hpp): block j of a
// substream, and overflow block m of deviate i.
Philox::ctr_type PrimaryCounter(const PhiloxReplicationKey& k, std::uint32_t substream,
                                std::uint64_t j) {
    return {{static_cast<std::uint32_t>(j), k.replication, k.attempt,
             substream | static_cast<std::uint32_t>(j >> 32) << 4}};
}
Philox::ctr_type OverflowCounter(const PhiloxReplicationKey& k, std::uint32_t substream,
                                 std::uint64_t i, std::uint32_t m) {
    return {{static_cast<std::uint32_t>(i), k.replication, k.attempt,
             substream | m << 4 | static_cast<std::uint32_t>(i >> 32) << 16 | kOverflowFlag}};
}

void CheckRange(std::uint64_t first, std::size_t count) {
    if (first > kPhiloxSubstreamDeviates || count > kPhiloxSubstreamDeviates - first) {
        throw std::length_error("a substream of the counter-based generator holds 2^47 deviates");
    }
}

// Deviates are formed from their words in runs of this many: the blocks of a
// run are made in one loop with nothing else in it, which the compiler
// vectorises, where one block at a time between conversions runs scalar.
constexpr std::size_t kRun = 64;

// The blocks of a run, their words laid end to end. Deviate i's word is the
// 64-bit half i % 2 of block i / 2, that is, on this little-endian machine,
// 64-bit word i - 2 * (first / 2) of the run.
class RunWords {
  public:
    // The blocks holding deviates first .. first + count - 1, count at most
    // kRun.
    void Make(const PhiloxReplicationKey& k, std::uint32_t substream, std::uint64_t first,
              std::size_t count) {
        firstBlock_ = first / 2;
        const std::size_t blocks = static_cast<std::size_t>((first + count + 1) / 2 - firstBlock_);
        const Philox::key_type key = KeyOf(k);
        for (std::size_t b = 0; b < blocks; ++b) {
            const Philox::ctr_type w = Philox()(PrimaryCounter(k, substream, firstBlock_ + b), key);
            for (int q = 0; q < 4; ++q) words_[4 * b + q] = w[q];
        }
    }

    // Deviate i's word, i among those of the last Make.
    std::uint64_t operator[](std::uint64_t i) const {
        static_assert(std::endian::native == std::endian::little);
        std::uint64_t word;
        std::memcpy(&word, words_.data() + 2 * (i - 2 * firstBlock_), sizeof word);
        return word;
    }

  private:
    std::uint64_t firstBlock_ = 0;
    std::array<std::uint32_t, 4 * (kRun / 2 + 1)> words_;
};

// Both words of overflow block k of deviate `index`, returned by value, so
// the engine below keeps them in registers: nothing of it escapes.
struct WordPair {
    std::uint64_t first;
    std::uint64_t second;
};
[[gnu::noinline]] WordPair OverflowPair(const PhiloxStream& stream, std::uint32_t substream,
                                        std::uint64_t index, std::uint64_t m) {
    if (m >= kOverflowBlocks) {
        throw std::length_error("a deviate took more than 4096 overflow blocks");
    }
    const PhiloxReplicationKey& k = stream.key();
    const Philox::ctr_type w =
        Philox()(OverflowCounter(k, substream, index, static_cast<std::uint32_t>(m)), KeyOf(k));
    auto half = [&](int h) {
        return static_cast<std::uint64_t>(w[2 * h]) |
               (static_cast<std::uint64_t>(w[2 * h + 1]) << 32);
    };
    return {half(0), half(1)};
}

// The word engine of one normal deviate (a uniform random bit generator for
// Boost.Random): its primary word first, then its overflow words in order.
class DeviateWords {
  public:
    using result_type = std::uint64_t;
    static constexpr result_type min() { return 0; }
    static constexpr result_type max() { return ~result_type{0}; }

    DeviateWords(std::uint64_t primary, const PhiloxStream& stream, std::uint32_t substream,
                 std::uint64_t index)
        : primary_(primary), stream_(stream), substream_(substream), index_(index) {}

    result_type operator()() {
        const std::uint64_t taken = taken_++;
        if (taken == 0) [[likely]]
            return primary_;
        if (taken % 2 == 1) {
            pair_ = OverflowPair(stream_, substream_, index_, taken / 2);
            return pair_.first;
        }
        return pair_.second;
    }

  private:
    std::uint64_t primary_;
    const PhiloxStream& stream_;
    std::uint32_t substream_;
    std::uint64_t index_;
    std::uint64_t taken_ = 0;
    WordPair pair_{};
};

// Deviates first .. first + out.size() - 1 of a substream, uniform or
// normal, run by run. Written once and compiled twice, below.
template <bool kNormal>
[[gnu::always_inline]] inline void FillDeviates(const PhiloxStream& stream, std::uint32_t substream,
                                                std::uint64_t first, std::span<double> out) {
    RunWords words;
    boost::random::normal_distribution<double> normal;
    for (std::size_t done = 0; done < out.size();) {
        const std::size_t count = std::min(kRun, out.size() - done);
        const std::uint64_t start = first + done;
        words.Make(stream.key(), substream, start, count);
        for (std::size_t k = 0; k < count; ++k) {
            if constexpr (kNormal) {
                DeviateWords engine(words[start + k], stream, substream, start + k);
                out[done + k] = normal(engine);
            } else {
                out[done + k] = r123::u01fixedpt<double>(words[start + k]);
            }
        }
        done += count;
    }
}

// The two compilations: one for any x86-64 processor, one for those with the
// 512-bit vector instructions of x86-64-v4, whose wider integer multiplies
// make the blocks in about half the time and which turn a word into a double
// in one instruction. Both give the same bits: the words are integer
// arithmetic, and without contraction (-ffp-contract=off) every floating
// operation rounds alike. Flattened so that the ziggurat's common path is
// inlined into the loop; only the rare overflow and the tail's logarithms
// stay calls. Chosen by asking the processor once, not by the loader's
// indirect functions, which the thread sanitizer cannot run.
using FillFunction = void (*)(const PhiloxStream&, std::uint32_t, std::uint64_t, std::span<double>);
template <bool kNormal>
[[gnu::flatten]] void FillBaseline(const PhiloxStream& stream, std::uint32_t substream,
                                   std::uint64_t first, std::span<double> out) {
    FillDeviates<kNormal>(stream, substream, first, out);
}
template <bool kNormal>
[[gnu::flatten, gnu::target("arch=x86-64-v4")]] void FillWide(const PhiloxStream& stream,
                                                              std::uint32_t substream,
                                                              std::uint64_t first,
                                                              std::span<double> out) {
    FillDeviates<kNormal>(stream, substream, first, out);
}

bool HasWideVectors() {
    static const bool wide = [] {
        __builtin_cpu_init();  // harmless when the start-up code has run it
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
               __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq") &&
               __builtin_cpu_supports("avx512cd");
    }();
    return wide;
}

template <bool kNormal>
FillFunction Fill() {
    static const FillFunction chosen = HasWideVectors() ? FillWide<kNormal> : FillBaseline<kNormal>;
    return chosen;
}

}  // namespace

void PhiloxStream::FillUniforms(std::uint32_t substream, std::uint64_t first,
                                std::span<double> out) const {
    CheckRange(first, out.size());
    Fill<false>()(*this, substream, first, out);
}

void PhiloxStream::FillNormals(std::uint32_t substream, std::uint64_t first,
                               std::span<double> out) const {
    CheckRange(first, out.size());
    Fill<true>()(*this, substream, first, out);
}

double PhiloxStream::Uniform(std::uint32_t substream, std::uint64_t index) const {
    double value = 0.0;
    FillUniforms(substream, index, {&value, 1});
    return value;
}

double PhiloxStream::Normal(std::uint32_t substream, std::uint64_t index) const {
    double value = 0.0;
    FillNormals(substream, index, {&value, 1});
    return value;
}

}  // namespace velmor
