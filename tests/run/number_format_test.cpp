// The on-screen number texts: fixed with precision and decimals, general,
// and the bound format of the minimum and maximum fields.
#include "run/number_format.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace velmor;

namespace {

struct BoundRow {
    double value;
    const char* text;
};

TEST(FormatBound, GivesTheTableTexts) {
    const BoundRow rows[] = {
        {-1.7320508, "-1.73"},   {1.0000431, "1.00"}, {-0.0000431, "0.00"}, {-0.0043068, "0.00"},
        {100.0043068, "100.00"}, {2.9964479, "3.00"}, {0.012345, "0.01"},   {1.125, "1.13"},
        {999.6, "1E3"},          {1300.0, "1.3E3"},   {1000.0, "1E3"},      {-1234.5, "-1.23E3"},
    };
    for (const BoundRow& row : rows) EXPECT_EQ(FormatBound(row.value), row.text) << row.value;
}

TEST(FormatBound, RoundsTheExactValueOfTheDouble) {
    // 1.005 is stored as 1.00499999999999989..., so it rounds down; 1.125 and
    // 0.375 are exact halves and round away from zero.
    EXPECT_EQ(FormatBound(1.005), "1.00");
    EXPECT_EQ(FormatBound(0.375), "0.38");
    EXPECT_EQ(FormatBound(-0.375), "-0.38");
    EXPECT_EQ(FormatBound(-1.125), "-1.13");
    // 2.675 is stored just below the half.
    EXPECT_EQ(FormatBound(2.675), "2.67");
    // Only the first dropped digit decides: 0.0149999 does not become 0.015 first.
    EXPECT_EQ(FormatBound(0.0149999999), "0.01");
    EXPECT_EQ(FormatBound(0.005), "0.01");  // 0.005000000000000000104...
    EXPECT_EQ(FormatBound(0.0049999), "0.00");
}

TEST(FormatBound, SignificantDigitsLimitLargerValues) {
    EXPECT_EQ(FormatBound(12.345), "12.30");  // three significant digits: 12.3
    EXPECT_EQ(FormatBound(123.456), "123.00");
    EXPECT_EQ(FormatBound(99.96), "100.00");
    EXPECT_EQ(FormatBound(99.94), "99.90");
    EXPECT_EQ(FormatBound(9.995), "9.99");  // 9.9949999999999992...
    EXPECT_EQ(FormatBound(9.9951), "10.00");
    EXPECT_EQ(FormatBound(-999.4), "-999.00");
    EXPECT_EQ(FormatBound(-999.5), "-1E3");
}

TEST(FormatBound, ScientificFormDropsTrailingZeros) {
    EXPECT_EQ(FormatBound(1234.5), "1.23E3");
    EXPECT_EQ(FormatBound(1010.0), "1.01E3");
    EXPECT_EQ(FormatBound(1.5e20), "1.5E20");
    EXPECT_EQ(FormatBound(-2e300), "-2E300");
    EXPECT_EQ(FormatBound(std::numeric_limits<double>::max()), "1.8E308");
}

TEST(FormatBound, ZeroHasNoSign) {
    EXPECT_EQ(FormatBound(0.0), "0.00");
    EXPECT_EQ(FormatBound(-0.0), "0.00");
    EXPECT_EQ(FormatBound(-0.004999), "0.00");
    EXPECT_EQ(FormatBound(std::numeric_limits<double>::denorm_min()), "0.00");
    EXPECT_EQ(FormatBound(-std::numeric_limits<double>::denorm_min()), "0.00");
}

TEST(FormatFixed, KeepsTrailingZerosToTheDecimals) {
    EXPECT_EQ(FormatFixed(0.0512, 6, 5), "0.05120");
    EXPECT_EQ(FormatFixed(1234.56789, 6, 4), "1234.5700");
    EXPECT_EQ(FormatFixed(0.05, 6, 4), "0.0500");
    EXPECT_EQ(FormatFixed(1.0, 6, 4), "1.0000");
    EXPECT_EQ(FormatFixed(0.0, 6, 5), "0.00000");
    EXPECT_EQ(FormatFixed(-0.0, 6, 4), "0.0000");
}

TEST(FormatFixed, DecimalsLimitSmallValues) {
    EXPECT_EQ(FormatFixed(0.123456789, 6, 4), "0.1235");
    EXPECT_EQ(FormatFixed(0.00004999, 6, 4), "0.0000");
    EXPECT_EQ(FormatFixed(-0.00005, 6, 4), "-0.0001");  // 5.00000000000000023960868e-05
    EXPECT_EQ(FormatFixed(0.99995, 6, 4), "1.0000");    // 0.99995000000000000551...
    EXPECT_EQ(FormatFixed(0.054999, 3, 1), "0.1");
    EXPECT_EQ(FormatFixed(12.34, 3, 1), "12.3");
}

TEST(FormatFixed, ZeroDecimalsHaveNoPoint) {
    EXPECT_EQ(FormatFixed(2.5, 6, 0), "3");
    EXPECT_EQ(FormatFixed(-2.5, 6, 0), "-3");
    EXPECT_EQ(FormatFixed(0.4, 6, 0), "0");
}

TEST(FormatFixed, ScientificWhenTheIntegerPartOutgrowsThePrecision) {
    EXPECT_EQ(FormatFixed(999999.4, 6, 4), "999999.0000");
    EXPECT_EQ(FormatFixed(999999.5, 6, 4), "1E6");
    EXPECT_EQ(FormatFixed(1234567.0, 6, 4), "1.23457E6");
    EXPECT_EQ(FormatFixed(-1234567.0, 6, 2), "-1.23457E6");
}

TEST(FormatFixed, NonFiniteValuesHaveAText) {
    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::infinity(), 6, 4), "INF");
    EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::infinity(), 6, 4), "-INF");
    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::quiet_NaN(), 6, 4), "NAN");
}

TEST(FormatGeneral, ShortestTextUpToFifteenDigits) {
    EXPECT_EQ(FormatGeneral(0.05 * 1.1), "0.055");
    EXPECT_EQ(FormatGeneral(0.05 * 1.25), "0.0625");
    EXPECT_EQ(FormatGeneral(0.05 * 0.9), "0.045");
    EXPECT_EQ(FormatGeneral(0.05), "0.05");
    EXPECT_EQ(FormatGeneral(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatGeneral(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(FormatGeneral(2.0 / 3.0), "0.666666666666667");
    EXPECT_EQ(FormatGeneral(100.0), "100");
    EXPECT_EQ(FormatGeneral(-12.5), "-12.5");
    EXPECT_EQ(FormatGeneral(0.0), "0");
    EXPECT_EQ(FormatGeneral(-0.0), "0");
    EXPECT_EQ(FormatGeneral(123456789012345.0), "123456789012345");
}

TEST(FormatGeneral, ScientificOutsideTheFixedRange) {
    EXPECT_EQ(FormatGeneral(0.0001 * 0.75), "7.5E-5");
    EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
    EXPECT_EQ(FormatGeneral(0.00009999), "9.999E-5");
    EXPECT_EQ(FormatGeneral(-0.00001), "-1E-5");
    EXPECT_EQ(FormatGeneral(1234567890123456.0), "1.23456789012346E15");
    EXPECT_EQ(FormatGeneral(1e15), "1E15");
    EXPECT_EQ(FormatGeneral(1.5e20), "1.5E20");
    EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::denorm_min()), "4.94065645841247E-324");
}

TEST(FormatGeneral, DecidesOnTheRoundedValue) {
    // 9.99999999999999912e-5 and 999999999999999.875 round to 0.0001 and 1E15.
    EXPECT_EQ(FormatGeneral(std::nextafter(0.0001, 0.0)), "0.0001");
    EXPECT_EQ(FormatGeneral(999999999999999.9), "1E15");
}

TEST(FormatGeneral, ExactHalvesRoundAwayFromZero) {
    // Both are exact integers whose sixteenth digit is a 5.
    EXPECT_EQ(FormatGeneral(1234567890123445.0), "1.23456789012345E15");
    EXPECT_EQ(FormatGeneral(-1234567890123445.0), "-1.23456789012345E15");
}

}  // namespace
