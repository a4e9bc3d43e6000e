#pragma once
// The program's one way of reading a number from a field's text.

#include <optional>
#include <string_view>

namespace velmor {

// Reads text as a number of the form
//   [blanks] [+|-] digits [. [digits]] [(e|E) [+|-] digits] [blanks]
// where the mantissa may also start with the decimal point (".05") and needs
// at least one digit. The point is always the decimal separator, whatever the
// locale. Returns nothing for any other text: empty, "-", "inf", "nan", hex
// floats, letters, blanks inside the number, and values too large for a double
// ("1e999"). A value too small for a double reads as zero with its sign.
std::optional<double> ReadNumber(std::string_view text);

}  // namespace velmor
