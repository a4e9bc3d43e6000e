#pragma once
// Each group's scores in ascending order, sorted once per replication and
// shared by the tests that need order: the rank test reads ranks from the
// three sorted groups, the trimmed test its cuts and kept cases.

#include <array>
#include <cstdint>
#include <span>

#include "core/mean_test_result.hpp"

namespace velmor {

// Sorts `values` ascending. `keys` must hold 2 * values.size() words. Short
// runs go through std::sort; longer ones through a least-significant-digit
// radix sort of order-preserving integer keys, which costs a fixed number of
// passes instead of a comparison per level whose branch a random sample
// mispredicts half the time. Either way the result is the same order (and,
// since equal doubles are interchangeable, the same array), except that a
// negative zero comes back as a positive one from the radix path. No NaN may
// be among the values.
void SortAscending(std::span<double> values, std::span<std::uint64_t> keys);

// The three groups sorted into the scratch, each in its own stretch.
struct SortedGroups {
    std::array<std::span<const double>, kGroups> groups;
};

// Copies and sorts every group. NotFinite when a score is NaN (the ordering
// the rank and trimmed tests rely on does not exist then), otherwise
// Computed. Throws std::invalid_argument when the scratch cannot hold all
// three groups (a fault of the caller).
MeanTestStatus SortGroups(const ThreeGroups& groups, MeanTestScratch& scratch,
                          SortedGroups& sorted);

}  // namespace velmor
