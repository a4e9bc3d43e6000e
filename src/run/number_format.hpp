#pragma once
// The number texts the window shows. Both formats round the exact decimal
// value of the double, halves away from zero, and always use a point.

#include <string>

namespace velmor {

// Rounds x to at most `precision` significant digits and at most `decimals`
// digits after the point (whichever keeps fewer), then writes it with exactly
// `decimals` decimals: FormatFixed(0.0512, 6, 5) is "0.05120". A value that
// rounds to zero has no minus sign. When the rounded value has more than
// `precision` integer digits the text is scientific instead: the first digit,
// the remaining significant digits after a point (only if any are left once
// trailing zeros are dropped), "E" and the exponent ("1E3", "-1.23E3").
// precision below 1 counts as 1, decimals below 0 as 0.
std::string FormatFixed(double x, int precision, int decimals);

// The shortest text of x with up to 15 significant digits: fixed notation
// without trailing zeros or a trailing point when 0.0001 <= |x| and x has at
// most 15 integer digits, scientific otherwise ("7.5E-5", "1.5E20").
std::string FormatGeneral(double x);

// The text of a minimum or maximum bound field: FormatFixed(x, 3, 2).
std::string FormatBound(double x);

// The shortest decimal text that reads back as exactly x ("0.05", "1e-07"),
// for files that programs read: every bit of the double survives.
std::string ShortestRoundTrip(double x);

}  // namespace velmor
