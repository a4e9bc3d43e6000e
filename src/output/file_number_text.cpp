#include "output/file_number_text.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace velmor {

namespace {

constexpr int kSignificantDigits = 18;

std::string PadLeft(std::string text, int width) {
    if (width > 0 && text.size() < static_cast<std::size_t>(width))
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

// Adds one unit in the last place of a string of decimal digits.
void IncrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

}  // namespace

std::string FixedText(double value, int width, int decimals) {
    decimals = std::max(decimals, 0);
    if (std::isnan(value)) return PadLeft("NaN", width);
    if (std::isinf(value)) return PadLeft(value < 0 ? "-Inf" : "Inf", width);

    // The magnitude as 18 significant digits. to_chars works on the exact
    // binary value and rounds ties to even, so "d.ddddddddddddddddde+x" holds
    // exactly the 18-digit expansion the halves-away rounding below starts
    // from. A value like 1.0005 (stored as 1.000499999999999989...) becomes
    // 1.00050000000000000 here and therefore rounds up at three decimals.
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                         std::chars_format::scientific, kSignificantDigits - 1);
    (void)ec;  // 64 characters always suffice for 18 digits and an exponent
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    std::string digits;
    digits.reserve(kSignificantDigits);
    digits += text[0];
    digits.append(text.substr(2, kSignificantDigits - 1));
    const std::size_t e = text.find('e');
    int exponent = 0;  // the first digit stands for 10^exponent
    const char* expBegin = text.data() + e + 1;
    if (*expBegin == '+') ++expBegin;
    std::from_chars(expBegin, text.data() + text.size(), exponent);

    // Digit i stands for 10^(exponent - i); the kept ones are those at or
    // above 10^-decimals. `scaled` ends up as the result times 10^decimals.
    const long keep = static_cast<long>(exponent) + decimals + 1;
    std::string scaled;
    if (keep >= kSignificantDigits) {
        scaled = digits;
        scaled.append(static_cast<std::size_t>(keep - kSignificantDigits), '0');
    } else if (keep >= 0) {
        scaled = digits.substr(0, static_cast<std::size_t>(keep));
        if (digits[static_cast<std::size_t>(keep)] >= '5') IncrementDigits(scaled);
    }
    // keep < 0: the first dropped digit is a leading zero, the result is 0.
    const std::size_t firstNonZero = scaled.find_first_not_of('0');
    scaled.erase(0, std::min(firstNonZero, scaled.size()));
    if (scaled.size() < static_cast<std::size_t>(decimals) + 1)
        scaled.insert(0, static_cast<std::size_t>(decimals) + 1 - scaled.size(), '0');

    std::string result;
    result.reserve(scaled.size() + 2);
    if (value < 0) result += '-';
    result.append(scaled, 0, scaled.size() - static_cast<std::size_t>(decimals));
    if (decimals > 0) {
        result += '.';
        result.append(scaled, scaled.size() - static_cast<std::size_t>(decimals));
    }
    return PadLeft(std::move(result), width);
}

std::string IntText(std::int64_t value, int width) {
    return PadLeft(std::to_string(value), width);
}

}  // namespace velmor
