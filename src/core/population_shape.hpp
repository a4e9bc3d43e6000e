#pragma once
// A population shape other than normal or uniform, as a value: which family
// and its parameters, in the words a researcher uses for them (skewness and
// excess kurtosis, Hoaglin's g and h, degrees of freedom, ...). Whether a
// shape is possible is decided by ShapeRefusal (core/shape_refusal.hpp);
// drawing from it by ShapeTransform (core/shape_transform.hpp).

#include <string_view>

namespace velmor {

enum class ShapeFamily {
    Fleishman,     // power method: skewness, kurtosis
    GAndH,         // Hoaglin's g-and-h: g, h
    Lognormal,     // exp(sigma Z): sigma
    Exponential,   // no parameter
    ChiSquare,     // df
    StudentT,      // df (> 4, so that the kurtosis exists)
    Contaminated,  // normal mixture: proportion from the wider normal, sd_ratio
};

// Which deviate a shape's transform takes. Shapes defined as a function of a
// normal variable take a standard normal deviate (as a normal group does);
// the others go through their quantile function and take a uniform deviate
// in (0, 1) (as a uniform group does).
enum class ShapeInput { StandardNormal, Uniform };

// Every parameter any family has; a family reads only its own and ignores the
// rest. Kurtosis is always excess kurtosis (0 for the normal), as the
// literature writes it.
struct PopulationShape {
    ShapeFamily family = ShapeFamily::Exponential;
    double skewness = 0.0;    // fleishman
    double kurtosis = 0.0;    // fleishman, excess
    double g = 0.0;           // g-and-h: skew
    double h = 0.0;           // g-and-h: tail weight
    double sigma = 1.0;       // lognormal: SD of the underlying normal
    double df = 1.0;          // chi-square, t
    double proportion = 0.0;  // contaminated: share drawn from the wider normal
    double sdRatio = 1.0;     // contaminated: SD of the wider normal over the narrower

    bool operator==(const PopulationShape&) const = default;

    static PopulationShape Fleishman(double skewness, double kurtosis) {
        return {.family = ShapeFamily::Fleishman, .skewness = skewness, .kurtosis = kurtosis};
    }
    static PopulationShape GAndH(double g, double h) {
        return {.family = ShapeFamily::GAndH, .g = g, .h = h};
    }
    static PopulationShape Lognormal(double sigma) {
        return {.family = ShapeFamily::Lognormal, .sigma = sigma};
    }
    static PopulationShape Exponential() { return {.family = ShapeFamily::Exponential}; }
    static PopulationShape ChiSquare(double df) {
        return {.family = ShapeFamily::ChiSquare, .df = df};
    }
    static PopulationShape StudentT(double df) {
        return {.family = ShapeFamily::StudentT, .df = df};
    }
    static PopulationShape Contaminated(double proportion, double sdRatio) {
        return {.family = ShapeFamily::Contaminated, .proportion = proportion, .sdRatio = sdRatio};
    }
};

// The family's name as a study file writes it ("fleishman", "g-and-h", ...).
constexpr std::string_view ShapeName(ShapeFamily family) {
    switch (family) {
        case ShapeFamily::Fleishman:
            return "fleishman";
        case ShapeFamily::GAndH:
            return "g-and-h";
        case ShapeFamily::Lognormal:
            return "lognormal";
        case ShapeFamily::Exponential:
            return "exponential";
        case ShapeFamily::ChiSquare:
            return "chi-square";
        case ShapeFamily::StudentT:
            return "t";
        case ShapeFamily::Contaminated:
            return "contaminated";
    }
    return "";
}

constexpr ShapeInput InputOf(ShapeFamily family) {
    switch (family) {
        case ShapeFamily::Fleishman:
        case ShapeFamily::GAndH:
        case ShapeFamily::Lognormal:
            return ShapeInput::StandardNormal;
        case ShapeFamily::Exponential:
        case ShapeFamily::ChiSquare:
        case ShapeFamily::StudentT:
        case ShapeFamily::Contaminated:
            return ShapeInput::Uniform;
    }
    return ShapeInput::StandardNormal;
}

}  // namespace velmor
