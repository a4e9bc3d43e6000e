#include "program/program.hpp"

#include <chrono>
#include <cstdlib>
#include <exception>
#include <functional>

#include "analysis/added_report_section.hpp"
#include "analysis/checkpoint_judge.hpp"
#include "core/errors.hpp"
#include "core/usable_cores.hpp"
#include "output/save_commands.hpp"
#include "program/coupling.hpp"
#include "program/presets.hpp"
#include "search/sample_size_search.hpp"

namespace velmor {

Program::Program(ui::Platform& platform, Console* console)
    : platform_(platform),
      turns_(platform, toolkitHasControl_, secondsInDialogs_),
      ownConsole_(console ? nullptr : std::make_unique<ProcessConsole>()),
      console_(console ? *console : *ownConsole_),
      replicator_(generators_, console_),
      run_(windows_, turns_, state_, generators_, replicator_),
      save_(std::make_unique<SaveCommands>(windows_, turns_, state_, replicator_)),
      search_(std::make_unique<SampleSizeSearch>(windows_, turns_, state_, run_)),
      coupling_(std::make_unique<CouplingRules>(windows_.mainWindow, state_.settings)),
      presets_(std::make_unique<Presets>(windows_, state_, *coupling_)) {
    coupling_->wire([this](const std::function<void()>& rule) { guarded(rule); });
    save_->setReportAddition(AddedReportLines);
    run_.setCheckpointJudge(JudgeCheckpoint);
    wireMenus();
    wireControls();
    threadsAvailable_ = PipelineThreadsAvailable(std::getenv("VELMOR_THREADS"), UsableCores());
    setPipelineAllowed(true);
}

void Program::setPipelineAllowed(bool allowed) {
    run_.setPipelineAllowed(allowed && threadsAvailable_);
}

RunDetails Program::describeLastAnalysis() const {
    if (lastAnalysis_ == Analysis::Search)
        return DescribeSearch(state_, run_.lastOutcome(), search_->trialLog(),
                              search_->allocation());
    return DescribeRun(state_, run_.lastOutcome());
}

Program::~Program() = default;

template <class F>
auto Program::ToolkitTurns::turn(F&& call) {
    struct Back {
        bool& flag;
        bool was;
        ~Back() { flag = was; }
    } back{toolkitHasControl_, toolkitHasControl_};
    toolkitHasControl_ = true;
    return call();
}

template <class F>
auto Program::ToolkitTurns::wait(F&& call) {
    struct Count {
        double& total;
        std::chrono::steady_clock::time_point from = std::chrono::steady_clock::now();
        ~Count() {
            total += std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
        }
    } count{secondsInDialogs_};
    return turn(std::forward<F>(call));
}

void Program::ToolkitTurns::showPlainMessage(const std::string& text) {
    wait([&] { platform_.showPlainMessage(text); });
}
ui::ModalResult Program::ToolkitTurns::showModal(ui::DialogId dialog) {
    return wait([&] { return platform_.showModal(dialog); });
}
std::optional<std::string> Program::ToolkitTurns::askSaveFileName(
    const ui::SaveDialogRequest& request) {
    return wait([&] { return platform_.askSaveFileName(request); });
}
void Program::ToolkitTurns::processPendingEvents() {
    turn([&] { platform_.processPendingEvents(); });
}
void Program::ToolkitTurns::closeMainWindow() {
    turn([&] { platform_.closeMainWindow(); });
}

template <class F>
void Program::guarded(F&& command) {
    if (!toolkitHasControl_) {
        command();
        return;
    }
    ++commandDepth_;
    toolkitHasControl_ = false;
    struct Leave {
        int& depth;
        bool& toolkitHasControl;
        ~Leave() {
            --depth;
            toolkitHasControl = true;
        }
    } leave{commandDepth_, toolkitHasControl_};
    // Nothing may reach the toolkit's event loop, which cannot carry an
    // exception: whatever escapes the command ends here.
    try {
        command();
    } catch (const std::exception& error) {
        recoverFrom(error.what());
    } catch (...) {
        recoverFrom(nullptr);
    }
}

void Program::recoverFrom(const char* what) {
    const std::string message = UnexpectedErrorMessage(what);
    // Another command waits below this one (a dialog's button while its
    // command shows the dialog); that command still owns the window.
    const bool outermost = commandDepth_ == 1;
    try {
        if (outermost) run_.recoverFromFailure();
        turns_.showPlainMessage(message);
    } catch (...) {
        // The window or the message could not be put right either; the
        // program goes on, and the next command starts from a fresh reset.
    }
}

template <class F>
void Program::analysis(Analysis kind, F&& command) {
    const int searchesBefore = search_->searchesStarted();
    // A follower of the progress sees nothing of the last command's count:
    // until this one has planned its replications there is none to show.
    state_.progress = {};
    guarded([&] {
        if (analysisObserver_.started) analysisObserver_.started(kind);
        command();
    });
    // F9 cancelled in Set Power starts no search; the last analysis stands.
    const bool ran = kind != Analysis::Search || search_->searchesStarted() != searchesBefore;
    if (ran) {
        lastAnalysis_ = kind;
        noteConfirmable(kind);
    }
    // Told also after a command that failed, so that a follower stops waiting.
    guarded([&] {
        if (analysisObserver_.finished) analysisObserver_.finished(ran ? kind : Analysis::None);
    });
}

namespace {

// The ends of a search whose trials ran their course: its last trial's sizes
// are what it settled on, right or wrong, and one more run can check them.
// A stopped search settled on nothing; a refused, abandoned or no-variance
// one has no last trial to stand by.
bool SettledOnSizes(SearchEnd end) {
    switch (end) {
        case SearchEnd::Reached:
        case SearchEnd::Looping:
        case SearchEnd::Cycling:
        case SearchEnd::TrialCap:
        case SearchEnd::Unreachable:
        case SearchEnd::NoFit:
            return true;
        default:
            return false;
    }
}

// The settings that decide a run's power, other than the sizes, the samples
// and the seed that a confirmation sets itself.
bool SamePopulations(const RunSettings& a, const RunSettings& b) {
    if (a.alpha != b.alpha || a.bounds != b.bounds || a.rdoOnetail != b.rdoOnetail) return false;
    for (int g = 0; g < kGroups; ++g) {
        const GroupSettings& x = a.groups[g];
        const GroupSettings& y = b.groups[g];
        if (x.mean != y.mean || x.sd != y.sd || x.reliability != y.reliability ||
            x.distribution != y.distribution || x.wholeNumbers != y.wholeNumbers ||
            x.hasMinimum != y.hasMinimum || x.hasMaximum != y.hasMaximum ||
            (x.hasMinimum && x.minimum != y.minimum) || (x.hasMaximum && x.maximum != y.maximum))
            return false;
    }
    return true;
}

}  // namespace

void Program::noteConfirmable(Analysis kind) {
    switch (kind) {
        case Analysis::Search:
            confirmation_.reset();
            confirmable_ = SettledOnSizes(search_->lastEnd()) && !search_->trialLog().empty() &&
                           run_.lastOutcome() == RunController::Outcome::Completed;
            if (confirmable_) searchedSettings_ = state_.settings;
            break;
        case Analysis::Run:
            // The main window now shows another run; the search is gone from it.
            confirmable_ = false;
            confirmation_.reset();
            break;
        case Analysis::Confirmation:
            // The search still stands: another confirmation draws other numbers.
        case Analysis::None:
            break;
    }
}

void Program::confirmSearch() {
    if (!searchConfirmable()) return;
    analysis(Analysis::Confirmation, [this] { runConfirmation(); });
}

void Program::runConfirmation() {
    confirmation_.reset();
    ui::MainWindow& w = windows_.mainWindow;
    SearchConfirmation c;
    c.sizes = search_->trialLog().back().sizes;
    c.samples = search_->searchIterations();
    c.targetPower = state_.targetPower;
    // The search leaves these fields as it ended (the sizes it would try
    // next after giving up, the dialog's count); the run takes them from here.
    for (int g = 0; g < kGroups; ++g) w.groups[g].txtNsize.setText(std::to_string(c.sizes[g]));
    w.monteCarlo.txtiterations.setText(std::to_string(c.samples));
    // A typed seed gave every trial the same numbers: run again from it, the
    // confirmation would repeat them. It takes the next seed of the chain
    // instead, and the typed seed goes back to its field, to mean what it
    // meant for the runs after this one.
    ui::Control& automatic = w.monteCarlo.chkInc;
    if (!automatic.checked()) c.typedSeed = w.monteCarlo.txtseed.text();
    struct TypedSeedBack {
        ui::MainWindow& w;
        const std::optional<std::string> typed;
        ~TypedSeedBack() {
            if (!typed) return;
            w.monteCarlo.chkInc.setChecked(false);
            w.monteCarlo.txtseed.setText(*typed);
        }
    } back{w, c.typedSeed};
    // The confirmation draws the search's full number of samples, whatever
    // stopping rule the Details window holds for the next plain run.
    struct StoppingBack {
        StoppingChoice& choice;
        const StoppingChoice kept;
        ~StoppingBack() { choice = kept; }
    } stopping{state_.choices.stopping, state_.choices.stopping};
    state_.choices.stopping = {};
    if (c.typedSeed) automatic.setChecked(true);
    run_.btnRunClick();
    c.outcome = run_.lastOutcome();
    c.seedText = state_.seedText;
    if (c.outcome == RunController::Outcome::Completed)
        c.error =
            MonteCarloErrorOf(state_.tallies.rejections, state_.tallies.completedReplications);
    c.sameSettings = SamePopulations(state_.settings, searchedSettings_);
    confirmation_ = std::move(c);
}

void Program::wireMenus() {
    const ui::MainMenuItems& menu = windows_.mainWindow.menu;
    auto on = [&](ui::MenuItem& item, auto command) {
        item.setCommand([this, command] { guarded(command); });
    };
    on(menu.Save1, [this] { save_->btnSaveClick(); });
    on(menu.SaveData1, [this] { save_->btnSaveDataClick(); });
    on(menu.SaveMeans1, [this] { save_->btnSaveMeansClick(); });
    on(menu.Exit1, [this] { btnQuitClick(); });
    auto onAnalysis = [&](ui::MenuItem& item, Analysis kind, auto command) {
        item.setCommand([this, kind, command] { analysis(kind, command); });
    };
    onAnalysis(menu.Run1, Analysis::Run, [this] { run_.btnRunClick(); });
    onAnalysis(menu.GetPower701, Analysis::Search, [this] { search_->GetPower701Click(); });
    onAnalysis(menu.GetPower801, Analysis::Search, [this] { search_->GetPower801Click(); });
    onAnalysis(menu.GetNforAnyPower1, Analysis::Search,
               [this] { search_->GetNforAnyPower1Click(); });
    on(menu.Test10001, [this] { search_->Test10001Click(); });
    on(menu.NoEffect1, [this] { presets_->NoEffect1Click(); });
    on(menu.SmallEffect1, [this] { presets_->Small1Click(); });
    on(menu.MediumEffect1, [this] { presets_->Medium1Click(); });
    on(menu.LargeEffect1, [this] { presets_->Large1Click(); });
    on(menu.Resampled1, [this] { Resampled1Click(); });
    on(menu.Winsorized1, [this] { Winsorized1Click(); });
    on(menu.TypeIIIErrorresults1, [this] { TypeIIIErrorresults1Click(); });
    // Reset and the presets (which reset first) clear the results, and with
    // them what a follower shows of the last analysis.
    auto onReset = [&](ui::MenuItem& item, auto command) {
        item.setCommand([this, command] {
            guarded(command);
            confirmable_ = false;
            confirmation_.reset();
            guarded([this] {
                if (analysisObserver_.cleared) analysisObserver_.cleared();
            });
        });
    };
    onReset(menu.Reset1, [this] { presets_->btnResetClick(); });
    onReset(menu.ResettoStandardNormal1, [this] { presets_->ResettoStandardNormal1Click(); });
    onReset(menu.ResettoNormalIQtype1, [this] { presets_->ResettoNormalIQtype1Click(); });
    onReset(menu.ResettoNormalTscores1, [this] { presets_->ResettoNormalTscores1Click(); });
    onReset(menu.ResettoCEEBSATscores1, [this] { presets_->ResettoCEEBSATscores1Click(); });
    onReset(menu.ResettoUniform011, [this] { presets_->ResettoUniform011Click(); });
    onReset(menu.ResettoUniformMean01, [this] { presets_->ResettoUniformMean01Click(); });
    onReset(menu.ResettoUniformUID331, [this] { presets_->ResettoUniformUID331Click(); });
    onReset(menu.ResettoUniform01001, [this] { presets_->ResettoUniform01001Click(); });
    on(menu.UserAgreement1, [this] { UserAgreement1Click(); });
    on(menu.About1, [this] { btnAboutClick(); });
    // "Get N for Power = .90" and "Help" carry no command: choosing them does nothing.
}

void Program::wireControls() {
    const ui::RunPanelControls& panel = windows_.mainWindow.runPanel;
    panel.SpeedButtonRun.setHandler(
        [this] { analysis(Analysis::Run, [this] { run_.SpeedButtonRunClick(); }); });
    // The stop button acts while a run is in progress; it only raises a flag.
    panel.btnStopRun.setHandler([this] { guarded([this] { run_.btnStopRunClick(); }); });
    windows_.powerBox.btnOK.setHandler([this] { guarded([this] { search_->btnOKClick(); }); });
}

bool Program::pressShortcut(std::string_view key) {
    return windows_.mainWindow.menus().pressShortcut(key);
}

void Program::txtseedKeyPress(bool producesCharacter) {
    if (producesCharacter)
        guarded([this] { windows_.mainWindow.monteCarlo.chkInc.setChecked(false); });
}

void Program::btnQuitClick() {
    turns_.closeMainWindow();
}

void Program::Resampled1Click() {
    const ui::MainMenuItems& menu = windows_.mainWindow.menu;
    menu.Resampled1.setChecked(true);
    menu.Winsorized1.setChecked(false);
}

void Program::Winsorized1Click() {
    const ui::MainMenuItems& menu = windows_.mainWindow.menu;
    menu.Winsorized1.setChecked(true);
    menu.Resampled1.setChecked(false);
}

void Program::TypeIIIErrorresults1Click() {
    state_.settings.TypeIIIErrorresults1 = !state_.settings.TypeIIIErrorresults1;
    windows_.mainWindow.menu.TypeIIIErrorresults1.setChecked(state_.settings.TypeIIIErrorresults1);
}

void Program::btnAboutClick() {
    turns_.showModal(ui::DialogId::About);
}

void Program::UserAgreement1Click() {
    turns_.showModal(ui::DialogId::UserAgreement);
}

}  // namespace velmor
