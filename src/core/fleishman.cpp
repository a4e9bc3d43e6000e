#include "core/fleishman.hpp"

#include <algorithm>
#include <array>
#include <boost/math/tools/minima.hpp>
#include <boost/math/tools/roots.hpp>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <utility>

namespace velmor {

FleishmanMoments FleishmanMomentsOf(long double b, long double c, long double d) {
    const long double bd = b * d, c2 = c * c, d2 = d * d;
    return {b * b + 6.0L * bd + 2.0L * c2 + 15.0L * d2,
            2.0L * c * (b * b + 24.0L * bd + 105.0L * d2 + 2.0L),
            24.0L * (bd + c2 * (1.0L + b * b + 28.0L * bd) +
                     d2 * (12.0L + 48.0L * bd + 141.0L * c2 + 225.0L * d2))};
}

namespace {

// How the three equations are reduced to one-dimensional problems.
//
// The variance equation is an ellipse in (b, c) for each d:
//   (b + 3d)^2 + 2c^2 = 1 - 6d^2,
// so with r = sqrt(1 - 6d^2) every solution of it is
//   b = -3d + r cos(theta),  c = r sin(theta) / sqrt(2),
// with |d| < 1/sqrt(6) and theta in [0, pi] for c >= 0 (non-negative skewness;
// a negative skewness is the mirror image, c -> -c). On that ellipse the
// skewness is a function of theta alone for each d. At theta = 0 it is 0
// (c = 0), and the first theta where it reaches the target is the solution
// connected to the normal itself (d = 0, theta = 0 gives b = 1, c = 0): this
// is the branch Fleishman's table lists, with b > 0 the dominant coefficient.
// Along that branch the kurtosis is then a function K(d) of d alone. It has a
// single minimum at some d* (the least kurtosis at this skewness, the bound
// users meet) and rises on both sides; the solver takes the root of
// K(d) = kurtosis on the side d >= d*, which is the side of Fleishman's
// published coefficients (for skewness 1.75, excess kurtosis 3.75 his d is
// -0.0365 with d* = -0.0563; for the symmetric kurtosis 3 his d is 0.0679
// with d* = -0.131). Every step is a bracketed one-dimensional root or
// minimum from Boost.Math, so nothing depends on a lucky starting point; a
// short Newton iteration on the three original equations then polishes the
// result and a final check decides success.

constexpr long double kMaxD = 0.40824829046386301637L;  // 1/sqrt(6)
constexpr int kAngleSteps = 256;                        // scan of theta for the first crossing
constexpr int kDSteps = 512;  // scan of d for the kurtosis along the branch
constexpr std::uintmax_t kMaxIterations = 200;

struct OnEllipse {
    long double b, c;
};

OnEllipse PointOnEllipse(long double d, long double theta) {
    const long double r = std::sqrt(1.0L - 6.0L * d * d);
    return {-3.0L * d + r * std::cos(theta),
            r * std::sin(theta) / std::numbers::sqrt2_v<long double>};
}

long double SkewnessAt(long double d, long double theta) {
    const OnEllipse p = PointOnEllipse(d, theta);
    return 2.0L * p.c * (p.b * p.b + 24.0L * p.b * d + 105.0L * d * d + 2.0L);
}

constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

// The first theta in [0, pi] at which the skewness on the ellipse of this d
// reaches `skewness` (>= 0), or NaN when it never does.
long double BranchAngle(long double d, long double skewness) {
    if (skewness == 0.0L) return 0.0L;
    long double previous = 0.0L;
    long double fPrevious = -skewness;
    for (int i = 1; i <= kAngleSteps; ++i) {
        const long double theta = std::numbers::pi_v<long double> * i / kAngleSteps;
        const long double f = SkewnessAt(d, theta) - skewness;
        if (f >= 0.0L) {
            if (f == 0.0L) return theta;
            std::uintmax_t iterations = kMaxIterations;
            const auto bracket = boost::math::tools::toms748_solve(
                [&](long double t) { return SkewnessAt(d, t) - skewness; }, previous, theta,
                fPrevious, f, boost::math::tools::eps_tolerance<long double>(60), iterations);
            return (bracket.first + bracket.second) / 2.0L;
        }
        previous = theta;
        fPrevious = f;
    }
    return kNaN;
}

long double BranchKurtosis(long double d, long double skewness) {
    const long double theta = BranchAngle(d, skewness);
    if (std::isnan(theta)) return kNaN;
    const OnEllipse p = PointOnEllipse(d, theta);
    return FleishmanMomentsOf(p.b, p.c, d).kurtosis;
}

long double GridD(int i) {
    return -kMaxD + 2.0L * kMaxD * i / kDSteps;
}

// The branch's kurtosis over the d grid (interior points only), NaN where the
// branch does not reach the skewness.
struct BranchProfile {
    std::array<long double, kDSteps + 1> kurtosis;
    int least = -1;  // grid index of the least kurtosis
    long double dLeast = kNaN, kLeast = kNaN;
};

BranchProfile ProfileBranch(long double skewness) {
    BranchProfile profile;
    profile.kurtosis[0] = profile.kurtosis[kDSteps] = kNaN;
    for (int i = 1; i < kDSteps; ++i) {
        profile.kurtosis[i] = BranchKurtosis(GridD(i), skewness);
        if (!std::isnan(profile.kurtosis[i]) &&
            (profile.least < 0 || profile.kurtosis[i] < profile.kurtosis[profile.least]))
            profile.least = i;
    }
    if (profile.least < 0) return profile;
    // Refine the minimum between the grid neighbours (Brent's method). A
    // neighbour where the branch is absent is treated as +infinity, which
    // keeps the search inside.
    const auto objective = [&](long double d) {
        const long double k = BranchKurtosis(d, skewness);
        return std::isnan(k) ? std::numeric_limits<long double>::infinity() : k;
    };
    std::uintmax_t iterations = kMaxIterations;
    const auto minimum = boost::math::tools::brent_find_minima(
        objective, GridD(profile.least - 1), GridD(profile.least + 1), 60, iterations);
    profile.dLeast = minimum.first;
    profile.kLeast = minimum.second;
    if (profile.kurtosis[profile.least] < profile.kLeast) {  // grid point was better
        profile.dLeast = GridD(profile.least);
        profile.kLeast = profile.kurtosis[profile.least];
    }
    return profile;
}

// The greatest kurtosis on the side d >= d* that is reached continuously from
// d*, and where: the branch is followed up the grid while it exists.
struct Greatest {
    long double d, kurtosis;
};
Greatest GreatestOnRightSide(const BranchProfile& profile, long double skewness) {
    long double greatest = profile.kLeast;
    int at = -1;
    for (int i = profile.least + 1; i < kDSteps && !std::isnan(profile.kurtosis[i]); ++i) {
        if (profile.kurtosis[i] > greatest) {
            greatest = profile.kurtosis[i];
            at = i;
        }
    }
    if (at < 0) return {profile.dLeast, greatest};
    const auto objective = [&](long double d) {
        const long double k = BranchKurtosis(d, skewness);
        return std::isnan(k) ? std::numeric_limits<long double>::infinity() : -k;
    };
    std::uintmax_t iterations = kMaxIterations;
    const auto maximum = boost::math::tools::brent_find_minima(objective, GridD(at - 1),
                                                               GridD(at + 1), 60, iterations);
    if (-maximum.second > greatest) return {maximum.first, -maximum.second};
    return {GridD(at), greatest};
}

// A 3 x 3 linear solve by Gaussian elimination with partial pivoting; false
// when the matrix is singular to working precision.
bool Solve3(std::array<std::array<long double, 3>, 3> m, std::array<long double, 3>& x) {
    for (int col = 0; col < 3; ++col) {
        int pivot = col;
        for (int row = col + 1; row < 3; ++row)
            if (std::fabs(m[row][col]) > std::fabs(m[pivot][col])) pivot = row;
        if (m[pivot][col] == 0.0L) return false;
        std::swap(m[pivot], m[col]);
        std::swap(x[pivot], x[col]);
        for (int row = col + 1; row < 3; ++row) {
            const long double f = m[row][col] / m[col][col];
            for (int k = col; k < 3; ++k) m[row][k] -= f * m[col][k];
            x[row] -= f * x[col];
        }
    }
    for (int row = 2; row >= 0; --row) {
        for (int k = row + 1; k < 3; ++k) x[row] -= m[row][k] * x[k];
        x[row] /= m[row][row];
    }
    return std::isfinite(x[0]) && std::isfinite(x[1]) && std::isfinite(x[2]);
}

struct Residual {
    std::array<long double, 3> f;
    long double size;  // largest absolute residual
};

Residual ResidualOf(long double b, long double c, long double d, long double skewness,
                    long double kurtosis) {
    const FleishmanMoments m = FleishmanMomentsOf(b, c, d);
    Residual r{{m.variance - 1.0L, m.skewness - skewness, m.kurtosis - kurtosis}, 0.0L};
    for (long double v : r.f) r.size = std::max(r.size, std::fabs(v));
    return r;
}

// Newton's method on the three equations from a start that already solves
// them to about the working precision (the bracketed reduction above): the
// Jacobian is non-singular there except exactly on the kurtosis bound, so the
// iteration converges quadratically; a step that does not lower the largest
// residual is halved (at most 40 times), which keeps it from leaving the root
// where the Jacobian is nearly singular. Ends after 50 steps or when no
// halving helps; the caller's final check decides success.
void PolishByNewton(long double& b, long double& c, long double& d, long double skewness,
                    long double kurtosis) {
    Residual r = ResidualOf(b, c, d, skewness, kurtosis);
    for (int step = 0; step < 50 && r.size > 1e-17L; ++step) {
        const long double bd = b * d, c2 = c * c, d2 = d * d;
        const long double p = b * b + 24.0L * bd + 105.0L * d2 + 2.0L;
        const std::array<std::array<long double, 3>, 3> jacobian{{
            // d(variance)/d(b, c, d)
            {2.0L * b + 6.0L * d, 4.0L * c, 6.0L * b + 30.0L * d},
            // d(skewness)/d(b, c, d)
            {2.0L * c * (2.0L * b + 24.0L * d), 2.0L * p, 2.0L * c * (24.0L * b + 210.0L * d)},
            // d(kurtosis)/d(b, c, d), 24 times the derivatives of the bracket
            {24.0L * (d + c2 * (2.0L * b + 28.0L * d) + 48.0L * d2 * d),
             24.0L * (2.0L * c * (1.0L + b * b + 28.0L * bd) + 282.0L * c * d2),
             24.0L *
                 (b + 28.0L * b * c2 + 2.0L * d * (12.0L + 48.0L * bd + 141.0L * c2 + 225.0L * d2) +
                  d2 * (48.0L * b + 450.0L * d))},
        }};
        std::array<long double, 3> delta = r.f;
        if (!Solve3(jacobian, delta)) return;
        long double scale = 1.0L;
        bool improved = false;
        for (int halving = 0; halving < 40; ++halving, scale /= 2.0L) {
            const long double nb = b - scale * delta[0], nc = c - scale * delta[1],
                              nd = d - scale * delta[2];
            const Residual next = ResidualOf(nb, nc, nd, skewness, kurtosis);
            if (next.size < r.size) {
                b = nb, c = nc, d = nd, r = next;
                improved = true;
                break;
            }
        }
        if (!improved) return;
    }
}

}  // namespace

FleishmanKurtosisRange FleishmanKurtosisRangeAt(double skewness) {
    const long double size = std::fabs(static_cast<long double>(skewness));
    if (!std::isfinite(size)) return {false, std::nan(""), std::nan("")};
    const BranchProfile profile = ProfileBranch(size);
    if (profile.least < 0) return {false, std::nan(""), std::nan("")};
    return {true, static_cast<double>(profile.kLeast),
            static_cast<double>(GreatestOnRightSide(profile, size).kurtosis)};
}

double FleishmanGreatestSkewness() {
    // The largest skewness on the variance ellipse over all d and theta: a
    // grid over d, each d's largest skewness by Brent's method in theta
    // (coarse grid first, so that the search starts at the right hump), then
    // Brent's method in d around the best grid point.
    const auto largestAt = [](long double d) {
        int best = 0;
        long double bestValue = -1.0L;
        for (int i = 0; i <= kAngleSteps; ++i) {
            const long double v = SkewnessAt(d, std::numbers::pi_v<long double> * i / kAngleSteps);
            if (v > bestValue) bestValue = v, best = i;
        }
        const long double step = std::numbers::pi_v<long double> / kAngleSteps;
        std::uintmax_t iterations = kMaxIterations;
        const auto m = boost::math::tools::brent_find_minima(
            [&](long double t) { return -SkewnessAt(d, t); }, std::max(0.0L, (best - 1) * step),
            std::min(std::numbers::pi_v<long double>, (best + 1) * step), 60, iterations);
        return std::max(bestValue, -m.second);
    };
    int best = 1;
    long double bestValue = -1.0L;
    for (int i = 1; i < kDSteps; ++i) {
        const long double v = largestAt(GridD(i));
        if (v > bestValue) bestValue = v, best = i;
    }
    std::uintmax_t iterations = kMaxIterations;
    const auto m =
        boost::math::tools::brent_find_minima([&](long double d) { return -largestAt(d); },
                                              GridD(best - 1), GridD(best + 1), 60, iterations);
    return static_cast<double>(std::max(bestValue, -m.second));
}

std::optional<FleishmanCoefficients> SolveFleishman(double skewness, double kurtosis) {
    if (!std::isfinite(skewness) || !std::isfinite(kurtosis)) return std::nullopt;
    const long double size = std::fabs(static_cast<long double>(skewness));
    const long double target = kurtosis;
    const BranchProfile profile = ProfileBranch(size);
    if (profile.least < 0 || target < profile.kLeast) return std::nullopt;

    // The root of K(d) = kurtosis on the side d >= d*: the first grid cell
    // above d* where K reaches the target, then the TOMS 748 bracketing
    // solver inside it. The greatest kurtosis may lie between grid points
    // (above every grid value), so its refined place closes the scan. At the
    // bound itself (target within rounding of the least kurtosis) d* is the
    // answer.
    const Greatest greatest = GreatestOnRightSide(profile, size);
    if (target > greatest.kurtosis) return std::nullopt;
    long double d = profile.dLeast;
    if (profile.kLeast < target) {
        long double lower = profile.dLeast, fLower = profile.kLeast - target;
        bool found = false;
        for (int i = profile.least + 1; i <= kDSteps && lower < greatest.d; ++i) {
            const bool last = i == kDSteps || GridD(i) >= greatest.d;
            const long double upper = last ? greatest.d : GridD(i);
            const long double kUpper = last ? greatest.kurtosis : profile.kurtosis[i];
            if (upper <= lower) continue;
            if (std::isnan(kUpper)) break;
            const long double fUpper = kUpper - target;
            if (fUpper >= 0.0L) {
                std::uintmax_t iterations = kMaxIterations;
                const auto bracket = boost::math::tools::toms748_solve(
                    [&](long double x) {
                        const long double k = BranchKurtosis(x, size);
                        // The branch exists across the cell (both ends do); a
                        // NaN would mean it does not, which fails the check.
                        return std::isnan(k) ? std::numeric_limits<long double>::infinity()
                                             : k - target;
                    },
                    lower, upper, fLower, fUpper,
                    boost::math::tools::eps_tolerance<long double>(60), iterations);
                d = (bracket.first + bracket.second) / 2.0L;
                found = true;
                break;
            }
            lower = upper;
            fLower = fUpper;
        }
        if (!found) return std::nullopt;
    }
    const long double theta = BranchAngle(d, size);
    if (std::isnan(theta)) return std::nullopt;
    const OnEllipse p = PointOnEllipse(d, theta);
    long double b = p.b, c = p.c;
    PolishByNewton(b, c, d, size, target);
    if (skewness < 0.0) c = -c;

    // The check that decides success, on the coefficients as they will be used
    // (rounded to double).
    FleishmanCoefficients result{static_cast<double>(-c), static_cast<double>(b),
                                 static_cast<double>(c), static_cast<double>(d)};
    const Residual r = ResidualOf(result.b, result.c, result.d, skewness, kurtosis);
    if (!(r.size <= 1e-11L)) return std::nullopt;
    return result;
}

}  // namespace velmor
