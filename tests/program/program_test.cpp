// The program object: menu keys through the window's matching rule, the
// Options items, the seed keystroke rule, quit and the Help dialogs.
#include "program/program.hpp"

#include <gtest/gtest.h>

#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "search/sample_size_search.hpp"
#include "support/fake_platform.hpp"

using namespace velmor;
using velmor::testing::FakePlatform;

namespace {

class ProgramTest : public ::testing::Test {
  protected:
    ProgramTest() : program(platform) { platform.attach(program.windows()); }
    const std::string& text(const char* name) { return program.mainWindow().control(name).text(); }
    ui::MenuItem& item(const char* name) { return program.mainWindow().menus().item(name); }

    FakePlatform platform;
    Program program;
};

TEST_F(ProgramTest, FunctionKeysReachTheirCommands) {
    EXPECT_TRUE(program.pressShortcut("F2"));  // Small Effect, not Reset to Defaults
    EXPECT_EQ(text("txtmean1"), "0.12");
    EXPECT_EQ(text("txtmean3"), "-0.12");
    EXPECT_TRUE(program.pressShortcut("F3"));
    EXPECT_EQ(text("txtmean1"), "0.31");
    EXPECT_TRUE(program.pressShortcut("F4"));
    EXPECT_EQ(text("txtmean1"), "0.49");
    EXPECT_TRUE(program.pressShortcut("F1"));
    EXPECT_EQ(text("txtmean1"), "0.00");
    EXPECT_EQ(text("txtsd2"), "1.00");

    EXPECT_TRUE(program.pressShortcut("F12"));  // the hidden Test1000 item
    EXPECT_EQ(text("txtNsize2"), "1000");
    EXPECT_EQ(text("txtseed"), "1804");
    EXPECT_EQ(text("txtiterations"), "1");
    EXPECT_FALSE(program.mainWindow().control("chkInc").checked());

    EXPECT_FALSE(program.pressShortcut("Ctrl+F9"));  // the hidden .90 item has no command
    EXPECT_FALSE(program.pressShortcut("Ctrl+S"));   // nothing to save before a run
    EXPECT_TRUE(platform.shown.empty());
}

TEST_F(ProgramTest, F5RunsAndEnablesSavingWhileMenuKeysAreDeadDuringTheRun) {
    program.mainWindow().control("txtiterations").setText("200");
    int keysThatRan = 0;
    platform.onEvents = [&](long long n) {
        if (n != 10) return;
        for (const char* key : {"F1", "F2", "F5", "F7", "F12", "Ctrl+S", "Ctrl+F4"})
            keysThatRan += program.pressShortcut(key);
    };
    EXPECT_TRUE(program.pressShortcut("F5"));
    EXPECT_EQ(keysThatRan, 0);
    EXPECT_EQ(program.state().tallies.completedReplications, 200);
    EXPECT_EQ(text("btnStopRun"), "FINISHED 200 Iterations");
    EXPECT_TRUE(item("Save1").enabled());
    EXPECT_EQ(platform.closeRequests, 0);

    platform.saveAnswers.push_back(std::nullopt);  // cancel
    EXPECT_TRUE(program.pressShortcut("Ctrl+S"));
    ASSERT_EQ(platform.count(FakePlatform::Shown::Kind::SaveDialog), 1);
    EXPECT_EQ(platform.shown.back().save.fileName, "DORVEN_out_1432449975.OUT");
    EXPECT_TRUE(item("Save1").enabled());
    EXPECT_EQ(item("Save1").caption(), "&Save Results");
}

TEST_F(ProgramTest, CommandInProgressOnlyWhileARunExecutes) {
    program.mainWindow().control("txtiterations").setText("5");
    bool busyDuringRun = false;
    platform.onEvents = [&](long long) { busyDuringRun = program.commandInProgress(); };
    EXPECT_FALSE(program.commandInProgress());
    program.mainWindow().control("SpeedButtonRun").click();
    EXPECT_TRUE(busyDuringRun);
    EXPECT_FALSE(program.commandInProgress());
    EXPECT_EQ(program.state().tallies.completedReplications, 5);
}

TEST_F(ProgramTest, OptionsItemsKeepOneBoundsRuleAndToggleTypeIII) {
    item("Winsorized1").trigger();
    EXPECT_TRUE(item("Winsorized1").checked());
    EXPECT_FALSE(item("Resampled1").checked());
    item("Resampled1").trigger();
    item("Resampled1").trigger();
    EXPECT_TRUE(item("Resampled1").checked());
    EXPECT_FALSE(item("Winsorized1").checked());

    for (int i = 0; i < 3; ++i) item("TypeIIIErrorresults1").trigger();
    EXPECT_TRUE(program.state().settings.TypeIIIErrorresults1);
    EXPECT_TRUE(item("TypeIIIErrorresults1").checked());
    item("Reset1").trigger();
    EXPECT_TRUE(item("TypeIIIErrorresults1").checked());
    item("TypeIIIErrorresults1").trigger();
    EXPECT_FALSE(program.state().settings.TypeIIIErrorresults1);
    EXPECT_FALSE(item("TypeIIIErrorresults1").checked());
}

TEST_F(ProgramTest, OnlyACharacterKeystrokeInTheSeedTurnsAutomaticSeedsOff) {
    ui::Control& chkInc = program.mainWindow().control("chkInc");
    program.txtseedKeyPress(false);  // Delete, arrows, Tab
    EXPECT_TRUE(chkInc.checked());
    program.txtseedKeyPress(true);  // a digit
    EXPECT_FALSE(chkInc.checked());
}

TEST_F(ProgramTest, ExitAndHelpItems) {
    item("About1").trigger();
    item("UserAgreement1").trigger();
    item("Warranty1").trigger();  // "Help" does nothing
    ASSERT_EQ(platform.shown.size(), 2u);
    EXPECT_EQ(platform.shown[0].dialog, ui::DialogId::About);
    EXPECT_EQ(platform.shown[1].dialog, ui::DialogId::UserAgreement);
    EXPECT_TRUE(program.pressShortcut("Ctrl+F4"));
    EXPECT_EQ(platform.closeRequests, 1);
}

// --- the command boundary ------------------------------------------------------
// Failures are injected where a defect or a lack of memory would strike: in
// the event pump a run calls, and in a control's rule that a command runs.

class CommandBoundaryTest : public ProgramTest {
  protected:
    bool windowUnlocked() {
        ui::MainWindow& w = program.mainWindow();
        for (const ui::MenuItem* menu : w.menu.locked())
            if (!menu->enabled() || !menu->visible()) return false;
        for (const ui::GroupControls& g : w.groups)
            if (!g.txtmean.enabled() || !g.txtNsize.enabled() || !g.rdoUniform.enabled())
                return false;
        return w.runPanel.SpeedButtonRun.visible() && w.monteCarlo.txtiterations.enabled();
    }
    // A default run of 200 samples afterwards still works and can be saved.
    void expectUsable() {
        platform.onEvents = nullptr;
        program.mainWindow().control("txtiterations").setText("200");
        const std::size_t before = platform.shown.size();
        EXPECT_TRUE(program.pressShortcut("F5"));
        EXPECT_EQ(platform.shown.size(), before) << "the next run showed a message";
        EXPECT_EQ(program.state().tallies.completedReplications, 200);
        EXPECT_EQ(program.run().lastOutcome(), RunController::Outcome::Completed);
        EXPECT_TRUE(item("Save1").enabled());
    }
};

TEST_F(CommandBoundaryTest, AnErrorInsideARunIsShownAndTheWindowRestored) {
    program.mainWindow().control("txtiterations").setText("1000");
    platform.onEvents = [](long long n) {
        if (n == 50) throw std::out_of_range("no control txtmaen1");
    };
    EXPECT_TRUE(program.pressShortcut("F5"));  // returns: nothing escapes
    EXPECT_EQ(platform.messages(),
              (std::vector<std::string>{"The command was stopped by an unexpected error: no "
                                        "control txtmaen1"}));
    EXPECT_EQ(platform.count(FakePlatform::Shown::Kind::PlainMessage), 1);
    EXPECT_TRUE(program.run().abandoned());
    EXPECT_TRUE(windowUnlocked());
    EXPECT_FALSE(item("Save1").enabled());  // half a run is no result
    EXPECT_FALSE(program.commandInProgress());
    expectUsable();
}

TEST_F(CommandBoundaryTest, AnErrorDuringASearchEndsItWithTheWindowRestored) {
    EXPECT_TRUE(program.pressShortcut("F3"));  // unequal means, so the search starts
    program.mainWindow().control("txtiterations").setText("1000");
    platform.onEvents = [](long long n) {
        if (n == 700) throw std::bad_alloc();
    };
    EXPECT_TRUE(program.pressShortcut("F8"));
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_EQ(platform.messages()[0].rfind("The command was stopped by an unexpected error", 0),
              0u);
    EXPECT_NE(platform.messages()[0].find("bad_alloc"), std::string::npos);
    EXPECT_FALSE(program.state().flags.searchActive);
    EXPECT_FALSE(program.state().flags.sampleSizeAnalysis);
    EXPECT_TRUE(windowUnlocked());
    EXPECT_EQ(text("txtiterations"), "1000");  // the dialog's count is back
    expectUsable();
}

TEST_F(CommandBoundaryTest, AFailingRuleEndsTheCommandThatRanIt) {
    // A rule that throws, run by a command: the command ends there (group 3's
    // mean is never set) and its boundary, not the rule's, reports it once.
    program.mainWindow().control("txtmean2").setHandler([] {
        throw std::invalid_argument("bad rule");
    });
    EXPECT_TRUE(program.pressShortcut("F3"));
    EXPECT_EQ(text("txtmean1"), "0.31");
    EXPECT_EQ(text("txtmean3"), "0.0");
    EXPECT_EQ(
        platform.messages(),
        (std::vector<std::string>{"The command was stopped by an unexpected error: bad rule"}));
    EXPECT_TRUE(windowUnlocked());
    EXPECT_EQ(text("Label7"), "Press F5 to Run Analysis or click ->");
    program.mainWindow().control("txtmean2").setHandler(nullptr);
    expectUsable();
}

TEST_F(CommandBoundaryTest, AnErrorWithoutTextStillGetsAMessage) {
    platform.modalAnswers.push_back([](ui::DialogId) -> ui::ModalResult { throw 42; });
    item("About1").trigger();
    EXPECT_EQ(platform.messages(),
              (std::vector<std::string>{"The command was stopped by an unexpected error."}));
    expectUsable();
}

}  // namespace

// Confirming a search: one more run at the last trial's sizes with the
// search's full count, drawn from fresh numbers, offered only while the
// search is the last thing the main window shows.
class ConfirmSearchTest : public ProgramTest {
  protected:
    void search(const char* samples) {
        EXPECT_TRUE(program.pressShortcut("F3"));  // medium effect: .31, 0, -.31
        program.mainWindow().control("txtiterations").setText(samples);
        EXPECT_TRUE(program.pressShortcut("F8"));
    }
};

// A stopping rule held for the next plain run stops neither a search's
// trials nor its confirmation: both estimate power from all their samples.
// (A rule this loose would stop any run at its first checkpoint.)
TEST_F(ConfirmSearchTest, AStoppingRuleStopsNeitherTrialsNorTheConfirmation) {
    program.state().choices.stopping.precision = 0.2;
    search("3000");
    ASSERT_FALSE(program.search().trialLog().empty());
    for (const SearchTrial& trial : program.search().trialLog())
        EXPECT_EQ(trial.samplesCompleted, trial.samplesPlanned);
    program.confirmSearch();
    ASSERT_TRUE(program.lastConfirmation().has_value());
    EXPECT_EQ(program.state().result.completed, 3000);
    EXPECT_EQ(program.state().choices.stopping.precision, 0.2);  // kept for the next run
    // A plain run does stop.
    program.mainWindow().control("txtiterations").setText("3000");
    program.run().btnRunClick();
    EXPECT_EQ(program.state().result.completed, 1000);
    EXPECT_EQ(program.state().result.stopReason, StopReason::Precision);
}

TEST_F(ConfirmSearchTest, RunsTheFoundSizesWithTheFullCountAndAFreshSeed) {
    // A typed seed: every trial of the search draws the same numbers.
    program.txtseedKeyPress(true);
    program.mainWindow().control("txtseed").setText("6405");
    EXPECT_FALSE(program.searchConfirmable());  // no search yet
    search("4000");
    ASSERT_EQ(program.search().lastEnd(), SearchEnd::Reached);
    ASSERT_TRUE(program.searchConfirmable());
    EXPECT_FALSE(program.lastConfirmation().has_value());
    const SearchTrial last = program.search().trialLog().back();
    const std::size_t trials = program.search().trialLog().size();

    program.confirmSearch();
    ASSERT_TRUE(program.lastConfirmation().has_value());
    const Program::SearchConfirmation& c = *program.lastConfirmation();
    EXPECT_EQ(program.lastAnalysis(), Program::Analysis::Confirmation);
    EXPECT_EQ(program.search().trialLog().size(), trials);  // not a trial of the search
    EXPECT_EQ(c.sizes, last.sizes);
    EXPECT_EQ(c.samples, 4000);
    EXPECT_EQ(c.targetPower, kTargetPower80);
    EXPECT_EQ(c.outcome, RunController::Outcome::Completed);
    EXPECT_TRUE(c.sameSettings);
    ASSERT_TRUE(c.error.has_value());
    EXPECT_EQ(c.error->replications, 4000);
    EXPECT_EQ(c.error->rejections, program.state().tallies.rejections);
    for (int g = 0; g < 3; ++g) EXPECT_EQ(program.state().settings.groups[g].size, last.sizes[g]);
    // Fresh numbers: not the typed seed of the trials, and the typed seed
    // keeps its field and its meaning for the next run.
    ASSERT_TRUE(c.typedSeed.has_value());
    EXPECT_EQ(*c.typedSeed, "6405");
    EXPECT_NE(c.seedText, "6405");
    EXPECT_EQ(program.state().seedText, c.seedText);
    EXPECT_EQ(text("txtseed"), "6405");
    EXPECT_FALSE(program.mainWindow().control("chkInc").checked());
    // The interval holds the exact power at the sizes found (equal groups):
    //   Rscript -e 'for (n in 50:54) cat(n, pf(qf(.95, 2, 3*n-3), 2, 3*n-3,
    //     ncp = n*2*0.31^2, lower.tail = FALSE), "\n")'
    // 50 .7902437, 51 .7988197, 52 .8071037, 53 .8151017, 54 .8228201.
    const std::map<std::int32_t, double> exact = {
        {50, 0.7902437}, {51, 0.7988197}, {52, 0.8071037}, {53, 0.8151017}, {54, 0.8228201}};
    ASSERT_EQ(c.sizes[1], c.sizes[0]);
    ASSERT_TRUE(exact.contains(c.sizes[0])) << c.sizes[0];
    const double power = exact.at(c.sizes[0]);
    EXPECT_LE(c.error->interval.low, power);
    EXPECT_GE(c.error->interval.high, power);
    // This run (seed chain from 6405) rejected 3272 of 4000; its interval by
    //   Rscript -e 'binom.test(3272, 4000)$conf.int'  -> 0.8056869776 0.8298466479
    // (to 1e-9), so the value carries the run's own counts, not a trial's.
    EXPECT_EQ(c.error->rejections, 3272);
    EXPECT_NEAR(c.error->interval.low, 0.8056869776, 1e-9);
    EXPECT_NEAR(c.error->interval.high, 0.8298466479, 1e-9);

    // Another confirmation draws other numbers again.
    const std::string firstSeed = c.seedText;
    program.confirmSearch();
    ASSERT_TRUE(program.lastConfirmation().has_value());
    EXPECT_NE(program.lastConfirmation()->seedText, firstSeed);
    EXPECT_NE(program.lastConfirmation()->seedText, "6405");
    EXPECT_EQ(text("txtseed"), "6405");
}

TEST_F(ConfirmSearchTest, OnlyWhileTheSearchIsTheLastResult) {
    search("600");
    ASSERT_TRUE(program.searchConfirmable());
    bool offDuringTheRun = false;
    const long long pumps = platform.eventPumps;
    platform.onEvents = [&](long long n) {
        if (n == pumps + 3) offDuringTheRun = !program.searchConfirmable();
    };
    program.confirmSearch();
    platform.onEvents = nullptr;
    EXPECT_TRUE(offDuringTheRun);
    ASSERT_TRUE(program.lastConfirmation().has_value());
    EXPECT_TRUE(program.lastConfirmation()->seedText != "");
    EXPECT_FALSE(program.lastConfirmation()->typedSeed.has_value());  // automatic seeds on

    EXPECT_TRUE(program.pressShortcut("F5"));  // an ordinary run replaces the search
    EXPECT_FALSE(program.searchConfirmable());
    EXPECT_FALSE(program.lastConfirmation().has_value());
    const std::int64_t runs = program.state().tallies.completedReplications;
    program.confirmSearch();  // nothing to confirm: nothing runs
    EXPECT_EQ(program.lastAnalysis(), Program::Analysis::Run);
    EXPECT_EQ(program.state().tallies.completedReplications, runs);

    search("600");
    ASSERT_TRUE(program.searchConfirmable());
    program.mainWindow().menus().item("Reset1").trigger();
    EXPECT_FALSE(program.searchConfirmable());

    // A search the user stopped settled on nothing.
    EXPECT_TRUE(program.pressShortcut("F3"));
    program.mainWindow().control("txtiterations").setText("600");
    const long long before = platform.eventPumps;
    platform.onEvents = [&](long long n) {
        if (n == before + 150) program.mainWindow().control("btnStopRun").click();
    };
    EXPECT_TRUE(program.pressShortcut("F8"));
    platform.onEvents = nullptr;
    EXPECT_EQ(program.search().lastEnd(), SearchEnd::Stopped);
    EXPECT_FALSE(program.searchConfirmable());
}

// Populations changed after the search: the run still runs (the user asked
// for it) but says it is not of the search's settings.
TEST_F(ConfirmSearchTest, SaysWhenTheSettingsChangedSinceTheSearch) {
    search("600");
    program.mainWindow().control("txtmean1").setText("0.5");
    program.confirmSearch();
    ASSERT_TRUE(program.lastConfirmation().has_value());
    EXPECT_FALSE(program.lastConfirmation()->sameSettings);
}
