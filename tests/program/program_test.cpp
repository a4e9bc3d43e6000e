// The program object: menu keys through the window's matching rule, the
// Options items, the seed keystroke rule, quit and the Help dialogs.
#include "program/program.hpp"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
