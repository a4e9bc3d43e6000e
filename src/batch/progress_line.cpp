#include "batch/progress_line.hpp"

#include <cstdio>

namespace velmor::batch {

namespace {

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

}  // namespace

std::string StudyProgressLine(int study, int studies, const RunProgress& progress, bool search,
                              double elapsedSeconds) {
    std::string line = "study " + std::to_string(study) + " of " + std::to_string(studies) + ": " +
                       std::to_string(progress.completed) + " of " +
                       std::to_string(progress.planned) + " replications" +
                       (search ? " (search trial)" : "") + ", " + Seconds(elapsedSeconds) +
                       " elapsed";
    if (!search && progress.completed > 0 && progress.completed <= progress.planned) {
        const double left = elapsedSeconds *
                            static_cast<double>(progress.planned - progress.completed) /
                            static_cast<double>(progress.completed);
        line += ", about " + Seconds(left) + " left";
    }
    if (progress.redraws > 0)
        line += "; replication " + std::to_string(progress.completed + 1) +
                " has redrawn out-of-bounds scores " + std::to_string(progress.redraws) +
                " times so far";
    return line;
}

}  // namespace velmor::batch
