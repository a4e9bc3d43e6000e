#include "analysis/checkpoint_judge.hpp"

#include <algorithm>
#include <cmath>

#include "analysis/bands.hpp"

namespace velmor {

namespace {

// The rejections of each chosen test so far; F's from the run's own tally.
template <class Visit>
void ForEachChosenTest(const RunState& state, Visit&& visit) {
    for (const MeanTestKind kind : kAllMeanTests) {
        if (kind == MeanTestKind::F) {
            visit(state.tallies.rejections);
        } else if (state.result.tally(kind).chosen) {
            visit(state.result.tally(kind).rejections);
        }
    }
}

}  // namespace

double IntervalReach(const MonteCarloError& error) {
    return std::max(error.proportion - error.interval.low, error.interval.high - error.proportion);
}

double LargestReach(const RunState& state, std::uint64_t completed) {
    double largest = 0.0;
    ForEachChosenTest(state, [&](std::int64_t rejections) {
        if (const auto error = MonteCarloErrorOf(rejections, static_cast<std::int64_t>(completed)))
            largest = std::max(largest, IntervalReach(*error));
    });
    return largest;
}

CheckpointVerdict JudgeCheckpoint(const RunState& state, std::uint64_t completed) {
    const StoppingChoice& rule = state.choices.stopping;
    const std::uint64_t maximum = state.settings.txtiterations;
    CheckpointVerdict verdict;
    std::optional<double> expected;  // samples in all, before rounding
    auto expect = [&](double samples) {
        expected = expected ? std::min(*expected, samples) : samples;
    };
    if (rule.precision) {
        const double reach = LargestReach(state, completed);
        if (reach <= *rule.precision) verdict.stop = StopReason::Precision;
        const double ratio = reach / *rule.precision;
        expect(static_cast<double>(completed) * ratio * ratio);
    }
    // Read from the settings: the run's flag for equal means is set as it ends.
    const bool equalMeans = EnteredMeansEqual(state.settings);
    if (!verdict.stop && rule.decide != DecideBand::None && equalMeans) {
        const double alpha = state.settings.alpha;
        const RobustnessBand band =
            rule.decide == DecideBand::Bradley ? BradleyBand(alpha) : RobeyBarcikowskiBand(alpha);
        bool settled = true;
        double slowest = static_cast<double>(completed);
        ForEachChosenTest(state, [&](std::int64_t rejections) {
            const auto error = MonteCarloErrorOf(rejections, static_cast<std::int64_t>(completed));
            const BandPlacement placement = PlaceInterval(error->interval, band);
            if (placement == BandPlacement::Inside || placement == BandPlacement::Below ||
                placement == BandPlacement::Above)
                return;
            settled = false;
            // An interval on an edge exactly may never settle: the maximum.
            const std::optional<std::int64_t> needed = SamplesToSettle(*error, band);
            slowest = std::max(
                slowest, needed ? static_cast<double>(*needed) : static_cast<double>(maximum));
        });
        if (settled) verdict.stop = StopReason::Decided;
        expect(slowest);
    }
    if (expected && !verdict.stop) {
        const double checkpoints = std::ceil(*expected / static_cast<double>(kCheckpointSamples));
        const double rounded = checkpoints * static_cast<double>(kCheckpointSamples);
        verdict.expectedSamples = static_cast<std::uint64_t>(
            std::clamp(rounded, static_cast<double>(completed), static_cast<double>(maximum)));
    }
    return verdict;
}

}  // namespace velmor
