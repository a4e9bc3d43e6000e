#pragma once
// What the Details window says about a run's stopping rule: the rule in
// force, how far the run has come towards it, and why the last run ended
// where it did. Sentences only; the rule and the run's end are values
// (StoppingChoice, RunResult) that these turn into words.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "run/run_state.hpp"
#include "run/stopping_rule.hpp"

namespace velmor {

// Said when a typed precision is refused, as a study file's `precision` is.
inline constexpr const char* kPrecisionMessage =
    "precision is the half-width of a 95% interval: a number above 0 and below .5, such as .005";

// A typed half-width, as a study file's `precision` takes it: a number above
// 0 and below .5. Nothing for any other text.
std::optional<double> ReadPrecision(std::string_view text);

// The rule in force, for example "Target: every chosen test's 95% interval
// within its rate +/- 0.005, judged every 1,000 samples; Samples is the most
// a run draws." Without a rule: that every run draws all its samples.
std::string StoppingTargetText(const StoppingChoice& rule);

// A run in progress after `completed` replications: the widest reach of the
// chosen tests' intervals so far. Empty before the first replication.
std::string StoppingProgressText(const RunState& state, std::uint64_t completed);

// Why the last run ended where it did, for a run made with `rule`: "Stopped
// at 3,000 of at most 20,000 samples: the rates are precise enough (widest
// reach 0.0082)." Empty for a run without the rule or without results.
std::string StoppingOutcomeText(const RunState& state, const StoppingChoice& rule);

}  // namespace velmor
