#pragma once
// Extended-precision arithmetic as the whole program uses it: intermediate
// values in 80-bit x87 extended (Ext), rounded once to double where they are
// stored (Stored), and whole numbers with ties to the even neighbour
// (RoundHalfEven).
//
// The rounding-mode rule: the program runs in the processor's default mode,
// round to nearest with ties to even, and nothing in it ever changes the mode
// (the start-up check refuses to run in any other). Every rounding below is
// the hardware's own rounding in that mode: a store to double, and nearbyint,
// which rounds to a whole number in the current mode. So they cost one
// instruction each and agree with every rounding the arithmetic itself makes.

#include <cmath>
#include <limits>

namespace velmor {

using Ext = long double;
static_assert(std::numeric_limits<Ext>::digits == 64,
              "streams and probabilities reproduce only with 80-bit extended precision");

// An extended result rounded to double once, where it is stored.
inline double Stored(Ext value) {
    return static_cast<double>(value);
}
// A double is stored as it is: arithmetic written once for both precisions
// (Stored(Real(a) * b)) then rounds only where it is extended.
inline double Stored(double value) {
    return value;
}

// The nearest whole number, a half going to the even neighbour (2.5 -> 2,
// 3.5 -> 4, -2.5 -> -2). The extended overload rounds the extended value
// itself: storing it to double first could round twice.
inline double RoundHalfEven(double value) {
    return std::nearbyint(value);
}
inline Ext RoundHalfEven(Ext value) {
    return std::nearbyintl(value);
}

}  // namespace velmor
