// The shuffle slot is defined by the real divisor 67108862.3125 =
// 1073741797 / 16; the generator takes it by exact integer division. Every
// shuffle output the generator can hold is checked, so the two forms are
// proven to select the same slot, not merely sampled.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "core/random.hpp"

namespace velmor {
namespace {

constexpr std::int32_t kLargestOutput = 2147483562;

// trunc(s / 67108862.3125 + 1.0) in double precision, the defining form.
int FloatingSlot(std::int32_t s) {
    return static_cast<int>(std::trunc(static_cast<double>(s) / 67108862.3125 + 1.0));
}

TEST(ShuffleSlotExhaustive, IntegerFormEqualsTheRealDivisorForEveryOutput) {
    // Counted rather than asserted per value so the loop stays tight; the
    // first mismatch is kept for the message.
    std::int64_t mismatches = 0;
    std::int32_t first = 0;
    for (std::int32_t s = 1; s <= kLargestOutput; ++s) {
        const int integer = RandomGenerators::ShuffleSlot(s);
        const int floating = FloatingSlot(s);
        if (integer != floating) [[unlikely]] {
            if (mismatches++ == 0) first = s;
        }
    }
    EXPECT_EQ(mismatches, 0) << "first at shuffle output " << first;
}

}  // namespace
}  // namespace velmor
