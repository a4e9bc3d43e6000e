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
// The expected count: for precision, the reach shrinks as 1 / sqrt(n), so
// n (reach / H)^2; for a band, each unsettled test's SamplesToSettle (the
// count at which an interval around the same rate would clear the nearest
// edge); the run stops when either rule holds, so the smaller, rounded up to
// a checkpoint and held between the samples made and the maximum.
CheckpointVerdict JudgeCheckpoint(const RunState& state, std::uint64_t completed);

// The largest reach among the chosen tests after `completed` replications,
// for displays of a run in progress.
double LargestReach(const RunState& state, std::uint64_t completed);

}  // namespace velmor
