#pragma once
// The program object: owns every window model, the generators, the replication
// workspace, the run state and the commands, for the life of the process, and
// wires menu items, buttons and control events to the commands.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/run_details.hpp"
#include "analysis/search_confirmation.hpp"
#include "core/fprobability.hpp"
#include "core/random.hpp"
#include "core/replication.hpp"
#include "window_model/platform.hpp"
#include "window_model/windows.hpp"
#include "run/run_controller.hpp"
#include "run/run_state.hpp"
#include "search/search_rules.hpp"

namespace velmor {

class SaveCommands;
class SampleSizeSearch;
class CouplingRules;
class Presets;

class Program {
  public:
    // The console serves the F-probability diagnostics; by default the process's own.
    explicit Program(ui::Platform& platform, Console* console = nullptr);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    ui::WindowSet& windows() { return windows_; }
    ui::MainWindow& mainWindow() { return windows_.mainWindow; }
    RunState& state() { return state_; }
    const RunState& state() const { return state_; }
    RunController& run() { return run_; }
    Replicator& replicator() { return replicator_; }
    SaveCommands& save() { return *save_; }
    SampleSizeSearch& search() { return *search_; }
    CouplingRules& coupling() { return *coupling_; }
    Presets& presets() { return *presets_; }

    // A key combination ("F5", "Ctrl+S", ...) pressed in the main window; goes
    // through the menu's matching rule. Returns true when a command ran.
    bool pressShortcut(std::string_view key);
    // A keystroke in txtseed: one that produces a character (printable,
    // Backspace, Ctrl+letter) turns automatic seeds off.
    void txtseedKeyPress(bool producesCharacter);
    void btnQuitClick();
    void Resampled1Click();
    void Winsorized1Click();
    void TypeIIIErrorresults1Click();
    void btnAboutClick();
    void UserAgreement1Click();

    // Whether a run may carry its random chain on a second thread while this
    // thread values the deviates (core/replication_pipeline.hpp); results are
    // the same bits either way. The program reads VELMOR_THREADS and counts
    // the usable cores once, when it is made: with one core, or with
    // VELMOR_THREADS=1, runs stay on one thread whatever this knob says.
    // Otherwise the knob decides; it starts on. A caller that already keeps
    // every core busy (one study per core) turns it off.
    void setPipelineAllowed(bool allowed);
    // Whether VELMOR_THREADS and the cores leave a second thread to a run.
    bool threadsAvailable() const { return threadsAvailable_; }

    // True while a command (a run or a search) is executing; a front end that
    // is asked to close then stops the run and closes once it has unwound.
    bool commandInProgress() const { return commandDepth_ > 0; }

    // The analyses a front end follows beyond the main window: a run
    // (Run, F5, the RUN button) or a sample-size search (F7, F8, F9). Told
    // when one starts and once it has ended and the window is restored; the
    // end is told as None when nothing ran (F9 cancelled in Set Power).
    // A Confirmation is the one run that confirms the last search's sizes
    // (confirmSearch); it is a run, told apart so that a follower can keep
    // the search it belongs to.
    enum class Analysis { None, Run, Search, Confirmation };
    struct AnalysisObserver {
        std::function<void(Analysis)> started;
        std::function<void(Analysis)> finished;
        // Reset to Defaults (alone or as a preset's first step) has cleared
        // the results: whatever described the last analysis is gone too.
        std::function<void()> cleared;
    };
    void setAnalysisObserver(AnalysisObserver observer) { analysisObserver_ = std::move(observer); }
    // The kind of the last analysis that ran; a cancelled Set Power is none.
    Analysis lastAnalysis() const { return lastAnalysis_; }
    // What the Details window and the batch summary describe: the last run,
    // or the last search with its trials.
    RunDetails describeLastAnalysis() const;
    // Seconds the program has waited on the user in modal dialogs and
    // messages since it was made, on a steady clock. A follower subtracts
    // what passed during an analysis, so that its time is the analysis's own
    // work and not how long a message stayed unanswered.
    double secondsInDialogs() const { return secondsInDialogs_; }

    // One run at the sizes the last search ended on, with the search's full
    // number of samples and fresh numbers, to check the power the search
    // reported on samples independent of its trials.
    using SearchConfirmation = velmor::SearchConfirmation;
    // Whether confirmSearch would run now: the last analysis was a search
    // (or a confirmation of it) whose trials ran to an end of its own, and no
    // command is in progress. A stopped, refused or abandoned search, a later
    // run and Reset to Defaults leave nothing to confirm.
    bool searchConfirmable() const { return confirmable_ && !commandInProgress(); }
    // The same, whether or not a command is in progress: what a follower
    // told of an analysis's end (from inside the command) asks.
    bool searchToConfirm() const { return confirmable_; }
    // Runs the confirmation as an ordinary run (the main window shows it, as
    // after F5), told to the observer as Analysis::Confirmation. Does nothing
    // when searchConfirmable() is false.
    void confirmSearch();
    // The last confirmation of the current search; none after a new search,
    // a run or Reset.
    const std::optional<SearchConfirmation>& lastConfirmation() const { return confirmation_; }

  private:
    // The platform as the subsystems reach it. While one of its calls is out
    // with the toolkit (a dialog, the event pump), the toolkit has control:
    // whatever it calls back into the program enters through the boundary.
    class ToolkitTurns : public ui::Platform {
      public:
        ToolkitTurns(ui::Platform& platform, bool& toolkitHasControl, double& secondsInDialogs)
            : platform_(platform),
              toolkitHasControl_(toolkitHasControl),
              secondsInDialogs_(secondsInDialogs) {}
        void showPlainMessage(const std::string& text) override;
        ui::ModalResult showModal(ui::DialogId dialog) override;
        std::optional<std::string> askSaveFileName(const ui::SaveDialogRequest& request) override;
        void processPendingEvents() override;
        void closeMainWindow() override;

      private:
        template <class F>
        auto turn(F&& call);
        // A turn that waits on the user: its time is counted.
        template <class F>
        auto wait(F&& call);
        ui::Platform& platform_;
        bool& toolkitHasControl_;
        double& secondsInDialogs_;
    };

    void wireMenus();
    void wireControls();
    // The one boundary of every command: menu items, buttons and the rules a
    // user's edit runs all enter here. Entered from the toolkit, it runs the
    // command and turns any error that escapes it into a plain message and a
    // usable window; entered from the program's own code (a preset setting a
    // field), the command is part of its caller, whose boundary answers for it.
    template <class F>
    void guarded(F&& command);
    // After an error escaped a command: the window as after an abandoned run,
    // then the message. `what` is the error's text, if it has one.
    void recoverFrom(const char* what);
    // Runs a run or search command between the observer's two calls, each
    // inside the boundary.
    template <class F>
    void analysis(Analysis kind, F&& command);
    void runConfirmation();
    // After an analysis ran: whether the last search may now be confirmed.
    void noteConfirmable(Analysis kind);

    ui::Platform& platform_;
    bool toolkitHasControl_ = true;
    double secondsInDialogs_ = 0.0;
    ToolkitTurns turns_;
    ui::WindowSet windows_;
    RandomGenerators generators_;
    std::unique_ptr<Console> ownConsole_;
    Console& console_;
    Replicator replicator_;
    RunState state_;
    RunController run_;
    std::unique_ptr<SaveCommands> save_;
    std::unique_ptr<SampleSizeSearch> search_;
    std::unique_ptr<CouplingRules> coupling_;
    std::unique_ptr<Presets> presets_;
    int commandDepth_ = 0;
    AnalysisObserver analysisObserver_;
    Analysis lastAnalysis_ = Analysis::None;
    bool threadsAvailable_ = false;
    bool confirmable_ = false;
    // The settings of the search's last trial, to tell whether a
    // confirmation ran the same populations.
    RunSettings searchedSettings_{};
    std::optional<SearchConfirmation> confirmation_;
};

}  // namespace velmor
