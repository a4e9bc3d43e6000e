#include "search/sample_size_search.hpp"

#include <algorithm>
#include <bit>
#include <string>

#include "run/information.hpp"
#include "run/number_format.hpp"
#include "run/number_reading.hpp"

namespace velmor {

static_assert(std::bit_cast<std::uint64_t>(kTargetPower70) == 0x3FE666666BC4CA1FULL);
static_assert(std::bit_cast<std::uint64_t>(kTargetPower80) == 0x3FE999999EF7FD52ULL);

namespace {

// The sizes the bisection moves between, for group 1.
constexpr std::int32_t kSmallestSize = 2;
constexpr std::int32_t kLargestSize = 2000;
constexpr std::int32_t kInitialTrialSamples = 100;

// Added to a typed power, as the .70 and .80 commands have it built in.
constexpr long double kPowerNudge = 1e-8L;
constexpr long double kLowestPower = 0.01L;
constexpr long double kHighestPower = 0.99L;

std::int32_t Total(const GroupSizes& sizes) {
    return sizes[0] + sizes[1] + sizes[2];
}

std::string InvalidFloatMessage(const std::string& text) {
    return "'" + text + "' is not a valid floating point value.";
}

std::string SizesText(const GroupSizes& sizes) {
    return std::to_string(sizes[0]) + ", " + std::to_string(sizes[1]) + " and " +
           std::to_string(sizes[2]);
}

std::string InvalidIntegerMessage(const std::string& text) {
    return "'" + text + "' is not a valid integer value.";
}

}  // namespace

SampleSizeSearch::SampleSizeSearch(ui::WindowSet& windows, ui::Platform& platform, RunState& state,
                                   RunController& run)
    : windows_(windows), main_(windows.mainWindow), platform_(platform), state_(state), run_(run) {}

// ---------------------------------------------------------------------------
// The power commands and the Set Power dialog

void SampleSizeSearch::hideTopMenus() {
    for (ui::MenuItem* menu : main_.menu.locked()) {
        menu->setEnabled(false);
        menu->setVisible(false);
    }
}

void SampleSizeSearch::GetPower701Click() {
    // The dialog is left alone: the search uses whatever count it holds.
    hideTopMenus();
    state_.targetPower = kTargetPower70;
    GetNforPower();
}

void SampleSizeSearch::GetPower801Click() {
    windows_.powerBox.ssiterations.setText(main_.monteCarlo.txtiterations.text());
    windows_.powerBox.txtPower.setText("0.80");
    hideTopMenus();
    state_.targetPower = kTargetPower80;
    GetNforPower();
}

void SampleSizeSearch::GetNforAnyPower1Click() {
    windows_.powerBox.ssiterations.setText(main_.monteCarlo.txtiterations.text());
    windows_.powerBox.txtPower.setText("0.80");
    // OK runs btnOKClick before the dialog closes, so targetPower holds what
    // was typed, or its earlier value when the text was not a number. The
    // bounds are checked before the nudge; the doubles nearest 0.01 and 0.99
    // lie inside them, so both are accepted.
    ui::ModalResult result = platform_.showModal(ui::DialogId::SetPower);
    while (result == ui::ModalResult::Ok &&
           (static_cast<long double>(state_.targetPower) < kLowestPower ||
            static_cast<long double>(state_.targetPower) > kHighestPower)) {
        showMessage("POWER must be greater than 0.01 and less than 0.99");
        result = platform_.showModal(ui::DialogId::SetPower);
    }
    if (result == ui::ModalResult::Cancel) return;
    state_.targetPower = static_cast<double>(state_.targetPower + kPowerNudge);
    GetNforPower();
}

void SampleSizeSearch::btnOKClick() {
    ui::Control& power = windows_.powerBox.txtPower;
    power.setFocus();
    if (const std::optional<double> value = ReadNumber(power.text()))
        state_.targetPower = *value;
    else
        platform_.showPlainMessage(InvalidFloatMessage(power.text()));
}

void SampleSizeSearch::Test10001Click() {
    for (const ui::GroupControls& group : main_.groups) group.txtNsize.setText("1000");
    main_.monteCarlo.txtseed.setText("1804");
    main_.monteCarlo.txtiterations.setText("1");
    main_.sampling.txtmeanstokeep.setText("1000");
    main_.monteCarlo.chkInc.setChecked(false);
}

// ---------------------------------------------------------------------------
// The search

void SampleSizeSearch::GetNforPower() {
    // A refused search must not turn the next report into a sample-size
    // report for a search that never ran.
    const bool analysisBefore = state_.flags.sampleSizeAnalysis;
    trials_ = 0;
    replications_ = 0;
    result_.trials.clear();
    ++searchesStarted_;
    state_.flags.stopRequested = false;
    state_.flags.searchActive = true;
    state_.flags.sampleSizeAnalysis = true;
    result_.end = SearchEnd::Refused;
    allocation_ = {};
    const Ending ending = checkPreconditions() ? search() : Ending::Refused;
    switch (ending) {
        case Ending::Refused:
            result_.end = SearchEnd::Refused;
            break;
        case Ending::TrialRefused:
            result_.end = SearchEnd::TrialRefused;
            break;
        case Ending::NoVariance:
            result_.end = SearchEnd::NoVariance;
            break;
        case Ending::Abandoned:
            result_.end = SearchEnd::Abandoned;
            break;
        case Ending::Searched:
            break;
    }
    endDisplay(ending, analysisBefore);
}

bool SampleSizeSearch::checkPreconditions() {
    refusals_.clear();
    const std::string& countText = windows_.powerBox.ssiterations.text();
    const std::optional<std::int32_t> count = ReadIterationCount(countText);
    if (!count) {
        platform_.showPlainMessage(InvalidIntegerMessage(countText));
        refusals_.push_back("the number of iterations is not a whole number");
        state_.flags.searchActive = false;
        return false;
    }
    searchIterations_ = *count;
    // Fewer than two samples cannot make the trials the search needs; a count
    // of 0 or below would only give trials that the run refuses, for ever.
    if (searchIterations_ == 1) {
        showMessage("This will not work for a single iteration");
        state_.flags.searchActive = false;
    } else if (searchIterations_ < 1) {
        showMessage("This will not work for fewer than two iterations");
        state_.flags.searchActive = false;
    }
    if (searchIterations_ < 2) refusals_.push_back("a search needs more than one iteration");

    // With equal population means every proportion is an alpha, not a power.
    auto readMean = [this](int g) {
        const std::string& text = main_.groups[g - 1].txtmean.text();
        const std::optional<double> value = ReadNumber(text);
        if (!value) {
            platform_.showPlainMessage(InvalidFloatMessage(text));
            refusals_.push_back("a population mean is not a number");
        }
        return value;
    };
    const std::optional<double> mean1 = readMean(1);
    const std::optional<double> mean2 = mean1 ? readMean(2) : std::nullopt;
    if (!mean2) {
        state_.flags.searchActive = false;
        return false;
    }
    if (*mean1 == *mean2) {
        const std::optional<double> mean3 = readMean(3);
        if (!mean3) {
            state_.flags.searchActive = false;
            return false;
        }
        if (*mean1 == *mean3) {
            state_.clearResultLines();
            state_.resultLines[0] =
                "This procedure will not work when the Null Hypothesis is true. ";
            state_.resultLines[1] =
                "That is, we cannot find the sample size required for a certain ";
            state_.resultLines[2] = "level of Statistical Power when the means are equal.";
            showMessage(state_.joinedResultLines());
            refusals_.push_back(
                "all three population means are equal, so there is no power to find group "
                "sizes for");
            state_.flags.searchActive = false;
        }
    }
    return state_.flags.searchActive;
}

SampleSizeSearch::Ending SampleSizeSearch::search() {
    const double target = state_.targetPower;
    const std::int64_t targetHundredths = TruncatedMultiple(100, target);

    // The allocation comes from the sizes as typed: the run cuts a size above
    // 2000 and rewrites its field, and ratios taken from cut sizes would
    // carry that cut into every later trial.
    const GroupSizes typed = typedSizes();
    writtenSizes_ = typed;
    writeSamples(kInitialTrialSamples);
    Trial trial = runTrial();
    if (ends(trial)) return endingOf(trial);
    GroupSizes start = sizesOfLastRun();
    for (int g = 0; g < 3; ++g)
        if (typed[g] > start[g] && start[g] >= 2) start[g] = typed[g];
    allocation_ = RatiosOf(start);
    // Equal groups give 2000; a larger group 2 or 3 lowers it, so that no
    // trial runs sizes the run would cut.
    const std::int32_t top = LargestFittingGroup1(allocation_);

    // Bisection on group 1 with cheap trials. A trial that completed nothing
    // was stopped, so the loop's stop check ends the phase before any
    // proportion is judged.
    std::int32_t lo = kSmallestSize;
    std::int32_t hi = top;
    std::int32_t mid = sizesOfLastRun()[0];
    TrialHistory history;
    // Set when the search gives up without its stop test; the cap can end
    // even the bisection when it is set lower than the bisection's length.
    std::optional<SearchEnd> givenUp;
    std::optional<std::int32_t> lastGroup1;
    while (hi > lo && !state_.flags.stopRequested) {
        if (state_.tallies.rejectionProportion > target)
            hi = std::min(mid, top);
        else
            lo = std::min(mid, top);
        mid = (lo + hi) / 2;
        const GroupSizes sizes = SizesForGroup1(mid, allocation_);
        writeSizes(sizes);
        writeSamples(BisectionSamples(Total(sizes)));
        // At hi = lo + 1 the midpoint stays at lo while the power stays short;
        // the guard ends that once six trials have used the same size.
        if (history.repeats(mid)) break;
        if (trials_ >= trialCap_) {
            givenUp = SearchEnd::TrialCap;
            lastGroup1 = mid;
            break;
        }
        trial = runTrial();
        if (ends(trial)) return endingOf(trial);
        history.push(mid);
        if (trial == Trial::Judged &&
            TruncatedMultiple(100, state_.tallies.rejectionProportion) == targetHundredths)
            break;
    }

    // Refinement: the sizes move together by small steps, with more samples
    // as the proportion closes in on the target. The first pass runs the
    // bisection's sizes with a tenth of the count.
    history.clear();
    refinementKeys_.clear();
    int pass = 0;
    std::int32_t step = 0;
    bool reached = false;
    while (!givenUp && !state_.flags.stopRequested) {
        ++pass;
        const double proportion = state_.tallies.rejectionProportion;
        std::int32_t samples = FirstRefinementSamples(searchIterations_);
        if (pass > 1) {
            const RefinementStep next = ChooseRefinementStep(
                proportion, target, Total(sizesOfLastRun()), searchIterations_);
            samples = next.samples;
            step = next.step;
        }
        writeSamples(samples);
        GroupSizes sizes =
            MoveAllocation(writtenSizes_[0], allocation_, proportion > target, step);
        if (sizes[0] > top) {
            // Past the largest sizes that fit. Those are tried once (the run
            // would have cut equal groups to exactly them); when they fall
            // short too, no size inside 2..2000 reaches the target.
            if (sizesOfLastRun() == SizesForGroup1(top, allocation_)) {
                givenUp = SearchEnd::Unreachable;
                break;
            }
            sizes = SizesForGroup1(top, allocation_);
        }
        writeSizes(sizes);
        lastGroup1 = sizes[0];
        if (history.repeats(sizes[0])) break;
        if (trials_ >= trialCap_) {
            givenUp = SearchEnd::TrialCap;
            break;
        }
        trial = runTrial();
        if (ends(trial)) return endingOf(trial);
        history.push(sizes[0]);
        if (trial != Trial::Judged) continue;
        if (RefinementReachedTarget(state_.tallies.rejectionProportion, target,
                                    Total(sizesOfLastRun()))) {
            reached = true;
            break;
        }
        // With a seed that does not change between trials the same sizes
        // and samples give the same proportion, so a repeat means the passes
        // from here on repeat too, in a circle the guard may not see.
        const TrialKey key{sizes, samples, state_.settings.txtseed};
        if (std::find(refinementKeys_.begin(), refinementKeys_.end(), key) !=
            refinementKeys_.end()) {
            givenUp = SearchEnd::Cycling;
            break;
        }
        refinementKeys_.push_back(key);
    }

    if (givenUp == SearchEnd::Unreachable) {
        showMessage("The power of " + FormatFixed(target, 6, 2) +
                    " was not reached with group sizes up to " + SizesText(sizesOfLastRun()) +
                    ", the largest that keep the groups' allocation inside 2 to 2000.");
        result_.end = SearchEnd::Unreachable;
        state_.flags.searchActive = false;
        state_.flags.stopRequested = true;
        return Ending::Searched;
    }
    // The guard's comparison once more, as the history stands now: after a
    // trial its newest entry is the size itself, so this compares with the
    // trials one, three and five before it. A cycle or the trial cap ends
    // the search the same way.
    if (lastGroup1 && (givenUp || history.repeats(*lastGroup1))) {
        giveUp(*lastGroup1, givenUp.value_or(SearchEnd::Looping));
    } else if (reached) {
        result_.end = SearchEnd::Reached;
        if (!KeepsAllocation(sizesOfLastRun(), allocation_)) {
            showMessage("The group sizes " + SizesText(sizesOfLastRun()) +
                        " do not keep the groups' allocation: it does not fit inside 2 to 2000.");
            result_.end = SearchEnd::NoFit;
            state_.flags.searchActive = false;
        }
    } else {
        result_.end = SearchEnd::Stopped;
    }
    return Ending::Searched;
}

void SampleSizeSearch::giveUp(std::int32_t group1, SearchEnd why) {
    showMessage(
        "The procedure is having difficulty getting out of a loop around "
        "group 1 Sample Size of " +
        std::to_string(group1));
    result_.end = why;
    state_.flags.searchActive = false;
    state_.flags.stopRequested = true;
}

SampleSizeSearch::Trial SampleSizeSearch::runTrial() {
    ++trials_;
    run_.btnRunClick();
    lastTrialOutcome_ = run_.lastOutcome();
    if (run_.abandoned()) return Trial::Abandoned;
    switch (lastTrialOutcome_) {
        case RunController::Outcome::Completed:
            replications_ += state_.tallies.completedReplications;
            result_.trials.push_back({sizesOfLastRun(), state_.settings.txtiterations,
                                 state_.tallies.completedReplications, state_.tallies.rejections,
                                 state_.tallies.rejectionProportion});
            return Trial::Judged;
        case RunController::Outcome::NothingCompleted:
            // The search never asks for 0 samples, so only a stop before the
            // first replication gets here; the phases end on the flag.
            state_.flags.stopRequested = true;
            return Trial::Unjudged;
        case RunController::Outcome::NoVariance:
            // The run fills its message but shows nothing while searching; the
            // search ends here, so tell the user why.
            showMessage(state_.joinedResultLines());
            return Trial::NoVariance;
        case RunController::Outcome::SettingsFailed:
            // The run has shown its message. Going on would judge the previous
            // trial's proportion again and repeat the refusal with no
            // replication to stop.
            return Trial::Refused;
        case RunController::Outcome::Abandoned:
            return Trial::Abandoned;
    }
    return Trial::Abandoned;
}

SampleSizeSearch::Ending SampleSizeSearch::endingOf(Trial trial) {
    switch (trial) {
        case Trial::Refused:
            return Ending::TrialRefused;
        case Trial::NoVariance:
            return Ending::NoVariance;
        case Trial::Abandoned:
            return Ending::Abandoned;
        case Trial::Judged:
        case Trial::Unjudged:
            break;
    }
    return Ending::Searched;
}

void SampleSizeSearch::endDisplay(Ending ending, bool analysisBefore) {
    RunFlags& flags = state_.flags;
    ui::Control& label7 = main_.runPanel.Label7;
    const std::string& dialogCount = windows_.powerBox.ssiterations.text();

    if (ending == Ending::Abandoned) {
        // Like an abandoned run: the message has been shown, nothing computed
        // is a result, and the window comes back as the user left it.
        flags.searchActive = false;
        flags.sampleSizeAnalysis = false;
        label7.setFontColor(ui::colors::purple);
        label7.setText(ui::texts::kRunPrompt);
        main_.monteCarlo.txtiterations.setText(dialogCount);
        run_.unlockWindow();
        run_.disableSaveCommands();
        return;
    }

    const double target = state_.targetPower;
    const ui::ResultsControls& results = main_.results;
    ui::Control& alphaUsed = results.txtalphaused;
    alphaUsed.setText(FormatFixed(target, 6, 4));
    ui::Control& box = results.boxresults;
    box.setText("RESULTS: Sample Size Analysis");
    box.setFontColor(ui::colors::navy);
    results.Label9.setText("Actual POWER");

    // Only a search whose trials ran to an end found sizes; otherwise the
    // paragraph says plainly that nothing was found and why.
    const bool found = ending == Ending::Searched;
    const std::string completed = std::to_string(state_.tallies.completedReplications);
    if (found && paragraphSaysFound(target))
        writeFoundParagraph(completed, target);
    else if (found)
        writeNotReachedParagraph(completed, target);
    else
        writeNothingFound(ending);

    if (found && flags.searchActive && !flags.stopRequested)
        for (const ui::GroupControls& group : main_.groups)
            group.txtNsize.setBackground(ui::colors::yellow);
    flags.searchActive = false;

    box.setBackground(ui::colors::aqua);
    alphaUsed.setBackground(ui::colors::aqua);
    for (ui::Control* field : {&results.txtprop1, &results.txtrej1, &results.memoresults})
        field->setBackground(ui::colors::white);
    ui::Control& infoMemo = windows_.runBox.Memo1;
    infoMemo.setText("");
    infoMemo.setBackground(ui::colors::white);
    ui::Control& memo = results.memoresults;
    memo.setFontColor(ui::colors::black);
    memo.setText(state_.joinedResultLines());

    label7.setFontColor(ui::colors::purple);
    label7.setText(ui::texts::kRunPrompt);
    main_.runPanel.btnStopRun.setText("FINISHED " + completed + " Iterations");
    main_.monteCarlo.txtiterations.setText(dialogCount);

    run_.unlockWindow();
    restoreSaveCommands(ending);
    if (!found) flags.sampleSizeAnalysis = analysisBefore;
}

void SampleSizeSearch::writeFoundParagraph(const std::string& completed, double target) {
    const GroupSizes sizes = sizesOfLastRun();
    auto& lines = state_.resultLines;
    lines[0] = "With the given parameters, using " + completed +
               " Monte Carlo iterations, the sample sizes: ";
    lines[1] = "Group1=" + std::to_string(sizes[0]) + " and Group2=" + std::to_string(sizes[1]) +
               " and Group3=" + std::to_string(sizes[2]);
    lines[2] = " were found to achieve the desired power of " + FormatFixed(target, 6, 2);
    lines[3] =
        " --- note that the sample sizes found here may not be exact, such as those in Power "
        "tables in Cohen (1988).";
    lines[4] =
        " You can test to see if a smaller sample size will suffice (or if larger N is "
        "required) by running";
    lines[5] = " the sample size analysis again or by changing the sample size manually";
    lines[6] = " and running power analyses until you get the desired power.";
}

bool SampleSizeSearch::paragraphSaysFound(double target) const {
    switch (result_.end) {
        case SearchEnd::Reached:
            return true;
        case SearchEnd::Looping:
        case SearchEnd::Cycling:
        case SearchEnd::TrialCap:
            // Given up, but the sizes last run do have the power asked for
            // (an effect too large even for size 2, say): the paragraph's
            // claim holds for them.
            return state_.tallies.completedReplications > 0 &&
                   TruncatedMultiple(1000, state_.tallies.rejectionProportion) >=
                       TruncatedMultiple(1000, target);
        default:
            return false;
    }
}

void SampleSizeSearch::writeNotReachedParagraph(const std::string& completed, double target) {
    const GroupSizes sizes = sizesOfLastRun();
    state_.clearResultLines();
    auto& lines = state_.resultLines;
    lines[0] = "With the given parameters, using " + completed +
               " Monte Carlo iterations, the sample sizes: ";
    lines[1] = "Group1=" + std::to_string(sizes[0]) + " and Group2=" + std::to_string(sizes[1]) +
               " and Group3=" + std::to_string(sizes[2]);
    const std::string power = FormatFixed(target, 6, 2);
    const std::string reached = state_.tallies.completedReplications > 0
                                    ? "; their actual power was " +
                                          FormatFixed(state_.tallies.rejectionProportion, 6, 4) +
                                          "."
                                    : "; no sample of theirs was completed.";
    if (result_.end == SearchEnd::Stopped)
        lines[2] =
            " were being tried when the search was stopped, before it settled on sizes with "
            "the desired power of " +
            power + reached;
    else
        lines[2] = " did not reach the desired power of " + power + reached;
    lines[3] =
        " The sample size search did not find sizes with the desired power: you can run it "
        "again, or change the sample size manually and run power analyses until you get "
        "the desired power.";
}

void SampleSizeSearch::writeNothingFound(Ending ending) {
    state_.clearResultLines();
    auto& lines = state_.resultLines;
    switch (ending) {
        case Ending::Refused: {
            std::string why;
            for (const std::string& reason : refusals_) why += (why.empty() ? "" : "; ") + reason;
            lines[0] = "No sample size search was made: " + why + ". ";
            // No trial ran, so the fields still show the last run, if any.
            lines[1] = "Any results shown are those of the last run.";
            break;
        }
        case Ending::TrialRefused:
            lines[0] =
                "The sample size search stopped without finding sample sizes: a trial could not "
                "run with these settings (see the message shown).";
            break;
        case Ending::NoVariance:
            lines[0] =
                "The sample size search stopped without finding sample sizes: a trial's data "
                "set had no variance (see the message shown).";
            break;
        case Ending::Searched:
        case Ending::Abandoned:
            break;
    }
}

void SampleSizeSearch::restoreSaveCommands(Ending ending) {
    switch (ending) {
        case Ending::Refused:
            // No trial ran: what the save commands would write is still the
            // previous run's, and they stay as that run left them.
            break;
        case Ending::Searched:
            if (lastTrialOutcome_ == RunController::Outcome::Completed)
                run_.enableSaveCommands();
            else
                run_.disableSaveCommands();  // the last trial was stopped before its first sample
            break;
        case Ending::TrialRefused:
        case Ending::Abandoned:
            // The refused run has already reset the tallies, as a refused
            // ordinary run does; there is nothing whole to save.
            run_.disableSaveCommands();
            break;
        case Ending::NoVariance: {
            // The message invites the user to save the data to verify it.
            run_.disableSaveCommands();
            ui::MenuItem& saveData = main_.menu.SaveData1;
            saveData.setEnabled(true);
            saveData.setCaption("Save &Data");
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// Fields

GroupSizes SampleSizeSearch::sizesOfLastRun() const {
    const auto& groups = state_.settings.groups;
    return {groups[0].size, groups[1].size, groups[2].size};
}

GroupSizes SampleSizeSearch::typedSizes() const {
    // A field can differ from the size run: a field below 2 holds "1" while
    // the run uses 2. The run's size stands in for a field that is not a
    // whole number.
    GroupSizes sizes = sizesOfLastRun();
    for (int g = 0; g < 3; ++g)
        if (const auto value = ReadIterationCount(main_.groups[g].txtNsize.text()))
            sizes[g] = *value;
    return sizes;
}

void SampleSizeSearch::writeSizes(const GroupSizes& sizes) {
    // The search steps on from the sizes it wrote, as they are, never from
    // the fields read back.
    writtenSizes_ = sizes;
    for (int g = 0; g < 3; ++g) main_.groups[g].txtNsize.setText(std::to_string(sizes[g]));
}

void SampleSizeSearch::writeSamples(std::int32_t samples) {
    main_.monteCarlo.txtiterations.setText(std::to_string(samples));
}

void SampleSizeSearch::showMessage(std::string_view text) {
    ShowInformation(windows_.runBox, platform_, text);
}

}  // namespace velmor
