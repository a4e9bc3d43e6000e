#pragma once
// The arithmetic of the sample-size search, free of any window: how the other
// groups follow group 1, how many samples a trial gets, when a trial is close
// enough, and when the search is going round in circles.
//
// Every product of a stored double and an integer is formed in 80-bit extended
// precision and only then truncated or rounded: the decisions below sit right
// on hundredths and thousandths, where a double product can land one unit low.

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace velmor {

static_assert(std::numeric_limits<long double>::digits == 64,
              "the search's decisions need 80-bit extended precision");

// Three group sizes, group 1 first.
using GroupSizes = std::array<std::int32_t, 3>;

// How group sizes 2 and 3 follow group 1: their sizes divided by group 1's.
struct SizeRatios {
    long double group2 = 1.0L;
    long double group3 = 1.0L;
};

// The ratios of the sizes of a run. Group 1's size must be at least 1.
SizeRatios RatiosOf(const GroupSizes& sizes);

// Group 1 at `group1`, groups 2 and 3 at group1 x ratio rounded to the nearest
// integer, a half going to the even neighbour (10.5 -> 10, 11.5 -> 12).
GroupSizes SizesForGroup1(std::int32_t group1, const SizeRatios& ratios);

// The largest group-1 size, at most 2000, whose allocation by `ratios` keeps
// every group at 2000 or below; 2 when even group 1 at 2 does not fit. Equal
// groups give 2000. The bisection searches no higher, so that it never judges
// sizes the run has cut.
std::int32_t LargestFittingGroup1(const SizeRatios& ratios);

// Whether `run` (the sizes a run used, 2..2000) are the allocation by
// `ratios` at its group-1 size: false when the run lifted a size to 2 or
// cut one at 2000.
bool KeepsAllocation(const GroupSizes& run, const SizeRatios& ratios);

// Samples of a bisection trial: cheap while the groups are large.
std::int32_t BisectionSamples(std::int32_t totalSize);

// trunc(scale x value) formed in extended precision.
std::int64_t TruncatedMultiple(std::int32_t scale, double value);

// The bisection's early exit: the proportion has the target's hundredths.
bool HasTargetHundredths(double proportion, double targetPower);

// How far a refinement trial's proportion lies from the target. The bands are
// lopsided on purpose: a proportion below the target is counted as close
// sooner than one above it, so the search settles on sizes that reach the
// power rather than just miss it.
enum class Band { Far, Middle, Near, Closest };
Band ChooseBand(double proportion, double targetPower);

// What the next refinement trial runs: its number of samples and by how much
// all three sizes move.
struct RefinementStep {
    std::int32_t samples = 0;
    std::int32_t step = 0;
};

// The band table: the band picks the row, the total size of the last run the
// column; `count` is the user's iteration count. The samples are at least 1,
// so a small count divided by a large divisor still makes a trial.
RefinementStep ChooseRefinementStep(double proportion, double targetPower, std::int32_t totalSize,
                                    std::int32_t count);

// The first refinement trial: a tenth of the count, at least 1 sample.
std::int32_t FirstRefinementSamples(std::int32_t count);

// The refinement's stop test on a trial that completed replications. Above
// 200 cases in all it asks for the target's thousandths or up to five
// thousandths more; for small studies the hundredths are enough.
bool RefinementReachedTarget(double proportion, double targetPower, std::int32_t totalSize);

// Moves the sizes by one refinement step: down when the proportion is above
// the target (a size falling below 2 is written as 1, which the run takes as
// 2), up otherwise. No upper limit here; the run cuts sizes above 2000.
GroupSizes MoveSizes(const GroupSizes& sizes, bool aboveTarget, std::int32_t step);

// Moves group 1 by one refinement step as MoveSizes does, and groups 2 and 3
// with it by their ratios (a size below 2 is written as 1). With equal groups
// this is MoveSizes; with unequal ones the allocation is kept rather than
// drifting by equal steps.
GroupSizes MoveAllocation(std::int32_t group1, const SizeRatios& ratios, bool aboveTarget,
                          std::int32_t step);

// What decides a trial's outcome: the sizes written, the samples and the seed
// its numbers are drawn from. A refinement trial whose key has been seen
// before draws the same numbers at the same sizes and leads where that one
// led: the search would go round that circle for ever.
struct TrialKey {
    GroupSizes sizes{};
    std::int32_t samples = 0;
    std::int32_t seed = 0;
    bool operator==(const TrialKey&) const = default;
};

// The group-1 sizes of the last six trials of a phase, newest first. Sizes
// are at least 1, so an empty slot (0) never matches one.
class TrialHistory {
  public:
    void clear() { entries_.fill(0); }
    void push(std::int32_t size);
    // True when `size` equals the entries two, four and six trials back: the
    // phase keeps alternating between the same sizes (or stands still).
    bool repeats(std::int32_t size) const;
    const std::array<std::int32_t, 6>& entries() const { return entries_; }

  private:
    std::array<std::int32_t, 6> entries_{};
};

// The search's reading of the dialog's iteration count: an optional sign and
// decimal digits, blanks allowed around them, within the 32-bit range.
std::optional<std::int32_t> ReadIterationCount(std::string_view text);

}  // namespace velmor
