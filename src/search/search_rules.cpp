#include "search/search_rules.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/extended.hpp"

namespace velmor {

namespace {

// The total-size columns of the band table: S > 1000, 400 < S <= 1000,
// 100 < S <= 400, S <= 100.
int SizeColumn(std::int32_t totalSize) {
    if (totalSize > 1000) return 0;
    if (totalSize > 400) return 1;
    if (totalSize > 100) return 2;
    return 3;
}

struct BandCell {
    std::int32_t divisor;
    std::int32_t step;
};

constexpr BandCell kBandTable[4][4] = {
    {{50, 20}, {10, 4}, {5, 2}, {2, 1}},  // far
    {{30, 20}, {6, 3}, {3, 2}, {2, 1}},   // middle
    {{20, 10}, {3, 2}, {2, 1}, {1, 1}},   // near
    {{1, 1}, {1, 1}, {1, 1}, {1, 1}},     // closest
};

}  // namespace

SizeRatios RatiosOf(const GroupSizes& sizes) {
    const long double group1 = sizes[0];
    return {sizes[1] / group1, sizes[2] / group1};
}

GroupSizes SizesForGroup1(std::int32_t group1, const SizeRatios& ratios) {
    const long double mid = group1;
    return {group1, static_cast<std::int32_t>(RoundHalfEven(mid * ratios.group2)),
            static_cast<std::int32_t>(RoundHalfEven(mid * ratios.group3))};
}

std::int32_t LargestFittingGroup1(const SizeRatios& ratios) {
    constexpr std::int32_t kLargest = 2000;
    for (std::int32_t group1 = kLargest; group1 > 2; --group1) {
        const GroupSizes sizes = SizesForGroup1(group1, ratios);
        if (sizes[1] <= kLargest && sizes[2] <= kLargest) return group1;
    }
    return 2;
}

bool KeepsAllocation(const GroupSizes& run, const SizeRatios& ratios) {
    GroupSizes wanted = SizesForGroup1(run[0], ratios);
    // A size written below 2 runs as 2 by the window's own rule; only a
    // size the allocation asks above 2 and got otherwise is a loss.
    for (std::int32_t& size : wanted) size = std::max<std::int32_t>(size, 2);
    return wanted == run;
}

std::int32_t BisectionSamples(std::int32_t totalSize) {
    if (totalSize > 1000) return 100;
    if (totalSize > 400) return 200;
    return 500;
}

std::int64_t TruncatedMultiple(std::int32_t scale, double value) {
    return static_cast<std::int64_t>(static_cast<long double>(scale) * value);
}

bool HasTargetHundredths(double proportion, double targetPower) {
    return TruncatedMultiple(100, proportion) == TruncatedMultiple(100, targetPower);
}

Band ChooseBand(double proportion, double targetPower) {
    // Both differences in extended against extended constants, strictly.
    const long double below = static_cast<long double>(targetPower) - proportion;
    const long double above = static_cast<long double>(proportion) - targetPower;
    if (below > 0.01L || above > 0.02L) return Band::Far;
    if (below > 0.005L || above > 0.01L) return Band::Middle;
    if (below > 0.001L || above > 0.005L) return Band::Near;
    return Band::Closest;
}

RefinementStep ChooseRefinementStep(double proportion, double targetPower, std::int32_t totalSize,
                                    std::int32_t count) {
    const BandCell cell =
        kBandTable[static_cast<int>(ChooseBand(proportion, targetPower))][SizeColumn(totalSize)];
    return {std::max<std::int32_t>(1, count / cell.divisor), cell.step};
}

std::int32_t FirstRefinementSamples(std::int32_t count) {
    return std::max<std::int32_t>(1, count / 10);
}

bool RefinementReachedTarget(double proportion, double targetPower, std::int32_t totalSize) {
    if (totalSize > 200) {
        const std::int64_t p = TruncatedMultiple(1000, proportion);
        const std::int64_t t = TruncatedMultiple(1000, targetPower);
        return p >= t && p - t < 6;
    }
    return HasTargetHundredths(proportion, targetPower);
}

GroupSizes MoveSizes(const GroupSizes& sizes, bool aboveTarget, std::int32_t step) {
    GroupSizes moved = sizes;
    for (std::int32_t& size : moved) {
        if (aboveTarget) {
            size -= step;
            if (size < 2) size = 1;
        } else {
            size += step;
        }
    }
    return moved;
}

GroupSizes MoveAllocation(std::int32_t group1, const SizeRatios& ratios, bool aboveTarget,
                          std::int32_t step) {
    const std::int32_t moved = MoveSizes({group1, group1, group1}, aboveTarget, step)[0];
    GroupSizes sizes = SizesForGroup1(moved, ratios);
    for (std::int32_t& size : sizes)
        if (size < 2) size = 1;
    return sizes;
}

void TrialHistory::push(std::int32_t size) {
    std::copy_backward(entries_.begin(), entries_.end() - 1, entries_.end());
    entries_[0] = size;
}

bool TrialHistory::repeats(std::int32_t size) const {
    return size == entries_[1] && size == entries_[3] && size == entries_[5];
}

std::optional<std::int32_t> ReadIterationCount(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    // from_chars takes a minus but not a plus.
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    std::int64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace velmor
