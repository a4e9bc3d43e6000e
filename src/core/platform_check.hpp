#pragma once
// What the program needs of the machine before it computes anything. The
// random streams and the F probabilities reproduce bit for bit only with x87
// extended precision (64-bit mantissa), rounding to nearest in both the x87
// and the SSE unit, no flushing of tiny results to zero, and the GNU C
// library's logl on x86-64. A start-up that finds otherwise must refuse to run.

#include <iosfwd>
#include <string>
#include <string_view>

namespace velmor {

// The machine the program supports, as a sentence for messages and the README.
inline constexpr const char* kSupportedPlatform =
    "VELMOR runs on x86-64 Linux with the GNU C library, in the processor's default "
    "floating-point mode (x87 extended precision, round to nearest).";

// Empty when the floating-point unit and the C library's logarithm behave as
// the program needs; otherwise what is wrong, in a sentence. Reads the x87
// control word and the SSE control register, changes nothing.
std::string FloatingPointPlatformProblem();

// The message a start-up prints (and the window shows) before it refuses to
// run, for a problem reported above.
std::string PlatformRefusalMessage(const std::string& problem);

// For a program's start: when the platform is unfit, writes "<program>: " and
// the refusal to `messages` and returns true; the program then exits nonzero.
bool RefuseUnfitPlatform(std::ostream& messages, std::string_view program);

}  // namespace velmor
