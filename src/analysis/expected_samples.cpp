#include "analysis/expected_samples.hpp"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <cmath>

#include "analysis/bands.hpp"
#include "analysis/normal_theory.hpp"
#include "run/number_format.hpp"

namespace velmor {

namespace {

double Z975() {
    return boost::math::quantile(boost::math::normal_distribution<double>(), 0.975);
}

std::uint64_t ToCheckpoint(double samples, std::uint64_t maximum) {
    const double checkpoints = std::ceil(samples / static_cast<double>(kCheckpointSamples));
    const double rounded = std::max(1.0, checkpoints) * static_cast<double>(kCheckpointSamples);
    return rounded >= static_cast<double>(maximum) ? maximum : static_cast<std::uint64_t>(rounded);
}

}  // namespace

std::uint64_t SamplesForHalfWidth(double p, double halfWidth) {
    const double z = Z975() / halfWidth;
    return static_cast<std::uint64_t>(std::ceil(p * (1.0 - p) * z * z));
}

ExpectedSamples ExpectSamples(const RunSettings& settings, const StoppingChoice& rule) {
    const std::uint64_t maximum = settings.txtiterations;
    if (!rule.any()) return {maximum, "no stopping rule"};
    const NormalTheoryPower theory = NormalTheoryPowerOf(settings);
    if (!theory.available) return {maximum, "the maximum: " + theory.reason};
    const double p = theory.power;
    std::optional<double> expected;
    if (rule.precision) expected = static_cast<double>(SamplesForHalfWidth(p, *rule.precision));
    const bool equalMeans = EnteredMeansEqual(settings);
    if (rule.decide != DecideBand::None && equalMeans) {
        // The theory's rate is alpha itself, inside the band by 10% or 25%.
        const double share = rule.decide == DecideBand::Bradley ? 0.10 : 0.25;
        const double decided =
            static_cast<double>(SamplesForHalfWidth(settings.alpha, share * settings.alpha));
        expected = expected ? std::min(*expected, decided) : decided;
    }
    if (!expected) return {maximum, "the maximum: a band decides only equal means"};
    return {ToCheckpoint(*expected, maximum), "normal theory, F's rate " + FormatFixed(p, 6, 4)};
}

std::string ExpectedSamplesText(const ExpectedSamples& expected) {
    return "Expected before the run: about " +
           GroupedCount(static_cast<std::int64_t>(expected.samples)) + " samples (" +
           expected.basis + ").";
}

}  // namespace velmor
