#pragma once
// Whether a run with a stopping rule may stop at a checkpoint: every chosen
// test's 95% Clopper-Pearson interval precise enough (within its rate +- H),
// or, with equal means, lying wholly inside or wholly outside the band it is
// decided against.

#include <cstdint>
#include <optional>

#include "analysis/monte_carlo_error.hpp"
#include "run/run_state.hpp"
#include "run/stopping_rule.hpp"

namespace velmor {

// The interval's reach from the rate: the larger of rate - low and
// high - rate (a Clopper-Pearson interval is not symmetric).
double IntervalReach(const MonteCarloError& error);

// Precision is judged first, so a run that is both precise and decided says
// precision. Decide applies only to a run with equal population means.
std::optional<StopReason> JudgeCheckpoint(const RunState& state, std::uint64_t completed);

// The largest reach among the chosen tests after `completed` replications,
// for displays of a run in progress.
double LargestReach(const RunState& state, std::uint64_t completed);

}  // namespace velmor
