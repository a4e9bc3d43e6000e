#include "core/fprobability.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <string>

#include "core/errors.hpp"
#include "core/extended.hpp"

namespace velmor {

namespace {

// Codes reported when a standard stream is not open at all.
constexpr int kInputNotOpen = 104;
constexpr int kOutputNotOpen = 105;

bool DescriptorOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

constexpr int kMaxIterations = 100;
// Relative tolerance of the continued fraction, an extended constant.
constexpr long double kFractionTolerance = 3e-7L;

// Series coefficients and sqrt(2 pi), held as extended constants with exactly
// these decimal values.
constexpr long double kCof1 = 76.18009173L;
constexpr long double kCof2 = 86.50532033L;
constexpr long double kCof3 = 24.01409822L;
constexpr long double kCof4 = 1.231739516L;
constexpr long double kCof5 = 0.00120858003L;
constexpr long double kCof6 = 5.36382e-6L;
constexpr long double kSqrtTwoPi = 2.50662827465L;

}  // namespace

void ProcessConsole::WriteLine(std::string_view line) {
    if (!DescriptorOpen(STDOUT_FILENO)) throw IoError(kOutputNotOpen);
    std::string text(line);
    text += '\n';
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            throw IoError(errno);
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

void ProcessConsole::ReadLine() {
    if (!DescriptorOpen(STDIN_FILENO)) throw IoError(kInputNotOpen);
    // Byte by byte so that nothing after the line is taken from the stream.
    char c = 0;
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw IoError(errno);
        }
        if (got == 0 || c == '\n') return;  // end of input ends the line too
    }
}

double LnGamma(double x) {
    const double y = Stored(Ext(x) - 1.0L);
    double t = Stored(Ext(y) + 5.5L);
    t = Stored((Ext(y) + 0.5L) * std::log(Ext(t)) - t);
    const Ext ly = y;
    const double ser =
        Stored(1.0L + kCof1 / (ly + 1.0L) - kCof2 / (ly + 2.0L) + kCof3 / (ly + 3.0L) -
               kCof4 / (ly + 4.0L) + kCof5 / (ly + 5.0L) - kCof6 / (ly + 6.0L));
    return Stored(t + std::log(kSqrtTwoPi * ser));
}

double BetaCF(double a, double b, double x, Console& console) {
    const Ext la = a;
    const Ext lb = b;
    const Ext lx = x;
    const double qab = Stored(la + lb);
    const double qap = Stored(la + 1.0L);
    const double qam = Stored(la - 1.0L);
    double am = 1.0;
    double bm = 1.0;
    double az = 1.0;
    double bz = Stored(1.0L - qab * lx / qap);
    for (int m = 1; m <= kMaxIterations; ++m) {
        const double em = m;
        const double tem = Stored(Ext(em) + em);
        // Even step of the fraction.
        double d = Stored(em * (lb - m) * lx / ((Ext(qam) + tem) * (la + tem)));
        const double ap = Stored(az + Ext(d) * am);
        const double bp = Stored(bz + Ext(d) * bm);
        // Odd step.
        d = Stored(-(la + em) * (Ext(qab) + em) * lx / ((la + tem) * (Ext(qap) + tem)));
        const double app = Stored(ap + Ext(d) * az);
        const double bpp = Stored(bp + Ext(d) * bz);
        // Renormalise so that the recurrence neither overflows nor underflows.
        const double aold = az;
        am = Stored(Ext(ap) / bpp);
        bm = Stored(Ext(bp) / bpp);
        az = Stored(Ext(app) / bpp);
        bz = 1.0;
        if (std::fabs(Ext(az) - aold) < kFractionTolerance * std::fabs(Ext(az))) return az;
    }
    console.WriteLine("pause in BetaCF");
    console.WriteLine("a or b too big, or itmax too small");
    console.ReadLine();
    return az;
}

namespace {

// BETAI with the log-gamma terms taken from lnGamma (LnGamma itself, or a memo
// of it: the same values either way).
template <class LnGammaOf>
double IncompleteBeta(double a, double b, double x, Console& console, LnGammaOf&& lnGamma) {
    if (x < 0.0 || x > 1.0) {
        console.WriteLine("pause in routine BETAI");
        console.ReadLine();
    }
    const Ext la = a;
    const Ext lb = b;
    const Ext lx = x;
    double bt = 0.0;
    if (x != 0.0 && x != 1.0) {
        bt = Stored(std::exp(Ext(lnGamma(Stored(la + lb))) - lnGamma(a) - lnGamma(b) +
                             la * std::log(lx) + lb * std::log(1.0L - lx)));
    }
    // The fraction converges fast only below the mean of the beta
    // distribution; above it the symmetry I_x(a, b) = 1 - I_(1-x)(b, a) is used.
    if (lx < (la + 1.0L) / (la + lb + 2.0L)) return Stored(Ext(bt) * BetaCF(a, b, x, console) / la);
    return Stored(1.0L - bt * Ext(BetaCF(b, a, Stored(1.0L - lx), console)) / lb);
}

template <class LnGammaOf>
double UpperTail(double f, double dfBetween, double dfWithin, Console& console,
                 LnGammaOf&& lnGamma) {
    const Ext w = dfWithin;
    double p = IncompleteBeta(Stored(0.5L * w), Stored(0.5L * dfBetween),
                              Stored(w / (w + Ext(dfBetween) * f)), console, lnGamma);
    if (p > 1.0) p = 2.0 - p;
    return p;
}

}  // namespace

double LnGammaMemo::operator()(double x) {
    const std::uint64_t key = std::bit_cast<std::uint64_t>(x);
    for (int i = 0; i < kEntries; ++i) {
        if (used_[i] && arguments_[i] == key) return values_[i];
    }
    const double value = LnGamma(x);
    // An overflowing value is not kept: its flag must be raised again on the
    // next call, as the computation itself would.
    if (std::isfinite(value)) {
        arguments_[next_] = key;
        values_[next_] = value;
        used_[next_] = true;
        next_ = (next_ + 1) % kEntries;
    }
    return value;
}

double BETAI(double a, double b, double x, Console& console) {
    return IncompleteBeta(a, b, x, console, LnGamma);
}

double FProbability(double f, double dfBetween, double dfWithin, Console& console) {
    return UpperTail(f, dfBetween, dfWithin, console, LnGamma);
}

double FProbability(double f, double dfBetween, double dfWithin, Console& console,
                    LnGammaMemo& lnGamma) {
    return UpperTail(f, dfBetween, dfWithin, console, lnGamma);
}

}  // namespace velmor
