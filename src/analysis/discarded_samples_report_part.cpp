// The report's part on samples set aside for having a group without
// variance; written only for a run asked to skip them.
#include "analysis/added_report_section.hpp"
#include "analysis/bands.hpp"

namespace velmor {

void DiscardedSamplesReportPart(const RunState& state, std::vector<std::string>& lines) {
    if (!state.choices.skipNoVarianceSamples) return;
    lines.push_back("Samples set aside because a group had no variance: " +
                    GroupedCount(state.result.discardedNoVariance));
    lines.push_back("(skipped as asked; fresh samples took their place, so the " +
                    GroupedCount(state.result.completed) + " replications");
    lines.emplace_back("above do not include them).");
    lines.emplace_back("");
}

}  // namespace velmor
