// The report's word on which generator drew the samples: said only for the
// counter-based generator, so that a classic run's report stays the
// standard one, byte for byte.

#include <string>

#include "analysis/added_report_section.hpp"

namespace velmor {

void GeneratorReportPart(const RunState& state, std::vector<std::string>& lines) {
    const RunResult& result = state.result;
    if (result.generator != Generator::Philox || !result.hasResults()) return;
    lines.push_back(
        "Generator: philox (Philox4x32-10, counter-based), one stream per sample keyed by seed " +
        std::to_string(state.settings.txtseed) + ", condition " +
        std::to_string(state.choices.conditionIndex) +
        " and the sample's number. These numbers are not the window's: the window draws with "
        "the classic generator and does not reproduce them. velmor-batch with generator = "
        "philox reproduces them exactly, whatever --threads, --jobs, shards or --resume.");
    lines.emplace_back("");
}

}  // namespace velmor
