#pragma once
// The plain-text results report: the population values given, the sample
// values obtained, the rejection count with the actual alpha or power, the
// verdict text of the run and the About box lines.

#include <array>
#include <string>

#include "output/line_sink.hpp"
#include "run/run_state.hpp"

namespace velmor {

// Writes the whole report for the state the last run left behind, line by
// line; an IoError from the sink stops it at once. `aboutLines` are the texts
// of the About box panels Panel1, Panel2 and Panel3, the report's last lines.
// Computes nothing but the averages over the completed replications.
void WriteResultsReport(LineSink& sink, const RunState& state,
                        const std::array<std::string, 3>& aboutLines);

}  // namespace velmor
