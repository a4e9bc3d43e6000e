#pragma once
// What the last run or search means beyond the main window's verdict: the
// Monte Carlo error of its proportion and how that reads against the
// robustness bands, the normal-theory power beside the Monte Carlo power,
// a search's trials, and the data of the plots. Built from the state the
// command left, after it has ended; it changes nothing.

#include <optional>
#include <string>
#include <vector>

#include "analysis/achieved_means.hpp"
#include "analysis/bands.hpp"
#include "analysis/monte_carlo_error.hpp"
#include "analysis/normal_theory.hpp"
#include "analysis/plot_data.hpp"
#include "analysis/search_confirmation.hpp"
#include "run/run_controller.hpp"
#include "run/run_state.hpp"
#include "search/sample_size_search.hpp"

namespace velmor {

enum class DetailsKind {
    Nothing,            // no run or search yet
    NoResult,           // the last command made no replication that counts
    SingleReplication,  // one sample: an F and a p, no proportion to speak of
    Robustness,         // equal means: the proportion is an actual alpha
    Power,              // unequal means: the proportion is an actual power
    SampleSize,         // a sample-size search
};

// One group's sampling distribution of the mean: the Monte Carlo values and,
// where the theory is exact, the theory's.
struct MeansRow {
    int group = 1;
    double meanOfMeans = 0.0;
    double seOfMeans = 0.0;
    double mcError = 0.0;  // Monte Carlo error of the mean of means
    std::optional<MeanDistribution> theory;
};

struct RunDetails {
    DetailsKind kind = DetailsKind::Nothing;
    std::string heading;                  // one line naming what is described
    std::optional<std::string> stopNote;  // said plainly after a stop
    std::optional<MonteCarloError> error;
    std::vector<BandReading> bands;  // robustness: Bradley's, then Robey & Barcikowski's
    NormalTheoryPower theory;        // at the sizes of the (last) run
    std::vector<MeansRow> means;
    // The population means the run achieved, and whether equal entered means
    // gave populations that differ (a power run, not a Type I error run).
    std::optional<AchievedMeans> achieved;
    std::vector<TrialMark> trials;                    // a search's completed trials
    std::optional<std::int32_t> theorySizeForTarget;  // a search: group 1 size by theory
    MeansHistogram histogram;
    PowerCurve powerCurve;  // a search only
    std::optional<IntervalPicture> picture;
    // A search: the run that confirmed its sizes, once one has ended, and
    // where in `lines` its section goes (after the last trial's figures).
    std::optional<SearchConfirmation> confirmation;
    std::size_t confirmationAt = 0;
    std::vector<std::string> lines;  // everything above as text, as shown and copied
};

// The last Run command, from the state it left and how it ended.
RunDetails DescribeRun(const RunState& state, RunController::Outcome outcome);

// The last search: its trial log, the state of its last trial and how that
// trial's Run command ended. The normal-theory size for the target follows
// `allocation` (the search's own) where given, else the last trial's sizes.
RunDetails DescribeSearch(const RunState& state, RunController::Outcome lastOutcome,
                          const std::vector<SearchTrial>& trials,
                          const std::optional<SizeRatios>& allocation = std::nullopt);

// The search's details with the run that confirmed its sizes beside its
// last trial's figures: that run's samples, rejections, power and interval,
// how the interval reads against the target, where its seed came from and
// what the run changed in the main window. Replaces an earlier confirmation.
RunDetails WithConfirmation(RunDetails search, const SearchConfirmation& confirmation);

// The text lines joined with a line feed, for the clipboard.
std::string DetailsText(const RunDetails& details);

// The columns velmor-batch appends to its summary: mc_se, ci_low, ci_high,
// band_reading, normal_theory_power. Empty where not available.
struct SummaryColumns {
    std::string mcSe;
    std::string ciLow;
    std::string ciHigh;
    std::string bandReading;
    std::string normalTheoryPower;
};
SummaryColumns SummaryColumnsOf(const RunDetails& details);

// The smallest group-1 size, 2 to 2000, at which the normal-theory power
// reaches `target` with groups 2 and 3 following by `ratios`; nothing when
// the theory does not hold or 2000 does not reach it.
std::optional<std::int32_t> TheorySizeForPower(const RunSettings& settings,
                                               const SizeRatios& ratios, double target);

}  // namespace velmor
