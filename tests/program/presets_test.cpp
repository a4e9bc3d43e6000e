// Reset to Defaults, the score-scale presets and the effect sizes, driven
// through the program's menu items and checked against a freshly built window,
// against the rows of their tables and by a run afterwards.
#include "program/presets.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "program/program.hpp"
#include "run/number_reading.hpp"
#include "support/fake_platform.hpp"
#include "support/run_fixture.hpp"

namespace velmor {
namespace {

class PresetsTest : public ::testing::Test {
  protected:
    void SetUp() override { platform.attach(program.windows()); }

    ui::Control& c(std::string_view name) { return program.mainWindow().control(name); }
    ui::Control& c(std::string_view stem, int g) {
        return c(std::string(stem) + std::to_string(g));
    }
    ui::MenuItem& item(std::string_view name) { return program.mainWindow().menus().item(name); }
    void choose(std::string_view menuItem) { item(menuItem).trigger(); }
    void run() { ASSERT_TRUE(program.pressShortcut("F5")); }

    // Leaves every group in a different state: group 1 Normal with a
    // maximum on and overwritten, group 2 Uniform, group 3 integer data;
    // Winsorized and Type III results chosen, other inputs typed over.
    void changeEverything() {
        choose("Winsorized1");
        choose("TypeIIIErrorresults1");
        c("txtmean1").setText("100");
        c("chkMax1").click();
        c("txtMax1").setText("130");
        c("txtsd2").setText("3");
        c("rdoUniform2").click();
        c("txtmean3").setText("1.5");
        c("chkInteger3").click();
        c("txtNsize1").setText("40");
        c("txtReliability2").setText("0.8");
        c("txtalpha1").setText(".01");
        c("txtiterations").setText("300");
        c("txtmeanstokeep").setText("20");
    }

    testing::FakePlatform platform;
    testing::SilentConsole console;
    Program program{platform, &console};
};

TEST_F(PresetsTest, ResetAfterAWinsorizedRunRestoresTheStartUpWindow) {
    changeEverything();
    run();
    ASSERT_TRUE(platform.messages().empty());
    ASSERT_TRUE(item("Save1").enabled());
    // What a search that ended by a fault could leave: inputs and menus locked.
    for (const char* input : {"txtmean1", "chkInteger2", "txtseed", "chkInc", "Label1"})
        c(input).setEnabled(false);
    item("Options1").setVisible(false);
    program.state().flags.searchActive = true;
    const double keptMean = program.state().tallies.keptMeans[1][0];
    const std::int32_t seedStream = program.state().seeds.seedStreamSeed;

    choose("Reset1");

    ui::MainWindow fresh;
    for (const ui::Control& expected : fresh.controls()) {
        const ui::Control& actual = c(expected.name());
        SCOPED_TRACE(expected.name());
        // The hidden stop button keeps the run's "FINISHED" caption until the
        // next run renames it; Reset only hides and disables it.
        if (expected.name() != "btnStopRun") {
            EXPECT_EQ(actual.text(), expected.text());
        }
        EXPECT_EQ(actual.checked(), expected.checked());
        EXPECT_EQ(actual.enabled(), expected.enabled());
        EXPECT_EQ(actual.visible(), expected.visible());
        EXPECT_TRUE(actual.background() == expected.background());
        // The results box is maroon at start-up; Reset gives it navy text.
        if (expected.name() != "boxresults") {
            EXPECT_TRUE(actual.fontColor() == expected.fontColor());
        }
    }
    EXPECT_TRUE(c("boxresults").fontColor() == ui::colors::navy);
    for (ui::MenuItem* expected : fresh.menus().inMenuOrder()) {
        const ui::MenuItem& actual = item(expected->name());
        SCOPED_TRACE(expected->name());
        EXPECT_EQ(actual.enabled(), expected->enabled());
        EXPECT_EQ(actual.visible(), expected->visible());
        // Reset leaves the Type III mark as it is.
        if (expected->name() != "TypeIIIErrorresults1") {
            EXPECT_EQ(actual.checked(), expected->checked());
        }
    }
    const RunState& state = program.state();
    EXPECT_TRUE(item("TypeIIIErrorresults1").checked());
    EXPECT_TRUE(state.settings.TypeIIIErrorresults1);
    for (const GroupSettings& group : state.settings.groups) {
        EXPECT_FALSE(group.hasMinimum);
        EXPECT_FALSE(group.hasMaximum);
        EXPECT_FALSE(group.uniform());
    }
    EXPECT_TRUE(state.flags.seedFromField);
    EXPECT_FALSE(state.flags.searchActive);
    for (const std::string& line : state.resultLines) EXPECT_EQ(line, "");
    // The last run's data and the automatic seed stream are not Reset's.
    EXPECT_EQ(state.tallies.keptMeans[1][0], keptMean);
    EXPECT_EQ(state.seeds.seedStreamSeed, seedStream);
}

// A one-sample run renames the sampling-distribution labels after what its
// fields hold; Reset gives back every caption of the table, also when a
// run that ends on no variance (and so renames nothing) came in between.
TEST_F(PresetsTest, ResetAfterAOneSampleRunGivesBackTheTablesCaptions) {
    for (const bool noVarianceRunAfter : {false, true}) {
        SCOPED_TRACE(noVarianceRunAfter ? "then a no-variance run" : "one-sample run");
        choose("Reset1");
        c("txtiterations").setText("1");
        run();
        ASSERT_EQ(c("lblg1m1").text(), "Actual Mean of Group 1:");
        if (noVarianceRunAfter) {
            for (int g = 1; g <= 3; ++g) {
                c("chkInteger", g).click();
                c("txtsd", g).setText("0.01");
            }
            c("txtiterations").setText("10");
            run();
            ASSERT_TRUE(program.state().flags.noVariance);
        }
        choose("Reset1");
        ui::MainWindow fresh;
        for (const ui::Control& expected : fresh.controls()) {
            if (expected.name() == "btnStopRun") continue;  // keeps "FINISHED", see above
            SCOPED_TRACE(expected.name());
            EXPECT_EQ(c(expected.name()).text(), expected.text());
        }
    }
}

TEST_F(PresetsTest, ResetBringsBackTheTypedSeedForTheNextRun) {
    c("txtiterations").setText("50");
    run();
    run();  // automatic seeds are on: this one draws a new seed
    ASSERT_NE(c("txtseed").text(), "1432449975");

    choose("Reset1");
    EXPECT_EQ(c("txtseed").text(), "1432449975");
    c("txtiterations").setText("50");
    run();
    EXPECT_TRUE(platform.messages().empty());
    EXPECT_EQ(c("txtseed").text(), "1432449975");
    EXPECT_EQ(program.state().seedText, "1432449975");
}

// Reset to Defaults returns every group to normal: a shape chosen before is
// gone, and the next run draws the default normal groups (no achieved shape).
TEST_F(PresetsTest, ResetReturnsShapedGroupsToNormal) {
    program.state().choices.shapes[1] = PopulationShape::Exponential();
    c("txtiterations").setText("20");
    run();
    ASSERT_TRUE(program.state().result.achievedShape[1].shaped);
    choose("Reset1");
    for (const auto& shape : program.state().choices.shapes) EXPECT_FALSE(shape.has_value());
    c("txtiterations").setText("20");
    run();
    EXPECT_FALSE(program.state().result.achievedShape[1].shaped);
    EXPECT_EQ(program.state().settings.groups[1].distribution, Distribution::Normal);
}

struct PresetRow {
    const char* menuItem;
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
    changeEverything();
    c("rdoUniform1").click();  // one more Uniform group for the Reset to undo

    choose(row.menuItem);

    const RunState& state = program.state();
    for (int g = 1; g <= kGroups; ++g) {
        SCOPED_TRACE("group " + std::to_string(g));
        const GroupSettings& flags = state.settings.groups[g - 1];
        EXPECT_EQ(c("txtmean", g).text(), row.mean);
        EXPECT_EQ(c("txtsd", g).text(), row.sd);
        EXPECT_EQ(c("chkInteger", g).checked(), row.integerData);
        EXPECT_EQ(c("rdoUniform", g).checked(), row.uniform);
        EXPECT_EQ(c("rdoNormal", g).checked(), !row.uniform);
        EXPECT_EQ(flags.uniform(), row.uniform);
        EXPECT_EQ(flags.hasMinimum, row.uniform);
        EXPECT_EQ(flags.hasMaximum, row.uniform);
        for (const char* box : {"chkMin", "chkMax"}) {
            EXPECT_EQ(c(box, g).checked(), row.uniform) << box;
            EXPECT_EQ(c(box, g).enabled(), !row.uniform) << box;
        }
        EXPECT_EQ(c("txtMin", g).text(), row.lower);
        EXPECT_EQ(c("txtMax", g).text(), row.upper);
        for (const char* field : {"txtMin", "txtMax"}) {
            EXPECT_EQ(c(field, g).visible(), row.uniform) << field;
            EXPECT_FALSE(c(field, g).enabled()) << field;
        }
        EXPECT_EQ(c("txtNsize", g).text(), "16");
        EXPECT_EQ(c("txtReliability", g).text(), "1.0");
    }
    // The Reset underneath.
    EXPECT_EQ(c("txtiterations").text(), "10000");
    EXPECT_TRUE(item("Resampled1").checked());
    EXPECT_TRUE(item("TypeIIIErrorresults1").checked());
    // Wherever the focus ends, it is on a control the user can reach.
    if (const ui::Control* focus = program.mainWindow().focus()) {
        EXPECT_TRUE(focus->enabled()) << focus->name();
        EXPECT_TRUE(focus->visible()) << focus->name();
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllPresets, PresetRowTest,
    ::testing::Values(PresetRow{"ResettoStandardNormal1", "0.0", "1.0", false, false, "", ""},
                      PresetRow{"ResettoNormalIQtype1", "100", "15", true, false, "", ""},
                      PresetRow{"ResettoNormalTscores1", "50", "10", true, false, "", ""},
                      PresetRow{"ResettoCEEBSATscores1", "500", "100", true, false, "", ""},
                      PresetRow{"ResettoUniform011", "0.5", "0.2887", false, true, "0.00", "1.00"},
                      PresetRow{"ResettoUniformMean01", "0.0", "1.0", false, true, "-1.73", "1.73"},
                      PresetRow{"ResettoUniformUID331", "0", "1.73", false, true, "-3.00", "3.00"},
                      PresetRow{"ResettoUniform01001", "50", "28.87", true, true, "0.00",
                                "100.00"}),
    [](const ::testing::TestParamInfo<PresetRow>& info) {
        return std::string(info.param.menuItem);
    });

TEST_F(PresetsTest, EffectSizesGiveCohensSmallMediumAndLargeF) {
    struct Effect {
        const char* menuItem;
        double f;
    };
    for (const Effect& effect : {Effect{"NoEffect1", 0.0}, Effect{"SmallEffect1", 0.098},
                                 Effect{"MediumEffect1", 0.253}, Effect{"LargeEffect1", 0.400}}) {
        SCOPED_TRACE(effect.menuItem);
        choose(effect.menuItem);
        double means[kGroups];
        double sum = 0.0;
        for (int g = 1; g <= kGroups; ++g) {
            EXPECT_EQ(c("txtsd", g).text(), "1.00");
            means[g - 1] = *ReadNumber(c("txtmean", g).text());
            sum += means[g - 1];
        }
        double squares = 0.0;
        for (double m : means) squares += (m - sum / kGroups) * (m - sum / kGroups);
        // Standard deviation of the means (divisor 3) over the common SD of 1.
        EXPECT_NEAR(std::sqrt(squares / kGroups), effect.f, 0.0005);
        EXPECT_EQ(c("txtmean2").text(), "0.00");
    }
}

TEST_F(PresetsTest, LargeEffectRederivesOnlyTheUniformGroupsBounds) {
    c("rdoUniform3").click();
    c("txtmean1").setText("100");
    c("txtsd1").setText("15");
    c("chkMin1").click();
    c("txtmean1").setEnabled(false);
    c("chkInteger2").click();
    c("txtNsize2").setText("30");

    choose("LargeEffect1");

    EXPECT_EQ(c("txtmean1").text(), "0.49");
    EXPECT_EQ(c("txtmean3").text(), "-0.49");
    EXPECT_EQ(c("txtMin3").text(), "-2.22");
    EXPECT_EQ(c("txtMax3").text(), "1.24");
    EXPECT_TRUE(c("rdoUniform3").checked());
    // Normal groups keep whatever bound texts they had.
    EXPECT_EQ(c("txtMin1").text(), "40.00");
    EXPECT_TRUE(c("txtMin1").visible());
    EXPECT_EQ(c("txtMin2").text(), "");
    EXPECT_FALSE(c("txtMin2").visible());
    // Nothing but the means and SDs changes; txtmean1 takes the focus.
    EXPECT_TRUE(c("chkInteger2").checked());
    EXPECT_EQ(c("txtNsize2").text(), "30");
    EXPECT_TRUE(c("txtmean1").enabled());
    EXPECT_TRUE(c("txtmean1").hasFocus());
}

TEST_F(PresetsTest, EffectSizeAfterARunKeepsTheResultsAndTheSaveCommands) {
    changeEverything();
    run();
    ASSERT_TRUE(platform.messages().empty());
    const std::string memo = c("memoresults").text();
    const std::string rejections = c("txtrej1").text();
    const std::string seed = c("txtseed").text();
    ASSERT_FALSE(memo.empty());

    choose("NoEffect1");

    EXPECT_EQ(c("memoresults").text(), memo);
    EXPECT_EQ(c("txtrej1").text(), rejections);
    EXPECT_EQ(program.state().joinedResultLines(), memo);
    EXPECT_TRUE(item("Save1").enabled());
    EXPECT_TRUE(item("Winsorized1").checked());
    EXPECT_FALSE(program.state().flags.seedFromField);
    EXPECT_EQ(c("txtseed").text(), seed);
    // Group 2 is still Uniform, with the bounds of the new mean 0 and SD 1.
    EXPECT_TRUE(c("rdoUniform2").checked());
    EXPECT_EQ(c("txtMin2").text(), "-1.73");
    EXPECT_EQ(c("txtMax2").text(), "1.73");
}

struct PresetRun {
    const char* name;
    std::vector<const char*> menuItems;  // chosen in order before the run
    bool equalMeans;
};

class PresetRunTest : public PresetsTest, public ::testing::WithParamInterface<PresetRun> {};

TEST_P(PresetRunTest, RunAfterThePresetSucceedsWithAVerdictOfItsKind) {
    const PresetRun& row = GetParam();
    for (const char* menuItem : row.menuItems) choose(menuItem);
    run();

    EXPECT_TRUE(platform.messages().empty()) << platform.messages().front();
    const RunState& state = program.state();
    EXPECT_EQ(state.tallies.completedReplications, 10000);
    EXPECT_TRUE(item("Save1").enabled());
    const std::string& memo = c("memoresults").text();
    if (row.equalMeans) {
        EXPECT_EQ(c("boxresults").text(), "RESULTS: Robustness Analysis");
        // The kind follows from the proportion against Bradley's band.
        const double p = state.tallies.rejectionProportion;
        const char* expected = p > 1.1 * 0.05   ? ") is INFLATED"
                               : p < 0.9 * 0.05 ? ") is CONSERVATIVE"
                                                : "the test appears to be ROBUST";
        EXPECT_NE(memo.find(expected), std::string::npos) << memo;
    } else {
        EXPECT_EQ(c("boxresults").text(), "RESULTS: Power Analysis");
        EXPECT_EQ(memo.rfind("Actual Power is ", 0), 0u) << memo;
        EXPECT_GT(state.tallies.rejectionProportion, 0.05);
    }
    EXPECT_EQ(memo.find("CAUTION"), std::string::npos) << memo;
}

INSTANTIATE_TEST_SUITE_P(
    AllPresetsAndEffects, PresetRunTest,
    ::testing::Values(PresetRun{"StandardNormal", {"ResettoStandardNormal1"}, true},
                      PresetRun{"NormalDIQ", {"ResettoNormalIQtype1"}, true},
                      PresetRun{"NormalTscores", {"ResettoNormalTscores1"}, true},
                      PresetRun{"CEEBSAT", {"ResettoCEEBSATscores1"}, true},
                      PresetRun{"Uniform01", {"ResettoUniform011"}, true},
                      PresetRun{"UniformUID01", {"ResettoUniformMean01"}, true},
                      PresetRun{"UniformMinus3To3", {"ResettoUniformUID331"}, true},
                      PresetRun{"Uniform0To100", {"ResettoUniform01001"}, true},
                      PresetRun{"NoEffect", {"ResettoStandardNormal1", "NoEffect1"}, true},
                      PresetRun{"SmallEffect", {"ResettoStandardNormal1", "SmallEffect1"}, false},
                      PresetRun{
                          "MediumEffectUniform", {"ResettoUniformMean01", "MediumEffect1"}, false},
                      PresetRun{"LargeEffect", {"ResettoStandardNormal1", "LargeEffect1"}, false}),
    [](const ::testing::TestParamInfo<PresetRun>& info) { return std::string(info.param.name); });

TEST_F(PresetsTest, NormalBoundLeftOnAfterAnEffectSizeGivesTheCaution) {
    choose("ResettoStandardNormal1");
    c("chkMin1").click();  // proposes -4.00, not mirrored by a maximum
    choose("LargeEffect1");
    run();
    EXPECT_TRUE(platform.messages().empty());
    EXPECT_EQ(c("memoresults").text().rfind("Interpret the results above with CAUTION! ", 0), 0u);
}

}  // namespace
}  // namespace velmor
