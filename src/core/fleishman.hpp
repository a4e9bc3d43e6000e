#pragma once
// Fleishman's power method: Y = a + bZ + cZ^2 + dZ^3 with Z standard normal
// and a = -c, so that Y has mean 0. The coefficients are chosen so that Y has
// variance 1 and the requested skewness and excess kurtosis. The three moment
// equations (Fleishman 1978, Psychometrika 43, 521-532, eqs. 11, 17, 18):
//   b^2 + 6bd + 2c^2 + 15d^2                                     = 1
//   2c (b^2 + 24bd + 105d^2 + 2)                                 = skewness
//   24 [bd + c^2 (1 + b^2 + 28bd) + d^2 (12 + 48bd + 141c^2 + 225d^2)] = kurtosis
// Not every (skewness, kurtosis) pair has a solution: at each skewness the
// kurtosis is bounded below (and above), and FleishmanKurtosisRange says where.

#include <optional>

namespace velmor {

struct FleishmanCoefficients {
    double a = 0.0;
    double b = 1.0;
    double c = 0.0;
    double d = 0.0;
};

// Variance, skewness and excess kurtosis of a + bZ + cZ^2 + dZ^3 (a = -c),
// evaluated in extended precision: the left-hand sides of the equations above.
struct FleishmanMoments {
    long double variance;
    long double skewness;
    long double kurtosis;
};
FleishmanMoments FleishmanMomentsOf(long double b, long double c, long double d);

// The excess kurtosis the solver reaches at a skewness: every value from
// least to greatest. `reachable` is false when the skewness itself is beyond
// the method (then least and greatest are NaN).
struct FleishmanKurtosisRange {
    bool reachable = false;
    double least = 0.0;
    double greatest = 0.0;
};
FleishmanKurtosisRange FleishmanKurtosisRangeAt(double skewness);

// The largest skewness (in size) the method reaches at any kurtosis.
double FleishmanGreatestSkewness();

// The coefficients for a skewness and excess kurtosis, meeting all three
// equations to 1e-11; nothing when the pair is outside the range above or
// when the final check fails (then the pair is refused, never approximated).
std::optional<FleishmanCoefficients> SolveFleishman(double skewness, double kurtosis);

}  // namespace velmor
