// Reset to Defaults, the score-scale presets and the effect sizes, checked
// against a freshly built window and against the rows of their tables.
#include "ui/presets.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "run/number_reading.hpp"

namespace velmor {
namespace {

class PresetsTest : public ::testing::Test {
  protected:
    void SetUp() override { rules.wire(); }

    ui::Control& c(std::string_view name) { return windows.mainWindow.control(name); }
    ui::Control& c(std::string_view stem, int g) {
        return windows.mainWindow.control(std::string(stem) + std::to_string(g));
    }
    ui::MenuItem& item(std::string_view name) { return windows.mainWindow.menus().item(name); }

    // What a Winsorized run with group 2 Uniform and Type III results leaves
    // behind, plus a bound, integer data and typed values elsewhere.
    void messUpAsAfterARun() {
        item("Winsorized1").setChecked(true);
        item("TypeIIIErrorresults1").setChecked(true);
        state.settings.TypeIIIErrorresults1 = true;
        c("txtsd2").setText("3");
        c("rdoUniform2").click();
        c("txtmean1").setText("100");
        c("chkMax1").click();
        c("txtMax1").setText("130");
        c("txtmean3").setText("1.5");
        c("chkInteger3").click();
        c("txtNsize1").setText("40");
        c("txtReliability2").setText("0.8");
        c("txtalpha1").setText(".01");
        c("txtseed").setText("1257979814");
        c("chkInc").setChecked(false);
        c("txtiterations").setText("500");
        c("txtmeanstokeep").setText("20");
        // The run's own marks on the window.
        c("txtrej1").setText("31");
        c("txtprop1").setText("0.0620");
        c("txtalphaused").setText("0.0100");
        c("Label9").setText("Power");
        c("txtActualM2").setText("0.01");
        c("txtSEmean3").setText("0.25");
        c("memoresults").setText("INFLATED");
        c("boxresults").setText("RESULTS: Robustness Analysis");
        c("boxresults").setBackground(ui::colors::white);
        c("boxresults").setFontColor(ui::colors::black);
        c("txtprop1").setBackground(ui::colors::yellow);
        c("memoresults").setBackground(ui::colors::white);
        c("Label7").setText("Processing...");
        c("Label7").setFontColor(ui::colors::yellow);
        c("btnStopRun").setVisible(true);
        c("btnStopRun").setEnabled(true);
        for (const char* input : {"txtmean1", "txtsd3", "rdoNormal1", "chkInteger2", "txtseed",
                                  "chkInc", "Label1", "rdoOnetail", "txtMax1"})
            c(input).setEnabled(false);
        for (const char* menu : {"File1", "Analysis1", "Help1"}) item(menu).setVisible(false);
        item("Options1").setEnabled(false);
        item("Save1").setEnabled(true);
        item("Save1").setCaption("&Save Results");
        item("SaveMeans1").setEnabled(true);
        state.resultLines[0] = "The actual Type I error rate";
        state.resultLines[6] = "INFLATED";
        state.flags.seedFromField = false;
        state.flags.searchActive = true;
        state.tallies.keptMeans[1][0] = 2.5;
        state.seeds = {-1257979814, -1257979814};
    }

    void expectGroupsInStartUpState() {
        for (int g = 1; g <= kGroups; ++g) {
            SCOPED_TRACE("group " + std::to_string(g));
            EXPECT_TRUE(c("rdoNormal", g).checked());
            EXPECT_FALSE(c("rdoUniform", g).checked());
            for (const char* stem : {"chkMin", "chkMax"}) {
                EXPECT_FALSE(c(stem, g).checked()) << stem;
                EXPECT_TRUE(c(stem, g).enabled()) << stem;
            }
            for (const char* stem : {"txtMin", "txtMax"}) {
                EXPECT_EQ(c(stem, g).text(), "") << stem;
                EXPECT_FALSE(c(stem, g).enabled()) << stem;
                EXPECT_FALSE(c(stem, g).visible()) << stem;
            }
            EXPECT_FALSE(state.settings.groups[g - 1].chkMin);
            EXPECT_FALSE(state.settings.groups[g - 1].chkMax);
            EXPECT_FALSE(state.settings.groups[g - 1].rdoUniform);
        }
    }

    ui::WindowSet windows;
    RunState state;
    CouplingRules rules{windows.mainWindow, state.settings};
    Presets presets{windows, state, rules};
};

// Compares every control and menu item with a window as built at start-up.
void expectLikeStartUp(ui::MainWindow& window, ui::MainWindow& fresh) {
    for (const ui::Control& expected : fresh.controls()) {
        const ui::Control& actual = window.control(expected.name());
        SCOPED_TRACE(expected.name());
        EXPECT_EQ(actual.text(), expected.text());
        EXPECT_EQ(actual.checked(), expected.checked());
        EXPECT_EQ(actual.enabled(), expected.enabled());
        EXPECT_EQ(actual.visible(), expected.visible());
        EXPECT_TRUE(actual.background() == expected.background());
        // The results box is maroon at start-up; Reset gives it navy text.
        if (expected.name() != "boxresults") {
            EXPECT_TRUE(actual.fontColor() == expected.fontColor());
        }
    }
    for (ui::MenuItem* expected : fresh.menus().inMenuOrder()) {
        const ui::MenuItem& actual = window.menus().item(expected->name());
        SCOPED_TRACE(expected->name());
        EXPECT_EQ(actual.enabled(), expected->enabled());
        EXPECT_EQ(actual.visible(), expected->visible());
        // The Type III mark is left as it is.
        if (expected->name() != "TypeIIIErrorresults1") {
            EXPECT_EQ(actual.checked(), expected->checked());
        }
    }
}

TEST_F(PresetsTest, ResetAfterAWinsorizedRunRestoresTheStartUpWindow) {
    messUpAsAfterARun();
    presets.btnResetClick();

    ui::MainWindow fresh;
    expectLikeStartUp(windows.mainWindow, fresh);
    expectGroupsInStartUpState();
    EXPECT_TRUE(item("Resampled1").checked());
    EXPECT_FALSE(item("Winsorized1").checked());
    EXPECT_TRUE(item("TypeIIIErrorresults1").checked());
    EXPECT_TRUE(state.settings.TypeIIIErrorresults1);
    EXPECT_TRUE(c("boxresults").fontColor() == ui::colors::navy);
    EXPECT_EQ(c("boxresults").text(), "");

    EXPECT_TRUE(state.flags.seedFromField);
    EXPECT_FALSE(state.flags.searchActive);
    for (const std::string& line : state.resultLines) EXPECT_EQ(line, "");
    // The last run's data and the automatic seed stream are not Reset's.
    EXPECT_EQ(state.tallies.keptMeans[1][0], 2.5);
    EXPECT_EQ(state.seeds.seedStreamSeed, -1257979814);
}

TEST_F(PresetsTest, ResetLeavesAnUncheckedTypeThreeMarkUnchecked) {
    presets.btnResetClick();
    EXPECT_FALSE(item("TypeIIIErrorresults1").checked());
    ui::MainWindow fresh;
    expectLikeStartUp(windows.mainWindow, fresh);
}

TEST_F(PresetsTest, ResetKeepsNoMenuCaptionsButItsOwnState) {
    // A run gives the save items their run-time captions; nothing gives back
    // the start-up ones.
    messUpAsAfterARun();
    presets.btnResetClick();
    EXPECT_EQ(item("Save1").caption(), "&Save Results");
    EXPECT_FALSE(item("Save1").enabled());
}

struct PresetRow {
    const char* name;
    void (Presets::*handler)();
    const char* mean;
    const char* sd;
    bool integerData;
    bool uniform;
    const char* lower;  // bound texts shown afterwards; empty under Normal
    const char* upper;
};

class PresetRowTest : public PresetsTest, public ::testing::WithParamInterface<PresetRow> {};

TEST_P(PresetRowTest, EndsInTheStateOfItsRow) {
    const PresetRow& row = GetParam();
    messUpAsAfterARun();
    // One group Uniform already and one with a bound on, so both the Reset
    // and the preset's own pass have something to undo.
    c("rdoUniform1").click();
    c("chkMin3").click();

    (presets.*row.handler)();

    for (int g = 1; g <= kGroups; ++g) {
        SCOPED_TRACE("group " + std::to_string(g));
        const GroupSettings& flags = state.settings.groups[g - 1];
        EXPECT_EQ(c("txtmean", g).text(), row.mean);
        EXPECT_EQ(c("txtsd", g).text(), row.sd);
        EXPECT_EQ(c("chkInteger", g).checked(), row.integerData);
        EXPECT_EQ(c("rdoUniform", g).checked(), row.uniform);
        EXPECT_EQ(c("rdoNormal", g).checked(), !row.uniform);
        EXPECT_EQ(flags.rdoUniform, row.uniform);
        EXPECT_EQ(flags.rdoNormal, !row.uniform);
        EXPECT_EQ(flags.chkMin, row.uniform);
        EXPECT_EQ(flags.chkMax, row.uniform);
        EXPECT_EQ(c("chkMin", g).checked(), row.uniform);
        EXPECT_EQ(c("chkMax", g).checked(), row.uniform);
        EXPECT_EQ(c("chkMin", g).enabled(), !row.uniform);
        EXPECT_EQ(c("txtMin", g).text(), row.lower);
        EXPECT_EQ(c("txtMax", g).text(), row.upper);
        EXPECT_EQ(c("txtMin", g).visible(), row.uniform);
        EXPECT_EQ(c("txtMax", g).visible(), row.uniform);
        EXPECT_FALSE(c("txtMin", g).enabled());
        EXPECT_FALSE(c("txtMax", g).enabled());
        EXPECT_EQ(c("txtNsize", g).text(), "16");
        EXPECT_EQ(c("txtReliability", g).text(), "1.0");
    }
    // The Reset underneath: defaults, no results, save items off.
    EXPECT_EQ(c("txtseed").text(), "1432449975");
    EXPECT_TRUE(c("chkInc").checked());
    EXPECT_TRUE(state.flags.seedFromField);
    EXPECT_FALSE(item("Save1").enabled());
    EXPECT_FALSE(item("SaveMeans1").enabled());
    EXPECT_TRUE(item("Resampled1").checked());
    EXPECT_EQ(c("memoresults").text(), "");
    // Wherever the focus ends, it is on a control the user can reach.
    if (const ui::Control* focus = windows.mainWindow.focus()) {
        EXPECT_TRUE(focus->enabled()) << focus->name();
        EXPECT_TRUE(focus->visible()) << focus->name();
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllPresets, PresetRowTest,
    ::testing::Values(PresetRow{"StandardNormal", &Presets::ResettoStandardNormal1Click, "0.0",
                                "1.0", false, false, "", ""},
                      PresetRow{"NormalDIQ", &Presets::ResettoNormalIQtype1Click, "100", "15", true,
                                false, "", ""},
                      PresetRow{"NormalTscores", &Presets::ResettoNormalTscores1Click, "50", "10",
                                true, false, "", ""},
                      PresetRow{"CEEBSAT", &Presets::ResettoCEEBSATscores1Click, "500", "100", true,
                                false, "", ""},
                      PresetRow{"Uniform01", &Presets::ResettoUniform011Click, "0.5", "0.2887",
                                false, true, "0.00", "1.00"},
                      PresetRow{"UniformUID01", &Presets::ResettoUniformMean01Click, "0.0", "1.0",
                                false, true, "-1.73", "1.73"},
                      PresetRow{"UniformMinus3To3", &Presets::ResettoUniformUID331Click, "0",
                                "1.73", false, true, "-3.00", "3.00"},
                      PresetRow{"Uniform0To100", &Presets::ResettoUniform01001Click, "50", "28.87",
                                true, true, "0.00", "100.00"}),
    [](const ::testing::TestParamInfo<PresetRow>& info) { return std::string(info.param.name); });

TEST_F(PresetsTest, UniformPresetBoundsAreTheRoundedEndsOfTheirRange) {
    // Independent of the table: width / sqrt(12) as the SD puts the derived
    // ends within rounding of the range's ends.
    struct Scale {
        void (Presets::*handler)();
        double low, high;
    };
    for (const Scale& scale : {Scale{&Presets::ResettoUniform011Click, 0.0, 1.0},
                               Scale{&Presets::ResettoUniformUID331Click, -3.0, 3.0},
                               Scale{&Presets::ResettoUniform01001Click, 0.0, 100.0}}) {
        (presets.*scale.handler)();
        const double mean = *ReadNumber(c("txtmean1").text());
        const double sd = *ReadNumber(c("txtsd1").text());
        EXPECT_NEAR(mean, (scale.low + scale.high) / 2, 1e-12);
        EXPECT_NEAR(sd * std::sqrt(12.0), scale.high - scale.low, 0.005 * (scale.high - scale.low));
        EXPECT_NEAR(*ReadNumber(c("txtMin1").text()), scale.low, 0.005);
        EXPECT_NEAR(*ReadNumber(c("txtMax1").text()), scale.high, 0.005);
    }
}

TEST_F(PresetsTest, EffectSizesGiveCohensSmallMediumAndLargeF) {
    struct Effect {
        void (Presets::*handler)();
        double f;
    };
    for (const Effect& effect :
         {Effect{&Presets::NoEffect1Click, 0.0}, Effect{&Presets::Small1Click, 0.098},
          Effect{&Presets::Medium1Click, 0.253}, Effect{&Presets::Large1Click, 0.400}}) {
        (presets.*effect.handler)();
        double means[kGroups];
        double sum = 0.0;
        for (int g = 1; g <= kGroups; ++g) {
            EXPECT_EQ(c("txtsd", g).text(), "1.00");
            means[g - 1] = *ReadNumber(c("txtmean", g).text());
            sum += means[g - 1];
        }
        double squares = 0.0;
        for (double m : means) squares += (m - sum / kGroups) * (m - sum / kGroups);
        EXPECT_NEAR(std::sqrt(squares / kGroups) / 1.0, effect.f, 0.0005);
        EXPECT_EQ(c("txtmean2").text(), "0.00");
    }
    EXPECT_EQ(c("txtmean1").text(), "0.49");
    EXPECT_EQ(c("txtmean3").text(), "-0.49");
}

TEST_F(PresetsTest, LargeEffectRederivesOnlyTheUniformGroupsBounds) {
    c("rdoUniform3").click();
    c("txtmean1").setText("100");
    c("txtsd1").setText("15");
    c("chkMin1").click();
    c("txtmean1").setEnabled(false);  // as a run or search may leave it
    c("chkInteger2").click();
    c("txtNsize2").setText("30");

    presets.Large1Click();

    EXPECT_EQ(c("txtMin3").text(), "-2.22");
    EXPECT_EQ(c("txtMax3").text(), "1.24");
    EXPECT_TRUE(c("rdoUniform3").checked());
    // Normal groups keep whatever bound texts they had.
    EXPECT_EQ(c("txtMin1").text(), "40.00");
    EXPECT_TRUE(c("txtMin1").visible());
    EXPECT_EQ(c("txtMin2").text(), "");
    EXPECT_FALSE(c("txtMin2").visible());
    // Nothing but the means and SDs changes.
    EXPECT_TRUE(c("chkInteger2").checked());
    EXPECT_EQ(c("txtNsize2").text(), "30");
    EXPECT_TRUE(c("txtmean1").enabled());
    EXPECT_TRUE(c("txtmean1").hasFocus());
}

TEST_F(PresetsTest, EffectSizeAfterARunKeepsTheResultsAndTheSaveCommands) {
    messUpAsAfterARun();
    state.flags.searchActive = false;
    presets.NoEffect1Click();
    EXPECT_EQ(c("txtrej1").text(), "31");
    EXPECT_EQ(c("memoresults").text(), "INFLATED");
    EXPECT_EQ(state.resultLines[6], "INFLATED");
    EXPECT_TRUE(item("Save1").enabled());
    EXPECT_TRUE(item("Winsorized1").checked());
    EXPECT_FALSE(state.flags.seedFromField);
    EXPECT_EQ(c("txtseed").text(), "1257979814");
    // Group 2 is still Uniform, with the bounds of the new mean 0 and SD 1.
    EXPECT_TRUE(c("rdoUniform2").checked());
    EXPECT_EQ(c("txtMin2").text(), "-1.73");
    EXPECT_EQ(c("txtMax2").text(), "1.73");
}

}  // namespace
}  // namespace velmor
