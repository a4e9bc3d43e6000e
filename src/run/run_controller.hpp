#pragma once
// The Run command: settings, locking, the replication loop with its event
// pump and stop check, tallies, end of run, verdicts and Restore.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/mean_test_battery.hpp"
#include "core/mean_test_result.hpp"
#include "core/random.hpp"
#include "core/replication.hpp"
#include "core/replication_pipeline.hpp"
#include "run/philox_blocks.hpp"
#include "run/run_state.hpp"
#include "run/settings_step.hpp"
#include "run/stopping_rule.hpp"
#include "window_model/platform.hpp"
#include "window_model/windows.hpp"

namespace velmor {

// The most samples without variance a run that skips them sets aside: as
// many as it plans to make, and at least 1000. A run that reaches it has
// drawn more discarded samples than counted ones (or every one of its first
// thousand had no variance), and ends with NO VARIANCE as a run that does not
// skip them ends at the first.
constexpr std::uint64_t NoVarianceDiscardCap(std::uint64_t planned) {
    return planned > 1000 ? planned : 1000;
}

class RunController {
  public:
    RunController(ui::WindowSet& windows, ui::Platform& platform, RunState& state,
                  RandomGenerators& generators, Replicator& replicator);

    // The Run command (menu Run1, F5, and the RUN button). Under a search it
    // leaves the window locked and writes no verdict.
    void btnRunClick();
    // Asks a running loop to stop before its next replication.
    void btnStopRunClick() { state_.flags.stopRequested = true; }
    void SpeedButtonRunClick() { btnRunClick(); }

    // How the last Run command ended; the search judges only completed trials.
    enum class Outcome { Completed, NothingCompleted, NoVariance, SettingsFailed, Abandoned };
    Outcome lastOutcome() const { return outcome_; }
    // True when the last command was abandoned by a floating-point fault, an
    // I/O error or an unexpected error (its message has been shown).
    bool abandoned() const { return abandoned_; }

    // Puts the window and the flags right after an error escaped a command
    // (the run's own or any other): nothing steers a run or a search any
    // more, the window is unlocked as after an abandoned run, the save
    // commands are off (what was computed is no result), and the command
    // counts as abandoned. Shows nothing.
    void recoverFromFailure();

    // Unlocks the window as at the end of a run: menus, run button, inputs,
    // bound controls by distribution. Used by the search's end display too.
    void unlockWindow();
    // Enables the save commands with their run-time captions.
    void enableSaveCommands();
    void disableSaveCommands();

    // Whether a run may carry its random chain on a second thread (see
    // core/replication_pipeline.hpp); off unless the program object allows it.
    void setPipelineAllowed(bool allowed) { pipeline_.setAllowed(allowed); }
    // How a run with a stopping rule is judged at its checkpoints; without a
    // judge, or without a rule, every run draws all its samples.
    void setCheckpointJudge(CheckpointJudge judge) { checkpointJudge_ = std::move(judge); }
    // The worker threads of a run under the counter-based generator (at
    // least 1); its numbers are the same for any count.
    void setPhiloxThreads(unsigned threads) { philoxThreads_ = threads < 1 ? 1 : threads; }
    unsigned philoxThreads() const { return philoxThreads_; }

    // The settings the next Run command would run with, read from the window
    // as it stands by the same settings step, without running: no field, seed
    // word or generator of the program changes. Nothing when the step would
    // refuse the window's values. `searchActive` reads them as a search's
    // trial would. Lets a caller that typed values in compare them with what
    // the window's rules make of them before anything runs.
    std::optional<RunSettings> settingsAsTyped(bool searchActive) const;
    const ReplicationPipeline& pipeline() const { return pipeline_; }
    ReplicationPipeline& pipeline() { return pipeline_; }

  private:
    void resetForRun();
    bool runSettingsStep();
    void lockWindow();
    void replicationLoop();
    // The loop under the counter-based generator: blocks on worker threads.
    void philoxReplicationLoop();
    void restore();
    void showProgress(std::uint64_t i, std::uint64_t iterations);
    // The chosen tests beside F on the replication just tested, tallied.
    void runOtherTests(std::span<const MeanTestKind> kinds, const RejectionRule& rule);
    // Marks the run's chosen tests in its result and returns those beside F,
    // in a fixed order, written into `room`. They read the observed scores
    // only and draw nothing, so the run's numbers stay F's.
    std::span<const MeanTestKind> chooseOtherTests(std::array<MeanTestKind, kMeanTestKinds>& room);
    void noVarianceStop();
    void endOfRun(std::uint64_t completed);
    void abandon(const std::string& message);
    // After an abandoned command: the stop button goes, and the focus goes
    // to the input the fault came from where one can be named.
    void retireStopButton();
    void focusFaultField();
    void enableSaveItem(ui::MenuItem& item, const char* caption);
    // The window's inputs as the settings step reads them.
    FieldValues fieldValues() const;
    // The control of an input field the settings step names.
    ui::Control& controlOf(FieldRef field) const;

    ui::WindowSet& windows_;
    ui::MainWindow& main_;
    ui::Platform& platform_;
    RunState& state_;
    RandomGenerators& generators_;
    Replicator& replicator_;
    ReplicationPipeline pipeline_;
    CheckpointJudge checkpointJudge_;
    PhiloxBlockRunner philox_;
    unsigned philoxThreads_ = 1;
    // Where the rank and trimmed tests sort, sized once for the largest groups.
    MeanTestScratch testScratch_{kMaxScores};
    // Controls rewritten every replication, looked up once.
    ui::Control& txtrej1_;
    ui::Control& label7_;
    Outcome outcome_ = Outcome::SettingsFailed;
    bool abandoned_ = false;
    bool dataSetIncomplete_ = false;  // a stop abandoned a replication half way
};

}  // namespace velmor
