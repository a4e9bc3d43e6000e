// The start-up check of the floating-point platform: it passes on the machine
// the streams were pinned on, and it names each setting that would change
// their bits. The settings are changed for a moment and always put back.

#include "core/platform_check.hpp"

#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <sstream>
#include <string>

namespace velmor {
namespace {

// Saves the x87 control word and the SSE control register, restores both.
class FloatingPointModeGuard {
  public:
    FloatingPointModeGuard() {
        asm volatile("fnstcw %0" : "=m"(x87_));
        asm volatile("stmxcsr %0" : "=m"(sse_));
    }
    ~FloatingPointModeGuard() {
        asm volatile("fldcw %0" : : "m"(x87_));
        asm volatile("ldmxcsr %0" : : "m"(sse_));
    }
    void setX87(std::uint16_t word) { asm volatile("fldcw %0" : : "m"(word)); }
    void setSse(std::uint32_t word) { asm volatile("ldmxcsr %0" : : "m"(word)); }
    std::uint16_t x87() const { return x87_; }
    std::uint32_t sse() const { return sse_; }

  private:
    std::uint16_t x87_ = 0;
    std::uint32_t sse_ = 0;
};

TEST(PlatformCheck, PassesInTheDefaultMode) {
    EXPECT_EQ(FloatingPointPlatformProblem(), "");
}

TEST(PlatformCheck, NamesEverySettingThatWouldChangeTheStreams) {
    struct Case {
        const char* what;
        bool x87;  // change the x87 control word, else the SSE register
        std::uint32_t clear, set;
        const char* problem;
    };
    const Case cases[] = {
        {"double precision", true, 0x0300, 0x0200, "53 bits of a double"},
        {"single precision", true, 0x0300, 0x0000, "rounds to 24 bits"},
        {"x87 rounding up", true, 0x0C00, 0x0800, "x87 unit does not round to nearest"},
        {"x87 truncating", true, 0x0C00, 0x0C00, "x87 unit does not round to nearest"},
        {"SSE rounding down", false, 0x6000, 0x2000, "SSE arithmetic does not round to nearest"},
        {"flush to zero", false, 0x8000, 0x8000, "flushes tiny numbers to zero"},
        {"denormals are zero", false, 0x0040, 0x0040, "flushes tiny numbers to zero"},
    };
    for (const Case& c : cases) {
        std::string problem;
        {
            FloatingPointModeGuard guard;
            if (c.x87)
                guard.setX87(static_cast<std::uint16_t>((guard.x87() & ~c.clear) | c.set));
            else
                guard.setSse((guard.sse() & ~c.clear) | c.set);
            problem = FloatingPointPlatformProblem();
        }
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.what << ": " << problem;
    }
    // The C library's own way of changing the mode is seen too.
    std::string problem;
    {
        FloatingPointModeGuard guard;
        ASSERT_EQ(std::fesetround(FE_UPWARD), 0);
        problem = FloatingPointPlatformProblem();
    }
    EXPECT_NE(problem.find("does not round to nearest"), std::string::npos) << problem;
    EXPECT_EQ(FloatingPointPlatformProblem(), "");  // and everything is back
}

TEST(PlatformCheck, AStartOnAnUnfitPlatformIsRefusedWithTheMessage) {
    std::ostringstream fine;
    EXPECT_FALSE(RefuseUnfitPlatform(fine, "velmor-batch"));
    EXPECT_EQ(fine.str(), "");
    std::ostringstream refused;
    bool refuses = false;
    {
        FloatingPointModeGuard guard;
        guard.setX87(static_cast<std::uint16_t>((guard.x87() & ~0x0300) | 0x0200));
        refuses = RefuseUnfitPlatform(refused, "velmor-batch");
    }
    EXPECT_TRUE(refuses);
    EXPECT_EQ(refused.str().rfind("velmor-batch: This computer does not compute as VELMOR needs: "
                                  "the x87 unit rounds to the 53 bits of a double",
                                  0),
              0u)
        << refused.str();
}

TEST(PlatformCheck, TheRefusalNamesTheProblemAndTheSupportedPlatform) {
    const std::string message = PlatformRefusalMessage("the x87 unit does not round to nearest");
    EXPECT_EQ(message,
              "This computer does not compute as VELMOR needs: the x87 unit does not round to "
              "nearest. Its results would not reproduce, so it does not start. VELMOR runs on "
              "x86-64 Linux with the GNU C library, in the processor's default floating-point "
              "mode (x87 extended precision, round to nearest).");
}

}  // namespace
}  // namespace velmor
