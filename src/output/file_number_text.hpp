#pragma once
// Number texts of the saved files: fixed-point with a minimum width, and
// plain integers with a minimum width. Both pad on the left and never cut, so
// columns line up while a wide value is still written in full.

#include <cstdint>
#include <string>

namespace velmor {

// fixed(w, d): exactly `decimals` digits after the point, a leading minus sign
// for negative values, padded with blanks on the left to at least `width`.
// The magnitude is first expanded to 18 significant decimal digits (the 18th
// rounded to nearest, ties to even) and then rounded at `decimals` with halves
// away from zero, so 10.0625 at 3 decimals gives "10.063". Infinities and NaN
// are written as "Inf", "-Inf" and "NaN", padded the same way.
std::string FixedText(double value, int width, int decimals);

// int(w): the integer in decimal, padded with blanks on the left to at least
// `width`.
std::string IntText(std::int64_t value, int width);

}  // namespace velmor
