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

#include "window_model/platform.hpp"
#include "window_model/windows.hpp"
#include "run/run_controller.hpp"
#include "run/run_state.hpp"
#include "search/search_rules.hpp"

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

// How the last search ended. Only Reached found sizes by the search's own
// stop test; every other end with trials found none that it can vouch for.
enum class SearchEnd {
    None,          // no search yet
    Reached,       // the stop test: the last trial's proportion is at the target
    Looping,       // the repetition guard (the difficulty message)
    Cycling,       // a refinement trial repeated an earlier one's sizes, samples and seed
    TrialCap,      // its cap of trials (kMaxSearchTrials) ran without reaching the target
    Unreachable,   // the largest sizes the allocation allows inside 2..2000 fall short
    NoFit,         // the sizes run could not keep the allocation inside 2..2000
    Stopped,       // the user stopped it
    Refused,       // a precondition failed; no trial was run
    TrialRefused,  // the Run command refused a trial's settings
    NoVariance,    // a trial met a data set without variance
    Abandoned,     // a floating-point fault or an I/O error
};

// What a search leaves as its answer: every trial that completed
// replications, in order, and how it ended. Only an end of Reached found
// sizes; the last trial is then the sizes found.
struct SearchResult {
    std::vector<SearchTrial> trials;
    SearchEnd end = SearchEnd::None;

    bool found() const { return end == SearchEnd::Reached; }
};

// The most trials one search runs. A search that reaches its target takes
// about 10 to 40 (one initial trial, at most 11 halvings of 2..2000, then a
// refinement that starts near the target); 100 leaves ample room for slow
// refinements while bounding a search that cannot settle to 100 times the
// iteration count in samples.
inline constexpr int kMaxSearchTrials = 100;

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
    // The last search's answer; trialLog() and lastEnd() are its parts.
    const SearchResult& result() const { return result_; }
    const std::vector<SearchTrial>& trialLog() const { return result_.trials; }
    // How the last search ended, and the allocation it kept: groups 2 and 3
    // divided by group 1, from the sizes the search started with.
    SearchEnd lastEnd() const { return result_.end; }
    // The most trials a search runs: kMaxSearchTrials unless a caller that
    // must bound a search more tightly lowers it (at least one trial).
    int trialCap() const { return trialCap_; }
    void setTrialCap(int cap) { trialCap_ = cap < 1 ? 1 : cap; }
    const SizeRatios& allocation() const { return allocation_; }
    // The search's iteration count (the Set Power dialog's, as read at its start).
    std::int32_t searchIterations() const { return searchIterations_; }
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
    // The results paragraph of a search that found sizes: those of the last run.
    void writeFoundParagraph(const std::string& completed, double target);
    // The paragraph of a search that trials ran in but that did not reach its
    // target (or was stopped): the same first two lines, then what was reached.
    void writeNotReachedParagraph(const std::string& completed, double target);
    // Whether the paragraph may say the sizes achieve the target.
    bool paragraphSaysFound(double target) const;
    // Ends the refinement with the difficulty message for `group1`.
    void giveUp(std::int32_t group1, SearchEnd why);
    // The results lines of a search that found nothing: that no search was
    // made and why, or why the search stopped.
    void writeNothingFound(Ending ending);
    void restoreSaveCommands(Ending ending);
    void hideTopMenus();

    GroupSizes sizesOfLastRun() const;
    // The sizes as the user typed them, read once as a search starts.
    GroupSizes typedSizes() const;
    void writeSizes(const GroupSizes& sizes);
    void writeSamples(std::int32_t samples);
    void showMessage(std::string_view text);

    ui::WindowSet& windows_;
    ui::MainWindow& main_;
    ui::Platform& platform_;
    RunState& state_;
    RunController& run_;

    std::int32_t searchIterations_ = 0;
    // Why the last search was refused, in the order the checks found it.
    std::vector<std::string> refusals_;
    RunController::Outcome lastTrialOutcome_ = RunController::Outcome::Completed;
    int trials_ = 0;
    std::int64_t replications_ = 0;
    SearchResult result_;
    GroupSizes writtenSizes_{};  // the sizes the search last wrote into the fields
    int searchesStarted_ = 0;
    int trialCap_ = kMaxSearchTrials;
    SizeRatios allocation_{};
    std::vector<TrialKey> refinementKeys_;
};

}  // namespace velmor
