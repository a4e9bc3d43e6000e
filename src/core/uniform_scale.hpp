#pragma once
// A shuffle output of the uniform generator scaled into (0, 1).

#include <cstdint>
#include <limits>

namespace velmor {

// The uniform scale and the clamp are 80-bit constants; a narrower long double
// would change every stream.
static_assert(std::numeric_limits<long double>::digits == 64,
              "the random streams need 80-bit extended precision");

// 1/2147483563 rounded to extended precision: significand 0x8000005500003872,
// binary exponent -31.
inline constexpr long double kUniformScale = 1.0L / 2147483563.0L;
static_assert(static_cast<std::uint64_t>(kUniformScale * 0x1p94L) == 0x8000005500003872ULL,
              "uniform scale must be 1/2147483563 rounded to 64 significant bits");
// Raw values at or above this (compared in extended) return kUniformCeiling.
inline constexpr long double kUniformClamp = 0.99999988L;
// The double nearest to 0.99999988 (bit pattern 0x3FEFFFFFBF935359).
inline constexpr double kUniformCeiling = 0.99999988;

// A shuffle output (1..2147483562) scaled into (0, 1): output * 1/2147483563
// in extended, rounded to double, or kUniformCeiling when the extended
// product is not below kUniformClamp.
inline double ScaledOutput(std::int32_t shuffleOutput) {
    const long double r = static_cast<long double>(shuffleOutput) * kUniformScale;
    return r < kUniformClamp ? static_cast<double>(r) : kUniformCeiling;
}

}  // namespace velmor
