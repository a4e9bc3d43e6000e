#include "analysis/added_report_section.hpp"

namespace velmor {

namespace {

// The parts in the order the section shows them. A part added here appears
// in every report whose run it applies to, the window's and the batch's.
constexpr AddedReportPart kParts[] = {
    WriteTestsReportPart, AchievedMeansReportPart, DiscardedSamplesReportPart,
    ShapeReportPart,      WriteStoppingReportPart, GeneratorReportPart,
};

}  // namespace

std::vector<std::string> AddedReportLines(const RunState& state) {
    std::vector<std::string> body;
    for (const AddedReportPart part : kParts) {
        part(state, body);
    }
    if (body.empty()) return {};
    std::vector<std::string> lines = {
        "ADDITIONAL RESULTS (beyond the standard report above)",
        "=======================================================",
    };
    lines.insert(lines.end(), body.begin(), body.end());
    lines.emplace_back("");
    return lines;
}

}  // namespace velmor
