#include "batch/study_outputs.hpp"

#include <signal.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "batch/output_files.hpp"
#include "batch/printable.hpp"
#include "batch/sha256.hpp"

namespace velmor::batch {

void SaveStudyFiles(StudyOutcome& outcome, const StudyTargets& targets,
                    const InterruptFlag& interrupt,
                    std::vector<CompletionRecords::RecordedFile>* saved, bool killBetweenRenames) {
    const bool results = outcome.hasResults();
    std::vector<OutputFile> files;
    if (results && !targets.report.empty()) files.push_back({targets.report, outcome.report});
    if (outcome.hasDataFile && !targets.data.empty())
        files.push_back({targets.data, outcome.dataFile});
    if (results && !targets.means.empty()) files.push_back({targets.means, outcome.meansFile});
    auto markInterrupted = [&] {
        outcome.status = StudyStatus::Interrupted;
        outcome.messages = {StoppedBy(interrupt)};
    };
    try {
        // Made durable together with the others of the batch (syncfs).
        std::function<void(std::size_t)> afterRename;
        if (killBetweenRenames && files.size() > 1)
            afterRename = [](std::size_t at) {
                if (at == 0) ::raise(SIGKILL);
            };
        if (!files.empty() && !SaveAllOrNothing(
                                  files, [&interrupt] { return interrupt.raised(); },
                                  TextFileSink::Flush::Deferred, afterRename))
            return markInterrupted();
        if (saved)
            for (const OutputFile& file : files)
                saved->push_back({file.path.filename().string(), DigestOfText(file.text)});
    } catch (const WriteError& error) {
        // Opening a FIFO waits for its reader; the signal ends the wait.
        if (error.code() == EINTR && interrupt.raised()) return markInterrupted();
        outcome.saveFailure = error.withReason() + " writing " + Printable(error.target());
        if (!results) return;  // the study had failed already; its message stays
        outcome.status = StudyStatus::SaveFailed;
        // The summary names the file without its folder, so that it reads the
        // same wherever the outputs went.
        outcome.saveError = std::string(error.what()) + " writing " +
                            std::filesystem::path(error.target()).filename().string();
    }
}

}  // namespace velmor::batch
