#pragma once
// The two comma-delimited files: the last generated data set ("case,group,
// score") and the kept group means of the last run ("sample,mean1,mean2,
// mean3"), for a statistics package or a spreadsheet.

#include <array>
#include <cstdint>
#include <span>

#include "output/line_sink.hpp"
#include "run/run_state.hpp"

namespace velmor {

// One header line and one line per case, groups 1, 2, 3 in order, case
// numbers running on across the groups; each group writes as many scores as
// its span holds (the sizes of the replication that generated them).
void WriteDataFile(LineSink& sink, const std::array<std::span<const double>, kGroups>& scores);

// How many kept means the means file writes: the smaller of txtmeanstokeep
// and txtiterations, and never more than the last run completed and kept.
std::int64_t MeansToWrite(const RunState& state);

// The means of the replications the last run completed, at most
// txtmeanstokeep of them. When txtmeanstokeep (or txtiterations) is 0 the
// file is the single line "Number of means to Save was set at 0"; a run that
// was asked to keep means but completed no replication writes the header
// alone, since none of the arrays' contents belong to it.
void WriteMeansFile(LineSink& sink, const RunState& state);

}  // namespace velmor
