#pragma once
// The progress line a terminal shows while a study runs.

#include <cstddef>
#include <string>

#include "run/run_state.hpp"

namespace velmor::batch {

// "study 2 of 5: 1234 of 10000 replications, 1.5 s elapsed, about 10.7 s left".
// The count is of replications completed by the run (for a search, by its
// trial in progress); the time left is estimated from the rate so far and
// shown only once a replication is complete. When the replication under way
// has been redrawing out-of-bounds scores, the line says so, since the count
// then stands still.
std::string StudyProgressLine(int study, int studies, const RunProgress& progress, bool search,
                              double elapsedSeconds);

// "12 of 200 done in 34.5 s, about 540.0 s left, 2 running": the conditions
// of the call (a grid's, several studies') that are done, skipped ones
// included. The time left is estimated from the conditions this run has
// done itself, once there is one.
std::string GridProgressLine(std::size_t done, std::size_t total, std::size_t doneByThisRun,
                             std::size_t running, double elapsedSeconds);

// The line cut to fit a terminal of `columns` columns (it must not wrap, or
// the next one would not overwrite it); unchanged when columns is 0.
std::string FitToTerminal(std::string line, std::size_t columns);

}  // namespace velmor::batch
