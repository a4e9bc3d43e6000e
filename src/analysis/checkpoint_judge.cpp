#include "analysis/checkpoint_judge.hpp"

#include <algorithm>

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

std::optional<StopReason> JudgeCheckpoint(const RunState& state, std::uint64_t completed) {
    const StoppingChoice& rule = state.choices.stopping;
    if (rule.precision && LargestReach(state, completed) <= *rule.precision)
        return StopReason::Precision;
    // Read from the settings: the run's flag for equal means is set as it ends.
    const auto& groups = state.settings.groups;
    const bool equalMeans = groups[0].mean == groups[1].mean && groups[0].mean == groups[2].mean;
    if (rule.decide == DecideBand::None || !equalMeans) return std::nullopt;
    const double alpha = state.settings.alpha;
    const RobustnessBand band =
        rule.decide == DecideBand::Bradley ? BradleyBand(alpha) : RobeyBarcikowskiBand(alpha);
    bool settled = true;
    ForEachChosenTest(state, [&](std::int64_t rejections) {
        const auto error = MonteCarloErrorOf(rejections, static_cast<std::int64_t>(completed));
        const BandPlacement placement = PlaceInterval(error->interval, band);
        settled =
            settled && (placement == BandPlacement::Inside || placement == BandPlacement::Below ||
                        placement == BandPlacement::Above);
    });
    return settled ? std::optional(StopReason::Decided) : std::nullopt;
}

}  // namespace velmor
