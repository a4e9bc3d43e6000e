#include "output/file_number_text.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velmor {
namespace {

TEST(FixedText, PadsToWidthAndNeverCuts) {
    EXPECT_EQ(FixedText(100.0, 8, 3), " 100.000");
    EXPECT_EQ(FixedText(12345.678, 8, 3), "12345.678");
    EXPECT_EQ(FixedText(-12345.678, 8, 3), "-12345.678");
    EXPECT_EQ(FixedText(0.05, 4, 3), "0.050");
    EXPECT_EQ(FixedText(0.052, 17, 4), "           0.0520");
    EXPECT_EQ(FixedText(7.0, 3, 3), "7.000");
    EXPECT_EQ(FixedText(-0.5, 3, 3), "-0.500");
    EXPECT_EQ(FixedText(1.5, 0, 0), "2");
    EXPECT_EQ(FixedText(0.0, 5, 5), "0.00000");
    EXPECT_EQ(FixedText(1e20, 0, 1), "100000000000000000000.0");
}

TEST(FixedText, RoundsHalvesAwayFromZero) {
    // Exact binary halves.
    EXPECT_EQ(FixedText(10.0625, 0, 3), "10.063");
    EXPECT_EQ(FixedText(-10.0625, 0, 3), "-10.063");
    EXPECT_EQ(FixedText(2.5, 0, 0), "3");
    EXPECT_EQ(FixedText(-2.5, 0, 0), "-3");
    EXPECT_EQ(FixedText(0.125, 0, 2), "0.13");
    // Carries run through every digit.
    EXPECT_EQ(FixedText(999.9999, 0, 3), "1000.000");
    EXPECT_EQ(FixedText(99.5, 0, 0), "100");
    EXPECT_EQ(FixedText(9.96, 0, 1), "10.0");
    // Below the half: down, whatever the digits further on.
    EXPECT_EQ(FixedText(0.12349, 0, 4), "0.1235");
    EXPECT_EQ(FixedText(0.123449, 0, 4), "0.1234");
}

TEST(FixedText, RoundsFromEighteenSignificantDigits) {
    // 0.1245 is stored as 0.12449999999999999956; at 18 digits it reads
    // 0.124500000000000000, a half, which goes up. Rounding the stored
    // binary value directly would give 0.124.
    EXPECT_EQ(FixedText(0.1245, 0, 3), "0.125");
    EXPECT_EQ(FixedText(1.0585, 0, 3), "1.059");  // 1.05849999999999999645
    EXPECT_EQ(FixedText(0.0195, 0, 3), "0.020");  // 0.0194999999999999999722
    // 99.9995 is 99.99949999999999761; its 18 digits still lie below the half.
    EXPECT_EQ(FixedText(99.9995, 0, 3), "99.999");
    // The 18th digit itself rounds ties to even: 2^-26 = 1.490116119384765625e-8
    // has a 19th digit 5 after an even 18th, 3 * 2^-26 after an odd one.
    // At 25 decimals exactly those 18 digits are kept.
    EXPECT_EQ(FixedText(std::ldexp(1.0, -26), 0, 25), "0.0000000149011611938476562");
    EXPECT_EQ(FixedText(3.0 * std::ldexp(1.0, -26), 0, 25), "0.0000000447034835815429688");
}

TEST(FixedText, SmallMagnitudes) {
    EXPECT_EQ(FixedText(0.0005, 0, 3), "0.001");  // stored a little above the half
    EXPECT_EQ(FixedText(0.00049, 0, 3), "0.000");
    EXPECT_EQ(FixedText(0.000951, 0, 3), "0.001");  // first dropped digit is the leading one
    EXPECT_EQ(FixedText(4e-300, 8, 3), "   0.000");
    EXPECT_EQ(FixedText(std::numeric_limits<double>::denorm_min(), 0, 2), "0.00");
    // The sign stays with a negative value that rounds to zero.
    EXPECT_EQ(FixedText(-0.0001, 8, 3), "  -0.000");
    EXPECT_EQ(FixedText(-0.0, 0, 1), "0.0");
}

TEST(FixedText, NonFiniteValuesAreWrittenNotFailed) {
    EXPECT_EQ(FixedText(std::numeric_limits<double>::quiet_NaN(), 8, 3), "     NaN");
    EXPECT_EQ(FixedText(std::numeric_limits<double>::infinity(), 5, 3), "  Inf");
    EXPECT_EQ(FixedText(-std::numeric_limits<double>::infinity(), 0, 3), "-Inf");
}

TEST(IntText, PadsLeftAndNeverCuts) {
    EXPECT_EQ(IntText(16, 4), "  16");
    EXPECT_EQ(IntText(2000, 4), "2000");
    EXPECT_EQ(IntText(123456, 4), "123456");
    EXPECT_EQ(IntText(520, 9), "      520");
    EXPECT_EQ(IntText(-7, 4), "  -7");
    EXPECT_EQ(IntText(0, 17), "                0");
    EXPECT_EQ(IntText(std::numeric_limits<std::int64_t>::min(), 0), "-9223372036854775808");
}

}  // namespace
}  // namespace velmor
