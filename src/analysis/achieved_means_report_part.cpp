// The report's part on achieved means. It is written only when equal entered
// means gave populations that differ: then the standard report above reads
// the rejection rate as a Type I error rate, and this part says what the run
// measured instead. Other runs' reports stay the standard ones.
#include "analysis/achieved_means.hpp"
#include "analysis/added_report_section.hpp"
#include "run/number_format.hpp"

namespace velmor {

void AchievedMeansReportPart(const RunState& state, std::vector<std::string>& lines) {
    const std::optional<AchievedMeans> a = AchievedMeansOf(state);
    if (!a || !a->differ) return;
    lines.emplace_back("Achieved population means (mean of the sample means, Monte Carlo error):");
    for (int g = 0; g < kGroups; ++g)
        lines.push_back("  Group " + std::to_string(g + 1) + ": " + FormatFixed(a->mean[g], 10, 4) +
                        "  +/- " + FormatFixed(a->mcError[g], 8, 4));
    lines.emplace_back("The entered population means are equal, but the achieved means differ by");
    lines.push_back("more than Monte Carlo error (groups " + std::to_string(a->groupA) + " and " +
                    std::to_string(a->groupB) + ": " + FormatFixed(a->z, 6, 1) +
                    " combined errors, more than " + FormatGeneral(kAchievedMeansCriticalZ) + ").");
    lines.emplace_back("This run measured power, not a Type I error rate: the robustness reading");
    lines.emplace_back("above does not apply to it.");
    lines.emplace_back("");
}

}  // namespace velmor
