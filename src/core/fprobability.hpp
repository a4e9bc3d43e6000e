#pragma once
// Upper-tail probability of the F distribution through the regularised
// incomplete beta function (continued fraction, Lanczos-type log gamma).
// Every named intermediate is held as a double; the expressions between them
// are evaluated in extended precision, which is what makes the probabilities
// reproduce exactly.

#include <array>
#include <cstdint>
#include <string_view>

namespace velmor {

// Where the two numerical diagnostics go. Each operation throws IoError with
// the operating system's code when it fails.
class Console {
  public:
    virtual ~Console() = default;
    virtual void WriteLine(std::string_view line) = 0;
    // Reads one line and discards it (waits for the user to press Enter).
    virtual void ReadLine() = 0;
};

// The process's standard output and standard input. A windowed program
// normally has neither: writing then fails with code 105 (output not open),
// reading with code 104 (input not open). Other failures carry errno.
class ProcessConsole final : public Console {
  public:
    void WriteLine(std::string_view line) override;
    void ReadLine() override;
};

// ln Gamma(x) for x > 0 (six-term series; about 1e-10 absolute accuracy).
double LnGamma(double x);

// Continued fraction of the incomplete beta function, at most 100 iterations
// to a relative change below 3e-7. Without convergence it writes its
// diagnostic to the console, waits for a line and returns the last value.
double BetaCF(double a, double b, double x, Console& console);

// Regularised incomplete beta function I_x(a, b). An x outside [0, 1] writes
// a diagnostic and waits for a line, then carries on (and meets an invalid
// logarithm).
double BETAI(double a, double b, double x, Console& console);

// P(F' >= f) for an F distribution with the given degrees of freedom; one
// tailed, no doubling. A value above 1 from the fraction is reflected to 2 - p.
double FProbability(double f, double dfBetween, double dfWithin, Console& console);

// LnGamma remembered for the last few arguments (compared bit for bit). The
// prefactor of BETAI needs it at a + b, a and b, which for the F test are the
// same in every replication of a run; each is six extended operations and a
// logarithm or two, several times the rest of the test.
class LnGammaMemo {
  public:
    double operator()(double x);

  private:
    static constexpr int kEntries = 4;
    std::array<std::uint64_t, kEntries> arguments_{};
    std::array<double, kEntries> values_{};
    std::array<bool, kEntries> used_{};
    int next_ = 0;
};

// FProbability with the log-gamma terms taken from a memo: the same result,
// bit for bit.
double FProbability(double f, double dfBetween, double dfWithin, Console& console,
                    LnGammaMemo& lnGamma);

}  // namespace velmor
