// The report's account of a stopping rule: what was asked, and where and why
// the run stopped.

#include <string>

#include "analysis/added_report_section.hpp"
#include "analysis/bands.hpp"
#include "analysis/checkpoint_judge.hpp"
#include "run/number_format.hpp"

namespace velmor {

void WriteStoppingReportPart(const RunState& state, std::vector<std::string>& lines) {
    const StoppingChoice& rule = state.choices.stopping;
    const RunResult& result = state.result;
    if (!rule.any() || !result.hasResults()) return;
    std::string asked;
    if (rule.precision)
        asked = "every chosen test's 95% interval within its rate +/- " +
                FormatGeneral(*rule.precision);
    if (rule.decide != DecideBand::None) {
        if (!asked.empty()) asked += ", or ";
        asked += std::string("every chosen test's 95% interval wholly inside or outside ") +
                 (rule.decide == DecideBand::Bradley ? "Bradley's" : "Robey & Barcikowski's") +
                 " band";
    }
    lines.push_back("Stopping rule: stop at the first checkpoint (every " +
                    GroupedCount(static_cast<std::int64_t>(kCheckpointSamples)) +
                    " samples) with " + asked + "; at most " +
                    GroupedCount(static_cast<std::int64_t>(result.maximumSamples)) + " samples.");
    const std::string widest =
        "the widest interval reaches " +
        FormatFixed(LargestReach(state, static_cast<std::uint64_t>(result.completed)), 6, 4) +
        " from its rate";
    switch (result.stopReason) {
        case StopReason::Precision:
            lines.push_back("Stopped at " + GroupedCount(result.completed) +
                            " samples: the rates are precise enough (" + widest + ").");
            break;
        case StopReason::Decided:
            lines.push_back("Stopped at " + GroupedCount(result.completed) +
                            " samples: every verdict against the band is settled (" + widest +
                            ").");
            break;
        case StopReason::Samples:
            if (result.end == RunEnd::Stopped) {
                lines.push_back("The run was stopped by the user at " +
                                GroupedCount(result.completed) + " samples (" + widest + ").");
            } else {
                lines.push_back("Neither held at any checkpoint: the run drew all " +
                                GroupedCount(result.completed) + " samples (" + widest + ").");
            }
            break;
    }
    if (rule.decide != DecideBand::None && !state.flags.nullIsTrue)
        lines.push_back(
            "The band decides only a run with equal population means; this run's means "
            "differ, so only precision could stop it.");
    lines.emplace_back("");
}

}  // namespace velmor
