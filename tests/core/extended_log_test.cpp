// ExtendedLog must give the C library's extended logarithm bit for bit over
// the polar method's whole range (0, 1], on both sides of the library's
// branch point at |x - 1| = 0.29 and at the ends.

#include "core/extended_log.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace velmor {
namespace {

// The 80 significant bits of an extended value.
bool SameBits(long double a, long double b) {
    return std::memcmp(&a, &b, 10) == 0;
}

// Counts the values, stepping one double at a time from `from` towards
// `towards`, whose logarithms differ from the library's.
int DifferencesAlong(double from, double towards, int count) {
    int differences = 0;
    double x = from;
    for (int i = 0; i < count; ++i) {
        differences += !SameBits(ExtendedLog(x), std::log(static_cast<long double>(x)));
        x = std::nextafter(x, towards);
    }
    return differences;
}

TEST(ExtendedLog, MatchesTheLibraryAroundItsBranchPointAndAtTheEnds) {
    EXPECT_EQ(DifferencesAlong(0.71, 0.0, 300000), 0);
    EXPECT_EQ(DifferencesAlong(0.71, 1.0, 300000), 0);
    EXPECT_EQ(DifferencesAlong(1.0, 0.0, 300000), 0);
    EXPECT_EQ(DifferencesAlong(std::numeric_limits<double>::denorm_min(), 1.0, 300000), 0);
    EXPECT_EQ(DifferencesAlong(std::numeric_limits<double>::min(), 0.0, 1000), 0);
    EXPECT_TRUE(SameBits(ExtendedLog(1.0L), 0.0L));
}

TEST(ExtendedLog, MatchesTheLibraryAcrossTheUnitInterval) {
    // Doubles spread over (0, 1) by a fixed linear congruential sequence,
    // and the squared radii the polar method actually takes logarithms of.
    std::uint64_t state = 12345;
    int differences = 0;
    for (int i = 0; i < 3000000; ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const double u = static_cast<double>(state >> 11) * 0x1p-53;
        if (u == 0.0) continue;
        const double rsq = u * u;
        differences += !SameBits(ExtendedLog(u), std::log(static_cast<long double>(u)));
        differences += !SameBits(ExtendedLog(rsq), std::log(static_cast<long double>(rsq)));
    }
    EXPECT_EQ(differences, 0);
}

}  // namespace
}  // namespace velmor
