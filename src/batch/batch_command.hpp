#pragma once
// The velmor-batch command: runs the conditions of its study files or design
// on several threads, writes their reports and files, the summary (or this
// shard's part of it), messages on standard error, and says in its exit code
// whether everything succeeded. With --resume it skips the conditions that a
// run before it completed.

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_runner.hpp"
#include "batch/completion_records.hpp"
#include "batch/interruption.hpp"
#include "batch/output_names.hpp"
#include "batch/shards.hpp"

namespace velmor::batch {

struct BatchOptions {
    OutputOptions output;
    std::string summary;  // the summary CSV, or empty for none
    std::vector<std::string> studies;
    std::string design;      // --design FILE.csv: its rows are the conditions
    std::string designBase;  // the base study of the design, or empty
    unsigned jobs = 1;       // worker threads
    bool resume = false;     // skip the conditions complete in the output folder
    std::optional<Shard> shard;
    bool showProgress = false;  // a progress line on standard error (a terminal)
    // For tests only, from VELMOR_BATCH_TEST_KILL_BETWEEN_RENAMES: the name of
    // a condition whose saving kills the process (SIGKILL) right after its
    // first file is renamed into place and before the next one is, so that a
    // test can stop a run at that very point. Empty (the default): no effect.
    std::string testKillBetweenRenames;
};

// Exit codes: 0 all conditions ok, 1 a condition or a write failed, 2 the
// arguments contradict themselves (nothing ran), 128 + signal when stopped by
// SIGINT or SIGTERM.
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Runs the batch; messages go to `err`. When `interrupt` is raised the
// conditions in flight stop and keep no file, those not begun are not run,
// and the summary says so.
int RunBatch(const BatchOptions& options, const InterruptFlag& interrupt, std::ostream& err);

// `velmor-batch merge OUT.csv PART.csv...`: writes the one-machine summary
// from the parts of all shards, or refuses (writing nothing) and says why.
int MergeSummaries(const std::string& out, const std::vector<std::string>& parts,
                   std::ostream& err);

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

// The number of processors this process may run on (and no more than a
// Slurm task's SLURM_CPUS_PER_TASK): the default of --jobs.
unsigned AvailableCores();

}  // namespace velmor::batch
