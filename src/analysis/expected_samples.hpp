#pragma once
// How many samples a run with a stopping rule is expected to draw, before it
// starts: from the normal theory of the F test where it holds. For a rate p
// a 95% interval reaches about z sqrt(p (1 - p) / n), so a half-width H takes
// n = p (1 - p) (z / H)^2 samples, and an interval around alpha clears a band
// edge at distance d after alpha (1 - alpha) (z / d)^2. The theory speaks for
// F; tests beside it have rates of their own, so the figure is a guide.

#include <cstdint>
#include <optional>
#include <string>

#include "run/run_settings.hpp"
#include "run/stopping_rule.hpp"

namespace velmor {

// p (1 - p) (z / H)^2 with z the 97.5% normal quantile, rounded up.
std::uint64_t SamplesForHalfWidth(double p, double halfWidth);

struct ExpectedSamples {
    std::uint64_t samples = 0;  // expected, at most the maximum
    // How it was found: "no stopping rule", "normal theory, power 0.0500",
    // or why the maximum stands.
    std::string basis;
};

// The samples a run of these settings under `rule` is expected to draw, at
// most settings.txtiterations; rounded up to a checkpoint.
ExpectedSamples ExpectSamples(const RunSettings& settings, const StoppingChoice& rule);

// One line for the Details window: "Expected before the run: about 8,000
// samples (normal theory, F's rate 0.0500)."
std::string ExpectedSamplesText(const ExpectedSamples& expected);

}  // namespace velmor
