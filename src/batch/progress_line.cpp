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

std::string GridProgressLine(std::size_t done, std::size_t total, std::size_t doneByThisRun,
                             std::size_t running, double elapsedSeconds) {
    std::string line = std::to_string(done) + " of " + std::to_string(total) + " done in " +
                       Seconds(elapsedSeconds);
    if (doneByThisRun > 0 && done <= total) {
        const double left =
            elapsedSeconds * static_cast<double>(total - done) / static_cast<double>(doneByThisRun);
        line += ", about " + Seconds(left) + " left";
    }
    if (running > 0) line += ", " + std::to_string(running) + " running";
    return line;
}

std::string FitToTerminal(std::string line, std::size_t columns) {
    if (columns > 1 && line.size() >= columns) line.resize(columns - 1);
    return line;
}

}  // namespace velmor::batch
