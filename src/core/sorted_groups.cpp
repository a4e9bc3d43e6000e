#include "core/sorted_groups.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <stdexcept>

namespace velmor {
namespace {

// Below this many values std::sort (insertion sort for the shortest) wins:
// the radix sort's eight counting tables cost more than the comparisons.
constexpr std::size_t kRadixFrom = 256;
constexpr int kDigitBits = 8;
constexpr int kDigits = 64 / kDigitBits;
constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;
constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;

// An unsigned key whose order is the doubles' order: positive doubles keep
// their bits with the sign bit set, negative ones have every bit flipped.
// Adding 0.0 first turns -0 into +0, so that the two zeros, equal as doubles,
// get one key.
std::uint64_t OrderKey(double x) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x + 0.0);
    return (bits & kSignBit) != 0 ? ~bits : bits | kSignBit;
}

double FromOrderKey(std::uint64_t key) {
    return std::bit_cast<double>((key & kSignBit) != 0 ? key & ~kSignBit : ~key);
}

void RadixSort(std::span<double> values, std::span<std::uint64_t> keys) {
    const std::size_t n = values.size();
    std::uint64_t* from = keys.data();
    std::uint64_t* to = keys.data() + n;
    // Every digit's counts in one pass over the keys.
    std::array<std::array<std::uint32_t, kBuckets>, kDigits> counts{};
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t key = OrderKey(values[i]);
        from[i] = key;
        for (int d = 0; d < kDigits; ++d) ++counts[d][(key >> (d * kDigitBits)) & (kBuckets - 1)];
    }
    for (int d = 0; d < kDigits; ++d) {
        std::array<std::uint32_t, kBuckets>& count = counts[d];
        const int shift = d * kDigitBits;
        // A digit every key shares moves nothing; its pass is skipped.
        if (count[(from[0] >> shift) & (kBuckets - 1)] == n) continue;
        std::uint32_t start = 0;
        for (std::uint32_t& c : count) {
            const std::uint32_t here = c;
            c = start;
            start += here;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t key = from[i];
            to[count[(key >> shift) & (kBuckets - 1)]++] = key;
        }
        std::swap(from, to);
    }
    for (std::size_t i = 0; i < n; ++i) values[i] = FromOrderKey(from[i]);
}

}  // namespace

void SortAscending(std::span<double> values, std::span<std::uint64_t> keys) {
    if (values.size() < kRadixFrom) {
        std::sort(values.begin(), values.end());
        return;
    }
    if (keys.size() < 2 * values.size())
        throw std::invalid_argument("sorting scores: key space smaller than twice the scores");
    RadixSort(values, keys);
}

MeanTestStatus SortGroups(const ThreeGroups& groups, MeanTestScratch& scratch,
                          SortedGroups& sorted) {
    std::size_t count = 0;
    for (const std::span<const double> scores : groups) count += scores.size();
    const std::span<double> room = scratch.values();
    if (room.size() < count)
        throw std::invalid_argument("sorting scores: scratch space smaller than the scores");
    std::size_t offset = 0;
    for (int g = 0; g < kGroups; ++g) {
        const std::span<double> part = room.subspan(offset, groups[g].size());
        offset += groups[g].size();
        for (const double x : groups[g])
            if (std::isnan(x)) return MeanTestStatus::NotFinite;
        std::copy(groups[g].begin(), groups[g].end(), part.begin());
        SortAscending(part, scratch.keys());
        sorted.groups[g] = part;
    }
    return MeanTestStatus::Computed;
}

}  // namespace velmor
