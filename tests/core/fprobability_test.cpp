// F-test probability: edge cases, the closed form for two numerator degrees of
// freedom, published table values, and the console diagnostics.

#include "core/fprobability.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/fp_faults.hpp"

namespace velmor {
namespace {

// Records every console operation in order: "W:<line>" or "R".
class ScriptedConsole : public Console {
  public:
    void WriteLine(std::string_view line) override { events.push_back("W:" + std::string(line)); }
    void ReadLine() override { events.push_back("R"); }
    std::vector<std::string> events;
};

// A console as in a windowed program: the first write fails with code 105.
class DetachedConsole : public Console {
  public:
    void WriteLine(std::string_view) override {
        ++writes;
        throw IoError(105);
    }
    void ReadLine() override { ++reads; }
    int writes = 0;
    int reads = 0;
};

TEST(LnGamma, MatchesKnownValuesToTheSeriesAccuracy) {
    EXPECT_NEAR(LnGamma(1.0), 0.0, 1e-10);
    EXPECT_NEAR(LnGamma(2.0), 0.0, 1e-10);
    EXPECT_NEAR(LnGamma(0.5), std::log(std::sqrt(std::numbers::pi)), 1e-10);
    EXPECT_NEAR(LnGamma(10.0), std::log(362880.0), 1e-9);
    EXPECT_NEAR(LnGamma(1499.25), std::lgamma(1499.25), 1e-9);
}

TEST(BetaCF, ConvergesAtOnceToOneAtZero) {
    ScriptedConsole console;
    EXPECT_EQ(BetaCF(2.0, 3.0, 0.0, console), 1.0);
    EXPECT_EQ(BetaCF(1.0, 22.5, 0.0, console), 1.0);
    EXPECT_TRUE(console.events.empty());
}

TEST(FProbability, ZeroRatioGivesExactlyOne) {
    ScriptedConsole console;
    for (double dfWithin : {3.0, 45.0, 5997.0}) {
        EXPECT_EQ(FProbability(0.0, 2.0, dfWithin, console), 1.0) << dfWithin;
    }
}

TEST(FProbability, HugeRatioGivesAlmostZero) {
    ScriptedConsole console;
    const double p = FProbability(1e6, 2.0, 45.0, console);
    EXPECT_GE(p, 0.0);
    EXPECT_LT(p, 1e-100);
    // x^(dfWithin/2) with x = 45 / (45 + 2e6).
    EXPECT_NEAR(std::log(p), 22.5 * std::log(45.0 / (45.0 + 2e6)), 1e-6);
}

TEST(FProbability, TwoNumeratorDfAgreeWithClosedFormOverAGrid) {
    // With dfBetween 2, P(F' >= F) = (dfW / (dfW + 2F))^(dfW / 2). Allowed: the
    // fraction's relative tolerance 3e-7 plus the series' 1e-9.
    ScriptedConsole console;
    for (int totalN = 6; totalN <= 6000; totalN += (totalN < 100 ? 1 : 97)) {
        const double dfWithin = totalN - 3;
        for (double f = 0.0; f < 40.0; f += 0.37) {
            const double exact = std::pow(dfWithin / (dfWithin + 2.0 * f), dfWithin / 2.0);
            const double p = FProbability(f, 2.0, dfWithin, console);
            ASSERT_NEAR(p, exact, 3e-7 * exact + 1e-9) << "dfW " << dfWithin << " F " << f;
        }
    }
    EXPECT_TRUE(console.events.empty());
}

TEST(FProbability, AgreesWithPublishedCriticalValues) {
    // Upper 5% and 1% points of F tables (three significant digits).
    struct Row {
        double f, dfBetween, dfWithin, alpha;
    };
    const Row rows[] = {{3.23, 2, 40, 0.05}, {3.71, 3, 10, 0.05}, {2.87, 4, 20, 0.05},
                        {4.96, 1, 10, 0.05}, {4.10, 5, 20, 0.01}, {4.98, 2, 60, 0.01}};
    ScriptedConsole console;
    for (const Row& row : rows) {
        EXPECT_NEAR(FProbability(row.f, row.dfBetween, row.dfWithin, console), row.alpha, 5e-4)
            << row.f << " " << row.dfBetween << " " << row.dfWithin;
    }
}

TEST(Diagnostics, OutOfRangeArgumentWritesPausesAndContinues) {
    ClearFloatingPointFaults();
    ScriptedConsole console;
    const double p = BETAI(2.0, 1.0, 1.5, console);
    EXPECT_EQ(console.events, (std::vector<std::string>{"W:pause in routine BETAI", "R"}));
    // Carrying on takes the logarithm of a negative number.
    EXPECT_TRUE(std::isnan(p));
    EXPECT_THROW(RaiseFloatingPointFaults(), FloatingPointFault);
}

TEST(Diagnostics, NonConvergenceWritesBothLinesPausesAndReturnsLastValue) {
    ScriptedConsole console;
    const double value = BetaCF(1e5, 1e5, 0.5, console);
    EXPECT_EQ(console.events,
              (std::vector<std::string>{"W:pause in BetaCF", "W:a or b too big, or itmax too small",
                                        "R"}));
    EXPECT_TRUE(std::isfinite(value));
    EXPECT_GT(value, 1.0);
}

TEST(Diagnostics, FailedWriteRaisesIoErrorAtOnce) {
    DetachedConsole console;
    try {
        BetaCF(1e5, 1e5, 0.5, console);
        FAIL() << "no IoError";
    } catch (const IoError& error) {
        EXPECT_EQ(error.code(), 105);
        EXPECT_STREQ(error.what(), "I/O error 105");
    }
    EXPECT_EQ(console.writes, 1);  // the remaining operations are not attempted
    EXPECT_EQ(console.reads, 0);
    ClearFloatingPointFaults();
    EXPECT_THROW(BETAI(2.0, 1.0, -0.25, console), IoError);
    EXPECT_EQ(console.reads, 0);
}

// The process console on redirected standard streams. Each test restores the
// descriptor before checking, so a failure is still reported.
class ProcessConsoleStreams : public ::testing::Test {
  protected:
    void redirect(int fd, int replacement) {
        saved_ = ::dup(fd);
        fd_ = fd;
        if (replacement < 0) {
            ::close(fd);
        } else {
            ::dup2(replacement, fd);
            ::close(replacement);
        }
    }
    void restore() {
        if (saved_ >= 0) {
            ::dup2(saved_, fd_);
            ::close(saved_);
            saved_ = -1;
        }
    }
    void TearDown() override { restore(); }

    // The code of the IoError an operation raised, or 0.
    template <class F>
    static int CodeOf(F&& operation) {
        try {
            operation();
        } catch (const IoError& error) {
            return error.code();
        }
        return 0;
    }

    ProcessConsole console_;

  private:
    int saved_ = -1;
    int fd_ = -1;
};

TEST_F(ProcessConsoleStreams, WriteWithoutStandardOutputFailsWith105) {
    redirect(STDOUT_FILENO, -1);
    const int code = CodeOf([&] { console_.WriteLine("pause in BetaCF"); });
    restore();
    EXPECT_EQ(code, 105);
}

TEST_F(ProcessConsoleStreams, FailedWriteCarriesTheSystemCode) {
    redirect(STDOUT_FILENO, ::open("/dev/full", O_WRONLY));
    const int code = CodeOf([&] { console_.WriteLine("pause in BetaCF"); });
    restore();
    EXPECT_EQ(code, ENOSPC);
}

TEST_F(ProcessConsoleStreams, WritesTheLineAndReadsExactlyOneLine) {
    int out[2];
    int in[2];
    ASSERT_EQ(::pipe(out), 0);
    ASSERT_EQ(::pipe(in), 0);
    ASSERT_EQ(::write(in[1], "enter\nrest", 10), 10);
    ::close(in[1]);
    redirect(STDOUT_FILENO, out[1]);
    const int writeCode = CodeOf([&] { console_.WriteLine("pause in routine BETAI"); });
    restore();
    redirect(STDIN_FILENO, in[0]);
    const int readCode = CodeOf([&] { console_.ReadLine(); });
    char rest[16] = {};
    const ssize_t restLength = ::read(STDIN_FILENO, rest, sizeof rest);
    restore();
    char written[64] = {};
    const ssize_t writtenLength = ::read(out[0], written, sizeof written);
    ::close(out[0]);
    EXPECT_EQ(writeCode, 0);
    EXPECT_EQ(readCode, 0);
    EXPECT_EQ(std::string(written, writtenLength), "pause in routine BETAI\n");
    EXPECT_EQ(std::string(rest, restLength), "rest");
}

TEST_F(ProcessConsoleStreams, ReadWithoutStandardInputFailsWith104) {
    redirect(STDIN_FILENO, -1);
    const int code = CodeOf([&] { console_.ReadLine(); });
    restore();
    EXPECT_EQ(code, 104);
}

}  // namespace
}  // namespace velmor
