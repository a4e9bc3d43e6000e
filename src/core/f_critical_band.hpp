#pragma once
// The F test's decision without its probability, where the decision is
// plain. A run's replications share the degrees of freedom and alpha, so
// their F ratios can be set against one critical value: a ratio well below it
// has a probability above alpha, one well above it a probability below. Only
// ratios within a narrow band around the critical value (and ratios that are
// not finite) are left to the probability itself, so every decision is the
// one the probability would have made; the counter-based generator's blocks
// use it, where evaluating the probability for every replication would cost
// a quarter of the run.

#include <limits>

namespace velmor {

class FCriticalBand {
  public:
    enum class Side { Accepts, Rejects, Undecided };

    // Decides nothing: every ratio is Undecided.
    FCriticalBand() = default;

    // The band for these degrees of freedom and alpha. The critical value
    // comes from Boost.Math; the band is its width on either side of it, and
    // FProbability, evaluated at both edges, must lie above alpha at the lower
    // edge and below it at the upper, without a diagnostic. When it does not
    // (or there is no critical value: alpha outside (0, 1)), the band decides
    // nothing. The floating-point flags are left as they were.
    FCriticalBand(double dfBetween, double dfWithin, double alpha);

    // A ratio that is not finite is Undecided, whatever the band.
    Side side(double f) const {
        if (f < lower_ && f >= -std::numeric_limits<double>::max()) return Side::Accepts;
        if (f > upper_ && f <= std::numeric_limits<double>::max()) return Side::Rejects;
        return Side::Undecided;
    }

    double lower() const { return lower_; }
    double upper() const { return upper_; }

    // Relative half-width of the band. FProbability converges to about 3e-7
    // relative; across the band the probability changes by about 1e-3 times
    // its elasticity (above 1 near any usual critical value), some thousand
    // times more, so no ratio outside the band can be decided differently.
    static constexpr double kRelativeWidth = 1e-3;

  private:
    double lower_ = -std::numeric_limits<double>::infinity();
    double upper_ = std::numeric_limits<double>::infinity();
};

}  // namespace velmor
