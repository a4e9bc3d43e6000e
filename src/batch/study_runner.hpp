#pragma once
// Runs one study exactly as the window would: its values are typed into a
// fresh program's window model, then its Run command or sample-size search
// runs on a headless platform. The grid run calls it once per condition.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/run_details.hpp"
#include "analysis/test_rates.hpp"
#include "batch/interruption.hpp"
#include "batch/study_file.hpp"
#include "run/run_state.hpp"
#include "search/sample_size_search.hpp"

namespace velmor::batch {

// What became of a study, as the summary says it.
enum class StudyStatus {
    Ok,           // ran, and everything asked for was written
    Failed,       // refused or stopped by the window's rules, or unreadable
    SaveFailed,   // ran, but its report or files could not be written
    Interrupted,  // in flight when the batch was stopped; nothing of it kept
    NotRun,       // the batch was stopped before it came to this study
    NotFound,     // a search that ran but did not reach its target by its stop test
    TimeLimit,    // stopped at --max-time, as Stop stops a run; nothing of it kept
};
const char* StatusText(StudyStatus status);

struct StudyOutcome {
    std::string path;
    StudyStatus status = StudyStatus::Failed;
    bool ok() const { return status == StudyStatus::Ok; }
    // The run completed, whether or not its files could be written.
    bool hasResults() const {
        return status == StudyStatus::Ok || status == StudyStatus::SaveFailed ||
               status == StudyStatus::NotFound;
    }
    std::vector<std::string> messages;  // what the window would have shown
    // What the window's rules made of the study's values that it did not
    // give: values truncated, clamped or reduced, uniform bounds that move
    // the population (batch/value_changes.hpp). Said beside the results.
    std::vector<std::string> notes;
    std::string saveError;    // with SaveFailed, for the summary: "I/O error N writing NAME"
    std::string saveFailure;  // the same for standard error, with the file's folder
    std::string report;       // the results report, CR LF line ends (with results)
    // The last data set: with results, and after NO VARIANCE, whose message
    // asks the user to save the data to verify it.
    std::string dataFile;
    bool hasDataFile = false;
    std::string meansFile;  // the means file text (with results)
    bool searched = false;
    std::string seed;
    RunResult result;  // of the last run: the study's run, or the search's last trial
    std::array<std::int32_t, 3> sizes{};
    // Monte Carlo error, band reading and normal-theory power (when ok).
    SummaryColumns details;
    // Each group's achieved mean with its Monte Carlo error, and whether
    // equal entered means gave means that differ (with results).
    std::optional<AchievedMeans> achieved;
    // With `no_variance = skip`: the samples set aside.
    std::optional<std::int64_t> discardedNoVariance;
    // Each chosen test's rate, when tests beside F were chosen (with results).
    std::vector<TestRate> testRates;
    // A search: its trials, the normal-theory group-1 size for its target
    // (where the theory holds and 2000 reaches it), and with `confirm = yes`
    // one more trial at the sizes it ended on with its full number of samples.
    int searchTrials = 0;
    std::optional<std::int32_t> theorySizeForTarget;
    struct Confirmation {
        std::int64_t samples = 0;
        std::int64_t rejections = 0;
        double power = 0.0;
        double low = 0.0;  // exact binomial 95% interval
        double high = 0.0;
    };
    std::optional<Confirmation> confirmation;
};

// Progress of the run in progress (the current trial of a search).
using ProgressCallback = std::function<void(const RunProgress& progress, bool search)>;

struct StudyRunOptions {
    ProgressCallback progress;
    // When raised, the study stops as the Stop button would stop it and
    // comes back Interrupted.
    const InterruptFlag* interrupt = nullptr;
    // Whether the study's random chain may run on a second thread of its
    // own; a batch that already keeps every core busy with one study per
    // core says no, since the two threads would only take turns.
    bool secondThread = true;
    // When set, the study is stopped as the Stop button would stop it once
    // this time has come, and comes back TimeLimit.
    std::optional<std::chrono::steady_clock::time_point> deadline;
    // The most trials a study's search runs (the window's cap unless lowered).
    int searchTrialCap = kMaxSearchTrials;
    // --strict: a study whose values the window's rules would change is
    // refused (Failed) before anything runs, instead of run with a note.
    bool strict = false;
    // Under `generator = philox`: the threads the study's replications run
    // on, and the condition's index in its grid (part of every replication's
    // key). Neither changes anything under the classic generator.
    unsigned threads = 1;
    std::uint32_t conditionIndex = 0;
};

// Runs the study in a program of its own, so studies may run side by side
// on several threads. The F probability's diagnostics, which the window
// writes to the process's standard output before waiting for Enter, become
// messages of the study, and nothing waits.
StudyOutcome RunStudy(const Study& study, const StudyRunOptions& options = {});

// The settings the study would run with, as the window's settings step makes
// them from its values once typed in, without running anything; nothing when
// the window would refuse them.
std::optional<RunSettings> StudySettings(const Study& study);

// The stopping rule a study's [run] asks for (precision, decide).
StoppingChoice StudyStoppingChoice(const Study& study);

}  // namespace velmor::batch
