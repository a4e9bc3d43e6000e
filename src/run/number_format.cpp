#include "run/number_format.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace velmor {

namespace {

// A double has at most 767 significant decimal digits in its exact expansion
// (the smallest subnormal has 751 after its leading zeros, the largest
// near-subnormals a few more), so to_chars in scientific notation with 766
// digits after the first writes every double exactly, padded with zeros.
// Reading the digits from there, rather than from a shorter correctly rounded
// text, avoids rounding twice: 1.125 rounds to 1.13 because it is exactly
// 1.125, and 0.0149999... never turns into 0.015 before its own rounding.
constexpr int kExactDigits = 767;

// A non-negative decimal value digits[0].digits[1]... times 10^exponent.
// An empty digit string is zero.
struct Decimal {
    std::string digits;
    int exponent = 0;
    bool negative = false;
};

Decimal ExactDecimal(double x) {
    Decimal d;
    d.negative = std::signbit(x);
    if (x == 0.0) return d;
    std::array<char, kExactDigits + 16> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(x),
                                      std::chars_format::scientific, kExactDigits - 1);
    // "d.ddd...e+XX" or "d.ddd...e-XXX"
    char* e = std::find(buffer.data(), result.ptr, 'e');
    d.digits.reserve(kExactDigits);
    d.digits.push_back(buffer[0]);
    d.digits.append(buffer.data() + 2, e);
    std::from_chars(e + (e[1] == '+' ? 2 : 1), result.ptr, d.exponent);
    return d;
}

// Keeps the digits down to the place 10^lowestPlace: the first dropped digit
// decides, 5 or more rounding the magnitude up. The result has no trailing
// zeros, so an empty digit string means the value rounded to zero.
void RoundAtPlace(Decimal& d, int lowestPlace) {
    if (d.digits.empty()) return;
    const int keep = d.exponent - lowestPlace + 1;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    if (keep < static_cast<int>(d.digits.size())) {
        const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
        d.digits.resize(static_cast<std::size_t>(keep));
        if (up) {
            int i = keep - 1;
            while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
                d.digits[static_cast<std::size_t>(i)] = '0';
                --i;
            }
            if (i >= 0) {
                ++d.digits[static_cast<std::size_t>(i)];
            } else {
                // All nines (or nothing kept): the carry opens a new leading place.
                d.digits.insert(d.digits.begin(), '1');
                ++d.exponent;
            }
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
}

// The digit at place 10^place of a rounded value.
char DigitAt(const Decimal& d, int place) {
    const int index = d.exponent - place;
    if (index < 0 || index >= static_cast<int>(d.digits.size())) return '0';
    return d.digits[static_cast<std::size_t>(index)];
}

std::string Scientific(const Decimal& d) {
    std::string text = d.negative ? "-" : "";
    text += d.digits[0];
    if (d.digits.size() > 1) {
        text += '.';
        text.append(d.digits, 1);
    }
    text += 'E';
    text += std::to_string(d.exponent);
    return text;
}

// Digits from the leading place (or the units when below 1) down to the units.
std::string IntegerPart(const Decimal& d) {
    if (d.exponent < 0) return "0";
    std::string text;
    for (int place = d.exponent; place >= 0; --place) text += DigitAt(d, place);
    return text;
}

std::string NonFinite(double x) {
    if (std::isnan(x)) return "NAN";
    return x < 0 ? "-INF" : "INF";
}

}  // namespace

std::string FormatFixed(double x, int precision, int decimals) {
    if (!std::isfinite(x)) return NonFinite(x);
    precision = std::max(precision, 1);
    decimals = std::max(decimals, 0);

    Decimal d = ExactDecimal(x);
    if (!d.digits.empty()) RoundAtPlace(d, std::max(d.exponent - precision + 1, -decimals));

    if (!d.digits.empty() && d.exponent + 1 > precision) return Scientific(d);

    std::string text = (d.negative && !d.digits.empty()) ? "-" : "";
    text += d.digits.empty() ? "0" : IntegerPart(d);
    if (decimals > 0) {
        text += '.';
        for (int place = -1; place >= -decimals; --place) text += DigitAt(d, place);
    }
    return text;
}

std::string FormatGeneral(double x) {
    if (!std::isfinite(x)) return NonFinite(x);
    constexpr int kSignificant = 15;

    Decimal d = ExactDecimal(x);
    if (d.digits.empty()) return "0";
    RoundAtPlace(d, d.exponent - kSignificant + 1);

    // Judged on the rounded value, so 0.0000999999999999999 shows as 0.0001.
    if (d.exponent < -4 || d.exponent + 1 > kSignificant) return Scientific(d);

    std::string text = d.negative ? "-" : "";
    text += IntegerPart(d);
    const int lastPlace = d.exponent - static_cast<int>(d.digits.size()) + 1;
    if (lastPlace < 0) {
        text += '.';
        for (int place = -1; place >= lastPlace; --place) text += DigitAt(d, place);
    }
    return text;
}

std::string FormatBound(double x) {
    return FormatFixed(x, 3, 2);
}

std::string ShortestRoundTrip(double x) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x);
    (void)ec;  // 64 characters hold any double
    return std::string(buffer, end);
}

}  // namespace velmor
