#pragma once
// --dry-run: the grid's conditions, their factors and the samples each is
// expected to draw, written as CSV to standard output; nothing runs and no
// file is written.

#include <ostream>

#include "batch/conditions.hpp"
#include "batch/grid_run.hpp"

namespace velmor::batch {

// Writes the listing (this shard's conditions with --shard). Returns the exit
// code: 0, or 1 when a condition could not be read or the window would refuse it.
int DryRun(const BatchOptions& options, const ConditionList& conditions, std::ostream& err);

}  // namespace velmor::batch
