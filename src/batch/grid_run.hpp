#pragma once
// Running a grid: the conditions of the velmor-batch command's study files or
// design, on several threads, with their reports and files, the summary (or
// this shard's part of it), messages and progress on the stream it is given,
// and an exit code that says whether everything succeeded. With --resume it skips
// the conditions that a run before it completed.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "batch/exit_codes.hpp"
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
    // --threads: the threads of one study under `generator = philox`; 0 for
    // the cores the workers leave (the cores divided among them, at least 1).
    unsigned threads = 0;
    bool resume = false;  // skip the conditions complete in the output folder
    std::optional<Shard> shard;
    bool showProgress = false;  // a progress line on `err` (standard error is a terminal)
    // --max-time: the seconds one condition may take; one that reaches them
    // is stopped as Stop stops a run, keeps no file and gets `time limit`.
    std::optional<double> maxSeconds;
    // --strict: a condition whose values the window's rules would change is
    // refused, and a grid whose conditions would run the same settings runs
    // nothing.
    bool strict = false;
    // --dry-run: list the conditions and the samples each is expected to
    // draw, and run nothing.
    bool dryRun = false;
    // For tests only, from VELMOR_BATCH_TEST_KILL_BETWEEN_RENAMES: the name of
    // a condition whose saving kills the process (SIGKILL) right after its
    // first file is renamed into place and before the next one is, so that a
    // test can stop a run at that very point. Empty (the default): no effect.
    std::string testKillBetweenRenames;
};

// Runs the batch; messages, and the progress line when showProgress, go to
// `err`. When `interrupt` is raised the conditions in flight stop and keep no
// file, those not begun are not run, and the summary says so.
int RunBatch(const BatchOptions& options, const InterruptFlag& interrupt, std::ostream& err);

// The number of processors this process may run on (and no more than a
// Slurm task's SLURM_CPUS_PER_TASK): the default of --jobs.
unsigned AvailableCores();

}  // namespace velmor::batch
