#include "core/platform_check.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <ostream>

namespace velmor {

namespace {

#if defined(__x86_64__)

std::uint16_t X87ControlWord() {
    std::uint16_t word = 0;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

std::uint32_t SseControl() {
    std::uint32_t mxcsr = 0;
    asm volatile("stmxcsr %0" : "=m"(mxcsr));
    return mxcsr;
}

// The 80 bits of an extended value: 16 of sign and exponent, 64 of mantissa.
struct ExtendedBits {
    std::uint16_t signAndExponent;
    std::uint64_t mantissa;
    friend bool operator==(const ExtendedBits&, const ExtendedBits&) = default;
};

ExtendedBits BitsOf(long double value) {
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &value, sizeof value);
    ExtendedBits bits{};
    std::memcpy(&bits.mantissa, bytes, 8);
    std::memcpy(&bits.signAndExponent, bytes + 8, 2);
    return bits;
}

// logl of one argument near 1 and one far from it (the library's two
// instructions), as the GNU C library on x86-64 gives them.
bool LogMatchesTheReferenceLibrary() {
    struct Case {
        long double argument;
        ExtendedBits expected;
    };
    const Case cases[] = {{0.75L, {0xBFFD, 0x934B1089A6DC93C2ULL}},
                          {0.1L, {0xC000, 0x935D8DDDAAA8AC17ULL}}};
    for (const Case& c : cases) {
        // Through a volatile, so that the compiler cannot fold the call.
        volatile long double argument = c.argument;
        if (!(BitsOf(std::log(static_cast<long double>(argument))) == c.expected)) return false;
    }
    return true;
}

#endif

}  // namespace

std::string FloatingPointPlatformProblem() {
#if defined(__x86_64__) && defined(__GLIBC__)
    const std::uint16_t x87 = X87ControlWord();
    switch ((x87 >> 8) & 0x3) {  // precision control
        case 0x3:
            break;
        case 0x2:
            return "the x87 unit rounds to the 53 bits of a double, not to the 64 bits of "
                   "extended precision";
        default:
            return "the x87 unit rounds to 24 bits, not to the 64 bits of extended precision";
    }
    if (((x87 >> 10) & 0x3) != 0) return "the x87 unit does not round to nearest";
    const std::uint32_t sse = SseControl();
    if (((sse >> 13) & 0x3) != 0) return "SSE arithmetic does not round to nearest";
    if ((sse & (1u << 15)) != 0 || (sse & (1u << 6)) != 0)
        return "SSE arithmetic flushes tiny numbers to zero";
    if (!LogMatchesTheReferenceLibrary())
        return "the C library's logl gives other results than the GNU C library on x86-64";
    return {};
#else
    return "this is not x86-64 Linux with the GNU C library";
#endif
}

bool RefuseUnfitPlatform(std::ostream& messages, std::string_view program) {
    const std::string problem = FloatingPointPlatformProblem();
    if (problem.empty()) return false;
    messages << program << ": " << PlatformRefusalMessage(problem) << std::endl;
    return true;
}

std::string PlatformRefusalMessage(const std::string& problem) {
    return "This computer does not compute as VELMOR needs: " + problem +
           ". Its results would not reproduce, so it does not start. " + kSupportedPlatform;
}

}  // namespace velmor
