// The program object: menu keys through the window's matching rule, the
// Options items, the seed keystroke rule, quit and the Help dialogs.
#include "program/program.hpp"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

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
