#include "core/shape_refusal.hpp"

#include <array>
#include <boost/math/distributions/lognormal.hpp>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "core/fleishman.hpp"
#include "core/g_and_h.hpp"

namespace velmor {
namespace {

// A user's value as they would have typed it: the shortest text that reads
// back as the same double.
std::string Shortest(double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

// A bound named to the user, to three decimals, rounded towards the inside
// of the range, so that the value named can itself be entered.
std::string Bound(double value, bool lower) {
    const double rounded =
        (lower ? std::ceil(value * 1000.0) : std::floor(value * 1000.0)) / 1000.0;
    std::array<char, 48> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%.3f", rounded == 0.0 ? 0.0 : rounded);
    return buffer.data();
}

std::string Parameter(ShapeFamily family, std::string_view key) {
    return "The " + std::string(ShapeName(family)) + " shape's " + std::string(key);
}

std::optional<std::string> NotFinite(ShapeFamily family, std::string_view key, double value) {
    if (std::isfinite(value)) return std::nullopt;
    return Parameter(family, key) + " must be a finite number.";
}

std::optional<std::string> FleishmanRefusal(const PopulationShape& s) {
    if (auto m = NotFinite(s.family, "skewness", s.skewness)) return m;
    if (auto m = NotFinite(s.family, "kurtosis", s.kurtosis)) return m;
    const std::string pair =
        "skewness " + Shortest(s.skewness) + " with excess kurtosis " + Shortest(s.kurtosis);
    const FleishmanKurtosisRange range = FleishmanKurtosisRangeAt(s.skewness);
    if (!range.reachable) {
        return "Fleishman's power method cannot reach skewness " + Shortest(s.skewness) +
               ": its skewness is at most " + Bound(FleishmanGreatestSkewness(), false) +
               " in size.";
    }
    if (s.kurtosis < range.least) {
        return "Fleishman's power method cannot reach " + pair + ": at skewness " +
               Shortest(s.skewness) + " its excess kurtosis is at least " +
               Bound(range.least, true) + ".";
    }
    if (s.kurtosis > range.greatest) {
        return "Fleishman's power method cannot reach " + pair + ": at skewness " +
               Shortest(s.skewness) + " its excess kurtosis is at most " +
               Bound(range.greatest, false) + ".";
    }
    if (!SolveFleishman(s.skewness, s.kurtosis)) {
        // Inside the range the solver has always succeeded; should it ever
        // fail its own check, the pair is refused rather than approximated.
        return "Fleishman's power method found no coefficients for " + pair + ".";
    }
    return std::nullopt;
}

std::optional<std::string> GAndHRefusal(const PopulationShape& s) {
    if (auto m = NotFinite(s.family, "g", s.g)) return m;
    if (auto m = NotFinite(s.family, "h", s.h)) return m;
    if (s.h < 0.0) return "The g-and-h shape needs h of at least 0 (h is " + Shortest(s.h) + ").";
    // Standardising needs only h < 1/2, but a target kurtosis to show beside
    // the achieved one needs h < 1/4.
    if (s.h >= 0.25) {
        return "The g-and-h shape needs h below 0.25, so that its kurtosis exists (h is " +
               Shortest(s.h) + ").";
    }
    // For a g this small the closed-form moments cancel to nothing (their
    // alternating sums lose the digits of g^(n - 2)); below 1e-4 in size
    // they would be wrong, and g = 0 is then what the user means.
    if (s.g != 0.0 && std::fabs(s.g) < 1e-4) {
        return "The g-and-h shape needs g of 0 or at least 0.0001 in size (g is " + Shortest(s.g) +
               ").";
    }
    const GAndHMoments m = GAndHMomentsOf(s.g, s.h);
    if (!std::isfinite(m.mean) || !std::isfinite(m.sd) || !(m.sd > 0.0) ||
        !std::isfinite(m.skewness) || !std::isfinite(m.kurtosis)) {
        return "The g-and-h shape's moments are too large to compute for g " + Shortest(s.g) +
               " and h " + Shortest(s.h) + ".";
    }
    return std::nullopt;
}

std::optional<std::string> LognormalRefusal(const PopulationShape& s) {
    if (auto m = NotFinite(s.family, "sigma", s.sigma)) return m;
    if (!(s.sigma > 0.0)) {
        return "The lognormal shape needs sigma above 0 (sigma is " + Shortest(s.sigma) + ").";
    }
    // The standardising SD is sqrt(expm1(sigma^2)), which must not underflow.
    if (s.sigma < 1e-100) {
        return "The lognormal shape needs sigma of at least 1e-100 (sigma is " + Shortest(s.sigma) +
               ").";
    }
    // Its excess kurtosis grows as exp(4 sigma^2): beyond sigma of about 13.3
    // it is no longer a double (Boost.Math reports the overflow).
    try {
        const boost::math::lognormal shape(0.0, s.sigma);
        if (std::isfinite(boost::math::kurtosis_excess(shape)) &&
            std::isfinite(boost::math::standard_deviation(shape)))
            return std::nullopt;
    } catch (const std::overflow_error&) {
    }
    return "The lognormal shape's moments are too large to compute for sigma " + Shortest(s.sigma) +
           ".";
}

std::optional<std::string> DfRefusal(const PopulationShape& s) {
    if (auto m = NotFinite(s.family, "df", s.df)) return m;
    if (s.family == ShapeFamily::StudentT) {
        if (!(s.df > 4.0)) {
            return "The t shape needs df above 4, so that its kurtosis exists (df is " +
                   Shortest(s.df) + ").";
        }
    } else if (!(s.df > 0.0)) {
        return "The chi-square shape needs df above 0 (df is " + Shortest(s.df) + ").";
    } else if (s.df > 1e10) {
        // A score is (quantile - df) / sqrt(2 df); the quantile's rounding
        // costs about sqrt(df / 2) units of the last place, 1e-11 at 1e10.
        return "The chi-square shape needs df of at most 1e10 (df is " + Shortest(s.df) + ").";
    } else if (!std::isfinite(12.0 / s.df)) {  // its excess kurtosis
        return "The chi-square shape's moments are too large to compute for df " + Shortest(s.df) +
               ".";
    }
    return std::nullopt;
}

std::optional<std::string> ContaminatedRefusal(const PopulationShape& s) {
    if (auto m = NotFinite(s.family, "proportion", s.proportion)) return m;
    if (auto m = NotFinite(s.family, "sd_ratio", s.sdRatio)) return m;
    if (s.proportion < 0.0 || s.proportion > 1.0) {
        return "The contaminated shape needs a proportion from 0 to 1 (proportion is " +
               Shortest(s.proportion) + ").";
    }
    if (!(s.sdRatio > 0.0)) {
        return "The contaminated shape needs sd_ratio above 0 (sd_ratio is " + Shortest(s.sdRatio) +
               ").";
    }
    // k^4 must stay a double for the kurtosis.
    if (!std::isfinite(s.sdRatio * s.sdRatio * s.sdRatio * s.sdRatio)) {
        return "The contaminated shape's moments are too large to compute for sd_ratio " +
               Shortest(s.sdRatio) + ".";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ShapeRefusal(const PopulationShape& shape) {
    switch (shape.family) {
        case ShapeFamily::Fleishman:
            return FleishmanRefusal(shape);
        case ShapeFamily::GAndH:
            return GAndHRefusal(shape);
        case ShapeFamily::Lognormal:
            return LognormalRefusal(shape);
        case ShapeFamily::Exponential:
            return std::nullopt;
        case ShapeFamily::ChiSquare:
        case ShapeFamily::StudentT:
            return DfRefusal(shape);
        case ShapeFamily::Contaminated:
            return ContaminatedRefusal(shape);
    }
    return "Unknown population shape.";
}

}  // namespace velmor
