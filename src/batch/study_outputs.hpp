#pragma once
// Putting a study's report, data and means files in place, all of them or none.

#include <vector>

#include "batch/completion_records.hpp"
#include "batch/interruption.hpp"
#include "batch/output_names.hpp"
#include "batch/study_runner.hpp"

namespace velmor::batch {

// Writes a study's files, all together or none, and sets its status:
// SaveFailed with the error (saveError, saveFailure), or Interrupted when the
// batch was stopped meanwhile. A report for standard output is written by
// the caller, in condition order. When `saved` is given, it receives the
// name, size and SHA-256 of each file put in place. `killBetweenRenames` is
// the test hook of BatchOptions.
void SaveStudyFiles(StudyOutcome& outcome, const StudyTargets& targets,
                    const InterruptFlag& interrupt,
                    std::vector<CompletionRecords::RecordedFile>* saved = nullptr,
                    bool killBetweenRenames = false);

}  // namespace velmor::batch
