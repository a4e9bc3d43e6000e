#pragma once
// The velmor-batch command: runs its studies one after another, writes their
// reports and files, the summary, messages on standard error, and says in
// its exit code whether everything succeeded.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "batch/batch_runner.hpp"
#include "batch/interruption.hpp"
#include "batch/output_names.hpp"

namespace velmor::batch {

struct BatchOptions {
    OutputOptions output;
    std::string summary;  // the summary CSV, or empty for none
    std::vector<std::string> studies;
    bool showProgress = false;  // a progress line on standard error (a terminal)
};

// Exit codes: 0 all studies ok, 1 a study or a write failed, 2 the arguments
// contradict themselves (nothing ran), 128 + signal when stopped by SIGINT or
// SIGTERM.
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Runs the batch; messages go to `err`. When `interrupt` is raised the study
// in flight is stopped and keeps no file, the studies after it are not run,
// and the summary says so.
int RunBatch(const BatchOptions& options, const InterruptFlag& interrupt, std::ostream& err);

// Writes a study's outputs (files all together or none, then the report on
// standard output when no folder was given) and sets its status: SaveFailed
// with the error, or Interrupted when the batch was stopped meanwhile.
// Messages go to `err`.
void SaveStudy(StudyOutcome& outcome, const StudyTargets& targets, const InterruptFlag& interrupt,
               std::ostream& err);

}  // namespace velmor::batch
