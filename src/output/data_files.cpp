#include "output/data_files.hpp"

#include <algorithm>
#include <string>

#include "output/file_number_text.hpp"

namespace velmor {

void WriteDataFile(LineSink& sink, const std::array<std::span<const double>, kGroups>& scores) {
    sink.writeLine("case,group,score");
    std::int64_t caseNumber = 0;
    std::string line;
    for (int g = 0; g < kGroups; ++g) {
        const std::string group = "," + std::to_string(g + 1) + ",";
        for (const double score : scores[g]) {
            line = std::to_string(++caseNumber);
            line += group;
            line += FixedText(score, 3, 3);
            sink.writeLine(line);
        }
    }
}

std::int64_t MeansToWrite(const RunState& state) {
    const std::int64_t requested =
        std::min<std::int64_t>(state.settings.txtmeanstokeep, state.settings.txtiterations);
    if (requested <= 0) return requested;
    // Entries past the last completed replication still hold an earlier run's
    // means (or zeros); they must not pass for this run's.
    const std::int64_t kept =
        std::clamp<std::int64_t>(state.tallies.keptMeansOfLastRun, 0, kMaxKeptMeans);
    return std::min(requested, kept);
}

void WriteMeansFile(LineSink& sink, const RunState& state) {
    const std::int64_t requested =
        std::min<std::int64_t>(state.settings.txtmeanstokeep, state.settings.txtiterations);
    if (requested <= 0) {
        sink.writeLine("Number of means to Save was set at 0");
        return;
    }
    sink.writeLine("sample,mean1,mean2,mean3");
    const auto& kept = state.tallies.keptMeans;
    const std::int64_t count = MeansToWrite(state);
    std::string line;
    for (std::int64_t i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        line = std::to_string(i + 1);
        for (int g = 0; g < kGroups; ++g) {
            line += ',';
            line += FixedText(kept[g][at], 5, 5);
        }
        sink.writeLine(line);
    }
}

}  // namespace velmor
