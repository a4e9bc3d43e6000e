#pragma once
// A double sum with the rounding of an extended-precision sum that is then
// stored: Stored(Ext(a) + b). Running sums in the replication's statistics
// need that rounding bit for bit, but an x87 round trip per term puts a store
// and a reload on the sum's dependency chain; this form waits on one double
// addition per term and goes through extended only when it must.

#include <bit>
#include <cmath>
#include <cstdint>

namespace velmor {

// The exact sum a + b rounded to extended, then to double. That equals the
// double sum s unless the first rounding moves the exact sum onto or across a
// midpoint next to s. Knuth's two-sum gives the exact error e = (a + b) - s.
// When s is not a power of two both midpoints next to it lie half a unit h
// from s and the exact sum lies in s's binade, where extended numbers are
// h * 2^-10 apart. So s is the answer when
//   |e| <= h - h * 2^-10: the extended rounding moves the sum by at most
//        h * 2^-11 and leaves it strictly nearer s than either midpoint, or
//        it is exact there (e a multiple of h * 2^-10);
//   |e| == h: the exact sum is a midpoint, held exactly in extended, and both
//        routes break the tie to the even neighbour;
//   e == 0: the sum is exact.
// Everything else (a few sums in ten thousand when the terms' magnitudes lie
// far apart, none when they are within 2^11 of each other; powers of two,
// tiny sums, overflow) is formed in extended as written. With an overflow the
// two-sum adds an invalid-operation flag to the overflow flag, which is
// reported first.
inline double AddStored(double a, double b) {
    const double sum = a + b;
    const double bPart = sum - a;
    const double error = (a - (sum - bPart)) + (b - bPart);
    constexpr std::uint64_t kExponentMask = 0x7FF0000000000000ULL;
    constexpr std::uint64_t kFractionMask = 0x000FFFFFFFFFFFFFULL;
    constexpr std::uint64_t kHalfUnitShift = std::uint64_t{53} << 52;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(sum);
    const std::uint64_t exponent = bits & kExponentMask;
    // 2^(E - 53) for a sum in [2^E, 2^(E+1)): half a unit in its last place.
    const double halfUnit = std::bit_cast<double>(exponent - kHalfUnitShift);
    const double magnitude = std::fabs(error);
    // Combined without short cuts: whether the first test passes depends on
    // the data (exact midpoints are common), and a branch on it would be
    // mispredicted on the sum's dependency chain; only the rare fallback
    // remains a branch.
    const bool clearOfMidpoints =
        static_cast<bool>(((bits & kFractionMask) != 0) & (exponent > kHalfUnitShift) &
                          ((magnitude <= halfUnit * (1.0 - 0x1p-10)) | (magnitude == halfUnit)));
    if (clearOfMidpoints | (error == 0.0)) [[likely]]
        return sum;
    return static_cast<double>(static_cast<long double>(a) + b);
}

}  // namespace velmor
