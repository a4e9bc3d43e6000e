#pragma once
// The sample-size search and the power commands that start it. The search
// drives the Run command through the main window's own fields: before each
// trial it writes the three group sizes and the number of samples, after it
// reads back the sizes used, the proportion of rejections and the number of
// replications completed.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/run_controller.hpp"
#include "run/run_state.hpp"
#include "search/search_rules.hpp"
#include "model/platform.hpp"
#include "model/windows.hpp"

namespace velmor {

// targetPower of the .70 and .80 commands: the requested power plus 1e-8, so
// that truncating 100 x 0.70 gives 70 and not 69.
inline constexpr double kTargetPower70 = 0.70000001;
inline constexpr double kTargetPower80 = 0.80000001;

// One trial of a search as the run left it: the sizes run, the samples asked
// for and completed, and the rejections among them.
struct SearchTrial {
    GroupSizes sizes{};
    std::int64_t samplesPlanned = 0;
    std::int64_t samplesCompleted = 0;
    std::int64_t rejections = 0;
    double proportion = 0.0;
};

class SampleSizeSearch {
  public:
    SampleSizeSearch(ui::WindowSet& windows, ui::Platform& platform, RunState& state,
                     RunController& run);

    // Finds group sizes at which a run reaches state.targetPower, with the
    // iteration count of the Set Power dialog's ssiterations. Ends with the
    // results paragraph and the window restored, whatever happened.
    void GetNforPower();

    // F7: hides the top menus and searches for .70 with the dialog's count as
    // it stands.
    void GetPower701Click();
    // F8: takes the window's number of samples as the count and searches for .80.
    void GetPower801Click();
    // F9: asks for the power and the count in Set Power until the power is in
    // range or the user cancels, then searches.
    void GetNforAnyPower1Click();
    // OK in Set Power: reads txtPower into targetPower. A text that is not a
    // number is reported and leaves targetPower as it was.
    void btnOKClick();
    // F12 (hidden): a one-sample test of three groups of 1000 with seed 1804.
    void Test10001Click();

    // For tests and the benchmark: trials run and replications completed by
    // the last search.
    int trialsRun() const { return trials_; }
    std::int64_t replicationsRun() const { return replications_; }
    // The trials of the last search that completed replications, in order.
    const std::vector<SearchTrial>& trialLog() const { return trialLog_; }
    // Searches started (refused ones too) since the program started.
    int searchesStarted() const { return searchesStarted_; }

  private:
    // How a search ended.
    enum class Ending {
        Searched,      // trials ran; ended by the stop test, the guard or a user stop
        Refused,       // a precondition failed; no trial was run
        TrialRefused,  // the Run command refused a trial's settings
        NoVariance,    // a trial met a data set without variance
        Abandoned,     // a floating-point fault or an I/O error; message already shown
    };
    // How one trial ended, from the search's point of view.
    enum class Trial { Judged, Unjudged, Refused, NoVariance, Abandoned };

    bool checkPreconditions();
    Ending search();
    Trial runTrial();
    static bool ends(Trial trial) { return trial != Trial::Judged && trial != Trial::Unjudged; }
    static Ending endingOf(Trial trial);
    void endDisplay(Ending ending, bool analysisBefore);
    void restoreSaveCommands(Ending ending);
    void hideTopMenus();

    GroupSizes sizesOfLastRun() const;
    GroupSizes sizesInFields() const;
    void writeSizes(const GroupSizes& sizes);
    void writeSamples(std::int32_t samples);
    void showMessage(std::string_view text);

    ui::WindowSet& windows_;
    ui::MainWindow& main_;
    ui::Platform& platform_;
    RunState& state_;
    RunController& run_;

    std::int32_t searchIterations_ = 0;
    RunController::Outcome lastTrialOutcome_ = RunController::Outcome::Completed;
    int trials_ = 0;
    std::int64_t replications_ = 0;
    std::vector<SearchTrial> trialLog_;
    int searchesStarted_ = 0;
};

}  // namespace velmor
