// The Run command end to end through the window model with a scripted platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_fixture.hpp"

using namespace velmor;
using namespace velmor::ui;
using velmor::testing::FakePlatform;
using Kind = FakePlatform::Shown::Kind;

namespace {

const char* const kTopMenus[] = {"File1",        "Reset2",   "Analysis1",
                                 "EffectSizes1", "Options1", "Help1"};

class RunCommand : public ::testing::Test, protected velmor::testing::RunFixture {
  protected:
    bool menusUnlocked() {
        for (const char* m : kTopMenus)
            if (!main().menus().item(m).enabled() || !main().menus().item(m).visible())
                return false;
        return true;
    }
    bool menusLocked() {
        for (const char* m : kTopMenus)
            if (main().menus().item(m).enabled() || main().menus().item(m).visible()) return false;
        return true;
    }
    void clickStopAtPump(long long pump) {
        platform.onEvents = [this, pump](long long n) {
            if (n == pump) control("btnStopRun").click();
        };
    }
};

TEST_F(RunCommand, DefaultRunCountsFiveHundredRejectionsAndCallsItRobust) {
    bool lockedDuringRun = false, inputsDisabled = false, stopShown = false;
    platform.onEvents = [&](long long n) {
        if (n != 5) return;
        lockedDuringRun = menusLocked() && !control("SpeedButtonRun").visible();
        inputsDisabled = !control("txtmean1").enabled() && !control("chkMax3").enabled() &&
                         !control("txtseed").enabled() && !control("chkInc").enabled();
        stopShown = control("btnStopRun").visible() && control("btnStopRun").enabled() &&
                    text("btnStopRun") == "Click Here to STOP Processing";
    };
    run.btnRunClick();

    EXPECT_TRUE(lockedDuringRun);
    EXPECT_TRUE(inputsDisabled);
    EXPECT_TRUE(stopShown);
    EXPECT_EQ(state.tallies.rejections, 500);
    EXPECT_EQ(state.tallies.completedReplications, 10000);
    EXPECT_EQ(text("txtrej1"), "500");
    EXPECT_EQ(text("txtprop1"), "0.05000");
    EXPECT_EQ(text("txtalphaused"), "0.0500");
    EXPECT_EQ(text("boxresults"), "RESULTS: Robustness Analysis");
    EXPECT_EQ(text("Label9"), "Actual ALPHA");
    EXPECT_EQ(
        text("memoresults"),
        "Given these population conditions, the test appears to be ROBUST because actual alpha "
        "(500/10000=0.0500) falls within a fairly stringent 10% of the desired nominal alpha (that "
        "is, "
        "between 0.0450 and 0.0550). See Bradley (1978) or Robey & Barcikowski (1992) for a "
        "discussion "
        "of robustness criteria.");
    EXPECT_EQ(text("btnStopRun"), "FINISHED 10000 Iterations");
    EXPECT_FALSE(control("btnStopRun").enabled());
    EXPECT_TRUE(control("btnStopRun").visible());
    EXPECT_EQ(text("Label7"), "Press F5 to Run Analysis or click ->");
    EXPECT_EQ(control("Label7").fontColor(), colors::purple);
    EXPECT_EQ(control("txtprop1").background(), colors::yellow);
    EXPECT_EQ(control("boxresults").background(), colors::aqua);
    EXPECT_EQ(control("memoresults").background(), colors::white);
    EXPECT_EQ(text("lblg1m1"), "Actual Mean of Group 1 Means:");
    EXPECT_EQ(text("lblg3sd1"), "Actual SE of Group 3 Means:");
    EXPECT_FALSE(text("txtActualM1").empty());
    EXPECT_FALSE(text("txtSEmean3").empty());
    EXPECT_TRUE(menusUnlocked());
    EXPECT_TRUE(control("SpeedButtonRun").visible());
    EXPECT_TRUE(control("txtmean1").enabled());
    EXPECT_FALSE(control("rdoTwotail").enabled());
    EXPECT_TRUE(main().menus().item("Save1").enabled());
    EXPECT_EQ(main().menus().item("Save1").caption(), "&Save Results");
    EXPECT_EQ(main().menus().item("SaveData1").caption(), "Save &Data");
    EXPECT_EQ(main().menus().item("SaveMeans1").caption(), "Save &Means");
    EXPECT_TRUE(main().menus().item("SaveMeans1").enabled());
    EXPECT_EQ(state.seedText, "1432449975");
    EXPECT_EQ(platform.shown.size(), 0u);  // no dialog after a normal run
    EXPECT_EQ(platform.eventPumps, 10000);
}

TEST_F(RunCommand, ProgressTextsFollowTheThinningRule) {
    std::vector<std::string> progress;
    windows.mainWindow.setListener([&](const Control& c, Aspect aspect) {
        if (c.name() == "Label7" && aspect == Aspect::Text) progress.push_back(c.text());
    });
    run.btnRunClick();
    std::vector<std::string> expected;
    for (int i = 1; i <= 100; ++i) expected.push_back("Running Iteration #" + std::to_string(i));
    for (int i = 110; i <= 1000; i += 10)
        expected.push_back("Running Iteration #" + std::to_string(i));
    for (int i = 2000; i <= 9000; i += 1000)
        expected.push_back("Running Iteration #" + std::to_string(i));
    expected.push_back("Press F5 to Run Analysis or click ->");
    EXPECT_EQ(progress, expected);
}

TEST_F(RunCommand, StopAfterThirtySevenReplications) {
    clickStopAtPump(38);  // the 38th pump comes before replication 38
    run.btnRunClick();
    EXPECT_EQ(state.tallies.completedReplications, 37);
    EXPECT_EQ(text("btnStopRun"), "FINISHED 37 Iterations");
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_EQ(platform.messages()[0],
              "-- Processing Stopped by User\n   \n-- Results may not be complete.");
    // The verdict overwrites the stop lines on screen.
    EXPECT_NE(text("memoresults").find("actual alpha ("), std::string::npos);
    EXPECT_NE(text("memoresults").find("/37="), std::string::npos);
    EXPECT_TRUE(menusUnlocked());
}

TEST_F(RunCommand, StopBeforeTheFirstReplicationLeavesNoResults) {
    clickStopAtPump(1);
    run.btnRunClick();
    EXPECT_EQ(state.tallies.completedReplications, 0);
    EXPECT_EQ(text("txtprop1"), "");
    EXPECT_EQ(text("txtActualM1"), "");
    EXPECT_EQ(text("memoresults"), "");
    EXPECT_EQ(text("btnStopRun"), "FINISHED 0 Iterations");
    EXPECT_FALSE(main().menus().item("Save1").enabled());
    EXPECT_FALSE(main().menus().item("SaveData1").enabled());
    EXPECT_TRUE(menusUnlocked());
}

TEST_F(RunCommand, SingleReplicationShowsFAndSignificance) {
    set("txtiterations", "1");
    run.btnRunClick();
    EXPECT_EQ(text("btnStopRun"), "FINISHED 1 Iteration");
    EXPECT_EQ(text("lblg1m1"), "Actual Mean of Group 1:");
    EXPECT_EQ(text("lblg2sd1"), "Actual Std Dev of Group 2:");
    EXPECT_EQ(text("boxresults"), "RESULTS: 1 tail");
    EXPECT_EQ(text("Label9"), "Proportion");
    EXPECT_EQ(text("txtalphaused"), "");
    const std::string memo = text("memoresults");
    ASSERT_EQ(memo.substr(0, 20), "\n     F-statistic = ");
    EXPECT_NE(memo.find("\nsignificance = "), std::string::npos);
    EXPECT_EQ(state.tallies.seOfMeans[1], replicator.result().groupSD[1]);
    EXPECT_EQ(state.settings.txtmeanstokeep, 1);  // lowered to the iteration count
}

TEST_F(RunCommand, NoVarianceStopsWithTheFourLineMessage) {
    set("txtsd1", "0.0001");
    control("chkInteger1").setChecked(true);
    run.btnRunClick();
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_EQ(platform.messages()[0],
              "There may have been NO VARIANCE in the last data set generated (save data to "
              "verify). Problems "
              "probably were due to the combination of (1) INTEGER DATA ONLY, (2) a small range "
              "between minimum "
              "and maximum scores, and/or (3) very small population STANDARD DEVIATION.");
    EXPECT_EQ(text("txtprop1"), "");
    EXPECT_EQ(text("txtActualM1"), "");
    EXPECT_TRUE(main().menus().item("SaveData1").enabled());
    EXPECT_FALSE(main().menus().item("Save1").enabled());
    EXPECT_FALSE(main().menus().item("SaveMeans1").enabled());
    EXPECT_TRUE(control("btnStopRun").visible());
    EXPECT_TRUE(menusUnlocked());
}

TEST_F(RunCommand, NotNumericTextGivesThePlainMessageAndLocksNothing) {
    set("txtmean2", "abc");
    run.btnRunClick();
    ASSERT_EQ(platform.shown.size(), 1u);
    EXPECT_EQ(platform.shown[0].kind, Kind::PlainMessage);
    EXPECT_EQ(platform.shown[0].text, "You must entire an appropriate numeric value");
    EXPECT_TRUE(control("txtmean2").hasFocus());
    EXPECT_FALSE(control("btnStopRun").visible());
    EXPECT_TRUE(menusUnlocked());
    EXPECT_TRUE(control("SpeedButtonRun").visible());
    EXPECT_FALSE(main().menus().item("Save1").enabled());
    EXPECT_EQ(platform.eventPumps, 0);
}

TEST_F(RunCommand, OutOfRangeValueGoesToTheInformationDialog) {
    run.btnRunClick();  // a completed run enables the save items ...
    platform.shown.clear();
    set("txtalpha1", "1.0");
    run.btnRunClick();  // ... which a failed settings step disables again
    ASSERT_EQ(platform.shown.size(), 1u);
    EXPECT_EQ(platform.shown[0].kind, Kind::Modal);
    EXPECT_EQ(platform.shown[0].text, "NOMINAL ALPHA must be greater than 0.0 and less than 1.0");
    EXPECT_TRUE(control("txtalpha1").hasFocus());
    EXPECT_TRUE(control("btnStopRun").visible());
    EXPECT_TRUE(control("btnStopRun").enabled());
    EXPECT_EQ(text("btnStopRun"), "Click Here to STOP Processing");
    EXPECT_EQ(text("txtrej1"), "");
    EXPECT_EQ(text("txtprop1"), "");
    EXPECT_FALSE(main().menus().item("Save1").enabled());
    EXPECT_FALSE(main().menus().item("SaveData1").enabled());
    EXPECT_FALSE(main().menus().item("SaveMeans1").enabled());
    EXPECT_TRUE(menusUnlocked());
}

TEST_F(RunCommand, LargeMeansWithTinySpreadDoNotFaultTheStandardError) {
    for (const char* mean : {"txtmean1", "txtmean2", "txtmean3"}) set(mean, "10000");
    for (const char* sd : {"txtsd1", "txtsd2", "txtsd3"}) set(sd, "0.0001");
    set("txtiterations", "2000");
    run.btnRunClick();
    EXPECT_EQ(platform.messages().size(), 0u);
    EXPECT_EQ(state.tallies.completedReplications, 2000);
    EXPECT_FALSE(text("txtSEmean1").empty());
}

TEST_F(RunCommand, FloatingPointOverflowAbandonsTheRunAndRestoresTheWindow) {
    for (const char* mean : {"txtmean1", "txtmean2", "txtmean3"}) set(mean, "1e308");
    for (const char* sd : {"txtsd1", "txtsd2", "txtsd3"}) set(sd, "1e308");
    run.btnRunClick();
    ASSERT_EQ(platform.shown.size(), 1u);
    EXPECT_EQ(platform.shown[0].kind, Kind::PlainMessage);
    EXPECT_EQ(platform.shown[0].text, "Floating point overflow");
    EXPECT_TRUE(run.abandoned());
    EXPECT_TRUE(menusUnlocked());
    EXPECT_TRUE(control("txtmean1").enabled());
    EXPECT_FALSE(main().menus().item("Save1").enabled());
}

// After a fault the stop button is gone and the focus is on the input the
// overflow came from: the first, in the window's order, whose square does
// not fit a double.
TEST_F(RunCommand, AFaultLeavesNoLiveStopButtonAndFocusesItsField) {
    for (const char* field : {"txtmean1", "txtsd2", "txtmean3"}) {
        SCOPED_TRACE(field);
        for (const char* mean : {"txtmean1", "txtmean2", "txtmean3"}) set(mean, "0.0");
        for (const char* sd : {"txtsd1", "txtsd2", "txtsd3"}) set(sd, "1.0");
        set(field, "1e308");
        main().setFocus(nullptr);
        run.btnRunClick();
        ASSERT_TRUE(run.abandoned());
        EXPECT_FALSE(control("btnStopRun").enabled());
        EXPECT_FALSE(control("btnStopRun").visible());
        EXPECT_EQ(main().focus(), &control(field));
    }
}

TEST_F(RunCommand, StopButtonReachesACaseStuckOnImpossibleBounds) {
    state.settings.groups[0].hasMinimum = true;
    state.settings.groups[0].hasMaximum = true;
    set("txtsd1", "1000");
    set("txtMin1", "-0.000001");
    set("txtMax1", "0.000001");
    // The first pump comes before replication 1; the next ones come from the
    // resampling loop's own checks.
    platform.onEvents = [this](long long n) {
        if (n == 3) control("btnStopRun").click();
    };
    run.btnRunClick();
    EXPECT_EQ(state.tallies.completedReplications, 0);
    EXPECT_TRUE(menusUnlocked());
    EXPECT_FALSE(main().menus().item("Save1").enabled());
}

TEST_F(RunCommand, SecondRunWithAutomaticSeedTakesTheNextSeedOfTheChain) {
    set("txtiterations", "10");
    run.btnRunClick();
    EXPECT_EQ(text("txtseed"), "1432449975");
    run.btnRunClick();
    EXPECT_EQ(text("txtseed"), "1257979814");
    EXPECT_EQ(state.seedText, "1257979814");
}

}  // namespace
