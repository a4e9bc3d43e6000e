#pragma once
// The Run command: settings, locking, the replication loop with its event
// pump and stop check, tallies, end of run, verdicts and Restore.

#include <array>
#include <cstdint>

#include "core/random.hpp"
#include "core/replication.hpp"
#include "run/run_state.hpp"
#include "ui/model/platform.hpp"
#include "ui/model/windows.hpp"

namespace velmor {

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

    // Unlocks the window as at the end of a run: menus, run button, inputs,
    // bound controls by distribution. Used by the search's end display too.
    void unlockWindow();
    // Enables the save commands with their run-time captions.
    void enableSaveCommands();

  private:
    void resetForRun();
    bool runSettingsStep();
    void lockWindow();
    void replicationLoop();
    void endOfRun();
    void restore();
    void showProgress(std::uint32_t i, std::uint32_t iterations);

    ui::WindowSet& windows_;
    ui::MainWindow& main_;
    ui::Platform& platform_;
    RunState& state_;
    RandomGenerators& generators_;
    Replicator& replicator_;
    // Whether the last command got as far as a completed replication; the
    // save commands stay disabled otherwise.
    bool settingsFailed_ = false;
};

}  // namespace velmor
