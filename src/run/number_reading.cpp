#include "run/number_reading.hpp"

#include <charconv>
#include <cstddef>
#include <system_error>

namespace velmor {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Decimal powers beyond these are certainly outside the range of a double
// (about 4.9e-324 to 1.8e308); anything in between is left to from_chars.
constexpr long kOverflowPower = 400;
constexpr long kUnderflowPower = -400;

}  // namespace

std::optional<double> ReadNumber(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t body = i;  // from_chars takes no '+', so the sign is applied here

    // Mantissa. The position of its first non-zero digit, as a power of ten,
    // tells overflow from underflow without trusting the conversion for it.
    bool nonZero = false;
    long leadingPower = 0;
    std::size_t integerDigits = 0;
    std::size_t firstNonZero = 0;  // index among the integer digits
    while (i < text.size() && IsDigit(text[i])) {
        if (!nonZero && text[i] != '0') {
            nonZero = true;
            firstNonZero = integerDigits;
        }
        ++integerDigits;
        ++i;
    }
    if (nonZero) leadingPower = static_cast<long>(integerDigits - firstNonZero) - 1;
    std::size_t digits = integerDigits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        long fractionPlace = 0;
        while (i < text.size() && IsDigit(text[i])) {
            --fractionPlace;
            if (!nonZero && text[i] != '0') {
                nonZero = true;
                leadingPower = fractionPlace;
            }
            ++digits;
            ++i;
        }
    }
    if (digits == 0) return std::nullopt;

    // Exponent, saturated: its exact size only matters within a few hundred.
    long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        std::size_t exponentDigits = 0;
        while (i < text.size() && IsDigit(text[i])) {
            if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
            ++exponentDigits;
            ++i;
        }
        if (exponentDigits == 0) return std::nullopt;
        if (negativeExponent) exponent = -exponent;
    }
    if (i != text.size()) return std::nullopt;

    const double signedZero = negative ? -0.0 : 0.0;
    if (!nonZero) return signedZero;
    const long power = leadingPower + exponent;
    if (power > kOverflowPower) return std::nullopt;
    if (power < kUnderflowPower) return signedZero;

    double value = 0.0;
    const char* first = text.data() + body;
    const char* last = text.data() + text.size();
    const std::from_chars_result result =
        std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        if (power >= 0) return std::nullopt;
        return signedZero;
    }
    if (result.ec != std::errc{} || result.ptr != last) return std::nullopt;
    return negative ? -value : value;
}

}  // namespace velmor
