#pragma once
// The natural logarithm in extended precision for arguments in (0, 1], as the
// polar method needs it, without the C library's call.
//
// On x86-64 with the GNU C library, logl is the x87 instruction itself:
// ln 2 * log2(x) by FYL2X, or, when |x - 1| <= 0.29 (the double constant),
// ln 2 * log2(1 + (x - 1)) by FYL2XP1 on x - 1 formed in extended. Issuing the
// same instruction on the same operands gives the same bits and saves the
// call, the argument checks and two status-word reads: about a third of the
// cost of a normal pair's value. Elsewhere the library's logl is used.

#include <cmath>

namespace velmor {

inline long double ExtendedLog(long double x) {
#if defined(__x86_64__) && defined(__GLIBC__) && defined(__GNUC__)
    // The library's branch point, compared in extended as the library does.
    constexpr long double kNearOne = 0.29;
    const long double offset = x - 1.0L;
    long double result;
    if (std::fabs(offset) <= kNearOne) {
        // st(0) = offset; push ln 2, swap, FYL2XP1: ln 2 * log2(offset + 1).
        asm("fldln2\n\tfxch %%st(1)\n\tfyl2xp1" : "=t"(result) : "0"(offset) : "st(1)");
    } else {
        asm("fldln2\n\tfxch %%st(1)\n\tfyl2x" : "=t"(result) : "0"(x) : "st(1)");
    }
    return result;
#else
    return std::log(x);
#endif
}

}  // namespace velmor
