// The number grammar of every input field: what reads, what does not.
#include "run/number_reading.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

using namespace velmor;

namespace {

std::uint64_t Bits(double x) {
    return std::bit_cast<std::uint64_t>(x);
}

void ExpectReads(const std::string& text, double expected) {
    const std::optional<double> value = ReadNumber(text);
    ASSERT_TRUE(value.has_value()) << '"' << text << '"';
    EXPECT_EQ(Bits(*value), Bits(expected)) << '"' << text << '"';
}

TEST(ReadNumber, AcceptsTheForms) {
    ExpectReads("5", 5.0);
    ExpectReads(".05", 0.05);
    ExpectReads("5.", 5.0);
    ExpectReads("-5", -5.0);
    ExpectReads("+5", 5.0);
    ExpectReads("1e4", 10000.0);
    ExpectReads("1E4", 10000.0);
    ExpectReads("2.5e-3", 0.0025);
    ExpectReads("2.5E+3", 2500.0);
    ExpectReads("5.e3", 5000.0);
    ExpectReads(".5e1", 5.0);
    ExpectReads("007", 7.0);
    ExpectReads("0.0001", 0.0001);
    ExpectReads("99999999999", 99999999999.0);
    ExpectReads("-2147483648", -2147483648.0);
}

TEST(ReadNumber, RoundsToTheNearestDouble) {
    // Same bits as the compiler's own reading of the literal.
    ExpectReads("0.1", 0.1);
    ExpectReads("1432449975", 1432449975.0);
    ExpectReads("1.7976931348623157e308", 1.7976931348623157e308);
    ExpectReads("4.9406564584124654e-324", 4.9406564584124654e-324);
    ExpectReads("0.30000000000000004", 0.30000000000000004);
}

TEST(ReadNumber, AllowsBlanksAround) {
    ExpectReads("  12.5", 12.5);
    ExpectReads("12.5  ", 12.5);
    ExpectReads("\t-3\t ", -3.0);
}

TEST(ReadNumber, ZeroKeepsItsSign) {
    ExpectReads("0", 0.0);
    ExpectReads("-0", -0.0);
    ExpectReads("-0.000e5", -0.0);
    ExpectReads("0e99999999999999999999", 0.0);
}

TEST(ReadNumber, UnderflowReadsAsZero) {
    ExpectReads("1e-400", 0.0);
    ExpectReads("-1e-400", -0.0);
    ExpectReads("2.4e-324", 0.0);
    ExpectReads("1e-99999999999999999999", 0.0);
    ExpectReads("0.0000000000000000000000000000000000001e-300", 0.0);
}

TEST(ReadNumber, RefusesWhatIsNotANumber) {
    for (const char* text :
         {"",
          " ",
          "-",
          "+",
          ".",
          "-.",
          "e5",
          ".e5",
          "5e",
          "5e+",
          "5e-",
          "1..2",
          "1.2.3",
          "--5",
          "+-5",
          "5-",
          "1 000",
          "1. 5",
          "1e 5",
          "- 5",
          "abc",
          "5x",
          "x5",
          "1,5",
          "inf",
          "-inf",
          "INF",
          "Infinity",
          "nan",
          "NaN",
          "-nan",
          "0x10",
          "0x1p3",
          "1e999",
          "-1e999",
          "1.8e308",
          "1e99999999999999999999",
          "1000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
          "000000000"
          "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
          "000000000"
          "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
          "000000000"
          "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000",
          "\n5",
          "5\r"}) {
        EXPECT_FALSE(ReadNumber(text).has_value()) << '"' << text << '"';
    }
}

TEST(ReadNumber, RefusesEmbeddedNul) {
    EXPECT_FALSE(ReadNumber(std::string("5\0", 2)).has_value());
}

}  // namespace
