#pragma once
// The progress line a terminal shows while a study runs.

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

}  // namespace velmor::batch
