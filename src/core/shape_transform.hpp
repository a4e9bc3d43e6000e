#pragma once
// One deviate of a population shape, standardised: mean 0 and SD 1 exactly
// in theory, so that a group's entered mean and SD scale it as they scale a
// normal deviate. Built once from a shape that ShapeRefusal accepts (the
// power method's coefficients and the standardising constants are computed
// then); a draw afterwards computes only the transform and allocates nothing.
//
// Which deviate each shape takes (ShapeInput, core/population_shape.hpp):
//   a standard normal z:   fleishman, g-and-h, lognormal (functions of a normal);
//   a uniform u in (0, 1): exponential, chi-square, t, contaminated (quantiles).
// Every shape takes exactly one deviate per score and draws nothing of its
// own: the contaminated normal, too, goes through its mixture's quantile
// rather than drawing a component and then a normal, so a shape consumes the
// deviates a normal or a uniform group would, in the same order.

#include "core/fleishman.hpp"
#include "core/population_shape.hpp"

namespace velmor {

class ShapeTransform {
  public:
    // Throws std::invalid_argument carrying ShapeRefusal's message for a
    // shape it refuses.
    explicit ShapeTransform(const PopulationShape& shape);

    const PopulationShape& shape() const { return shape_; }
    ShapeInput input() const { return InputOf(shape_.family); }

    // The standardised score for a deviate of the kind input() names: z for
    // a normal input, u strictly inside (0, 1) for a uniform one.
    double operator()(double deviate) const;

    // The shape's theoretical skewness and excess kurtosis: the targets that
    // achieved values are shown beside.
    double skewness() const { return skewness_; }
    double kurtosis() const { return kurtosis_; }

    // The power method's coefficients (fleishman only).
    const FleishmanCoefficients& fleishman() const { return fleishman_; }
    // The constants that standardise the raw transform: (raw - centre) / spread.
    double centre() const { return centre_; }
    double spread() const { return spread_; }

  private:
    PopulationShape shape_;
    FleishmanCoefficients fleishman_;
    double centre_ = 0.0;
    double spread_ = 1.0;
    double skewness_ = 0.0;
    double kurtosis_ = 0.0;
    // lognormal: sigma^2 / 2 and sqrt(expm1(sigma^2)), the SD over the mean.
    double lognormalShift_ = 0.0;
    double lognormalScale_ = 1.0;
};

}  // namespace velmor
