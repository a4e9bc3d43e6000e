// The control-event rules and the shortcut rule of the window model.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "window_model/windows.hpp"

using namespace velmor::ui;

namespace {

struct Counter {
    int runs = 0;
    std::function<void()> handler() {
        return [this] { ++runs; };
    }
};

TEST(ControlEvents, EditRunsItsChangeRuleOnlyWhenTheTextChanges) {
    MainWindow window;
    Counter counter;
    Control& mean = window.control("txtmean1");
    mean.setHandler(counter.handler());
    mean.setText("0.0");  // already the text
    EXPECT_EQ(counter.runs, 0);
    mean.setText("0.5");
    mean.setText("0.5");
    EXPECT_EQ(counter.runs, 1);
    mean.setText("");
    EXPECT_EQ(counter.runs, 2);
}

TEST(ControlEvents, CheckBoxRunsItsClickRuleOnEveryActualChange) {
    MainWindow window;
    Counter counter;
    Control& box = window.control("chkMin2");
    box.setHandler(counter.handler());
    box.setChecked(false);
    EXPECT_EQ(counter.runs, 0);
    box.setChecked(true);
    box.setChecked(true);
    box.setChecked(false);
    EXPECT_EQ(counter.runs, 2);
    box.click();  // a user's click toggles and runs the same rule
    EXPECT_TRUE(box.checked());
    EXPECT_EQ(counter.runs, 3);
}

TEST(ControlEvents, RadioPairRunsOnlyTheRuleOfTheButtonThatBecameChecked) {
    MainWindow window;
    Counter normal, uniform;
    Control& rdoNormal = window.control("rdoNormal3");
    Control& rdoUniform = window.control("rdoUniform3");
    rdoNormal.setHandler(normal.handler());
    rdoUniform.setHandler(uniform.handler());

    rdoNormal.setChecked(true);    // already checked: nothing
    rdoUniform.setChecked(false);  // unchecking runs nothing
    EXPECT_EQ(normal.runs + uniform.runs, 0);

    rdoUniform.setChecked(true);
    EXPECT_TRUE(rdoUniform.checked());
    EXPECT_FALSE(rdoNormal.checked());
    EXPECT_EQ(uniform.runs, 1);
    EXPECT_EQ(normal.runs, 0);

    rdoNormal.click();
    EXPECT_EQ(normal.runs, 1);
    EXPECT_FALSE(rdoUniform.checked());
    // The pairs of different groups are independent.
    EXPECT_TRUE(window.control("rdoNormal1").checked());
}

TEST(ControlEvents, ChangesReachTheListenerOnlyWhenStateChanges) {
    MainWindow window;
    std::vector<std::string> seen;
    window.setListener([&](const Control& c, Aspect) { seen.push_back(c.name()); });
    Control& rej = window.control("txtrej1");
    rej.setText("1");
    rej.setText("1");
    rej.setBackground(colors::aqua);  // already aqua
    rej.setBackground(colors::white);
    EXPECT_EQ(seen, (std::vector<std::string>{"txtrej1", "txtrej1"}));
}

TEST(InitialState, BoundFieldsHiddenStopButtonHiddenTwoTailNeverShown) {
    MainWindow window;
    for (const char* name : {"txtMin1", "txtMax1", "txtMin2", "txtMax2", "txtMin3", "txtMax3"}) {
        const Control& c = window.control(name);
        EXPECT_FALSE(c.visible()) << name;
        EXPECT_FALSE(c.enabled()) << name;
        EXPECT_EQ(c.text(), "") << name;
    }
    EXPECT_FALSE(window.control("btnStopRun").visible());
    EXPECT_FALSE(window.control("rdoTwotail").visible());
    EXPECT_TRUE(window.control("rdoOnetail").checked());
    EXPECT_TRUE(window.control("chkInc").checked());
    EXPECT_EQ(window.control("txtseed").text(), "1432449975");
    EXPECT_EQ(window.caption(), "VELMOR: Quorvath");
    EXPECT_TRUE(window.menus().item("Resampled1").checked());
    EXPECT_FALSE(window.menus().item("Winsorized1").checked());
    EXPECT_FALSE(window.menus().item("Save1").enabled());
}

TEST(Menus, RadioItemsExcludeEachOtherAndCheckItemStandsAlone) {
    MainWindow window;
    MenuItem& resampled = window.menus().item("Resampled1");
    MenuItem& winsorized = window.menus().item("Winsorized1");
    MenuItem& typeIII = window.menus().item("TypeIIIErrorresults1");
    winsorized.setChecked(true);
    EXPECT_FALSE(resampled.checked());
    resampled.setChecked(true);
    resampled.setChecked(true);
    EXPECT_TRUE(resampled.checked());
    EXPECT_FALSE(winsorized.checked());
    typeIII.setChecked(true);
    EXPECT_TRUE(resampled.checked());
}

class ShortcutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (MenuItem* item : window.menus().inMenuOrder()) {
            if (item->kind() != MenuItemKind::Command) continue;
            std::string name = item->name();
            item->setCommand([this, name] { ran.push_back(name); });
        }
    }
    MainWindow window;
    std::vector<std::string> ran;
};

TEST_F(ShortcutTest, FirstItemInMenuOrderCarryingTheKeyWins) {
    EXPECT_TRUE(window.menus().pressShortcut("F2"));
    EXPECT_EQ(ran, (std::vector<std::string>{"SmallEffect1"}));
}

// A key shown beside an item runs that item: no menu promises a key that
// another command takes.
TEST_F(ShortcutTest, EveryShownKeyRunsItsOwnItem) {
    // Enabled, as after a run: the save items' keys count too.
    for (MenuItem* item : window.menus().inMenuOrder()) item->setEnabled(true);
    for (MenuItem* item : window.menus().inMenuOrder()) {
        if (item->kind() != MenuItemKind::Command || item->shortcut().empty()) continue;
        SCOPED_TRACE(item->name());
        ran.clear();
        EXPECT_TRUE(window.menus().pressShortcut(item->shortcut()));
        EXPECT_EQ(ran, (std::vector<std::string>{item->name()}));
    }
}

TEST_F(ShortcutTest, HiddenItemIsStillReached) {
    EXPECT_TRUE(window.menus().pressShortcut("F12"));
    EXPECT_EQ(ran, (std::vector<std::string>{"Test10001"}));
}

TEST_F(ShortcutTest, DisabledItemOrMenuMakesTheKeyDead) {
    EXPECT_FALSE(window.menus().pressShortcut("Ctrl+S"));  // Save1 starts disabled
    window.menus().item("Analysis1").setEnabled(false);
    window.menus().item("Analysis1").setVisible(false);
    EXPECT_FALSE(window.menus().pressShortcut("F5"));
    EXPECT_TRUE(ran.empty());
    window.menus().item("Analysis1").setEnabled(true);
    EXPECT_TRUE(window.menus().pressShortcut("F5"));
    EXPECT_EQ(ran, (std::vector<std::string>{"Run1"}));
}

TEST_F(ShortcutTest, UnknownKeyDoesNothing) {
    EXPECT_FALSE(window.menus().pressShortcut("F11"));
    EXPECT_TRUE(ran.empty());
}

TEST(Dialogs, WindowSetHoldsTheFourDialogsWithTheirTexts) {
    WindowSet windows;
    EXPECT_EQ(windows.runBox.caption(), "Information");
    EXPECT_EQ(windows.powerBox.control("txtPower").text(), "0.80");
    EXPECT_EQ(windows.powerBox.control("ssiterations").text(), "10000");
    EXPECT_EQ(windows.aboutBox.control("Panel1").text(), "Quorvath (Version 1.1.1)");
    const std::string agreement = windows.userBox.control("Memo1").text();
    int lines = 1;
    for (char c : agreement) lines += c == '\n';
    EXPECT_EQ(lines, 74);
    for (const char* heading : {"LICENSE", "TERMS OF USE", "DISCLAIMER OF WARRANTY"})
        EXPECT_NE(agreement.find(heading), std::string::npos) << heading;
}

// The subsystems reach the controls through typed members; each member must
// be the control of its own name, and together they reach every control of
// the window once.
TEST(TypedViews, ReachEveryControlOnceUnderItsOwnName) {
    MainWindow w;
    std::vector<const Control*> seen;
    auto expect = [&](const Control& c, const std::string& name) {
        EXPECT_EQ(c.name(), name);
        seen.push_back(&c);
    };
    const char* const sdLabels[] = {"Label2", "lblgroup2sd", "lblgroup3sd"};
    const char* const sizeLabels[] = {"Label15", "lblgroup2size", "lblgroup3size"};
    const char* const distributionLabels[] = {"Label11", "Label12", "Label19"};
    const char* const reliabilityLabels[] = {"Label10", "Label14", "Label20"};
    for (int g = 1; g <= 3; ++g) {
        const std::string n = std::to_string(g);
        const GroupControls& v = w.groups[g - 1];
        expect(v.box, "boxgroup" + n);
        expect(v.meanLabel, "lblgroup" + n + "mean");
        expect(v.txtmean, "txtmean" + n);
        expect(v.sdLabel, sdLabels[g - 1]);
        expect(v.txtsd, "txtsd" + n);
        expect(v.sizeLabel, sizeLabels[g - 1]);
        expect(v.txtNsize, "txtNsize" + n);
        expect(v.distributionLabel, distributionLabels[g - 1]);
        expect(v.rdoNormal, "rdoNormal" + n);
        expect(v.rdoUniform, "rdoUniform" + n);
        expect(v.reliabilityLabel, reliabilityLabels[g - 1]);
        expect(v.txtReliability, "txtReliability" + n);
        expect(v.chkInteger, "chkInteger" + n);
        expect(v.chkMin, "chkMin" + n);
        expect(v.txtMin, "txtMin" + n);
        expect(v.chkMax, "chkMax" + n);
        expect(v.txtMax, "txtMax" + n);
        const GroupResultControls& r = w.sampling.groups[g - 1];
        expect(r.meanLabel, "lblg" + n + "m1");
        expect(r.txtActualM, "txtActualM" + n);
        expect(r.seLabel, "lblg" + n + "sd1");
        expect(r.txtSEmean, "txtSEmean" + n);
    }
    expect(w.sampling.box, "boxsamplingdistributions");
    expect(w.sampling.Label3, "Label3");
    expect(w.sampling.txtmeanstokeep, "txtmeanstokeep");
    const HypothesisControls& h = w.hypothesis;
    expect(h.box, "boxhypothesistesting");
    expect(h.Label6, "Label6");
    expect(h.txtalpha1, "txtalpha1");
    expect(h.rdoTwotail, "rdoTwotail");
    expect(h.rdoOnetail, "rdoOnetail");
    const RunPanelControls& p = w.runPanel;
    expect(p.pnlCount, "pnlCount");
    expect(p.Label7, "Label7");
    expect(p.SpeedButtonRun, "SpeedButtonRun");
    expect(p.btnStopRun, "btnStopRun");
    const MonteCarloControls& m = w.monteCarlo;
    expect(m.box, "boxmontecarlo");
    expect(m.chkInc, "chkInc");
    expect(m.Label1, "Label1");
    expect(m.lblseed, "lblseed");
    expect(m.txtseed, "txtseed");
    expect(m.Label5, "Label5");
    expect(m.txtiterations, "txtiterations");
    const ResultsControls& r = w.results;
    expect(r.boxresults, "boxresults");
    expect(r.Label8, "Label8");
    expect(r.Label9, "Label9");
    expect(r.Label13, "Label13");
    expect(r.txtrej1, "txtrej1");
    expect(r.txtprop1, "txtprop1");
    expect(r.txtalphaused, "txtalphaused");
    expect(r.memoresults, "memoresults");
    EXPECT_EQ(seen.size(), w.controls().size());
    EXPECT_EQ(std::set<const Control*>(seen.begin(), seen.end()).size(), seen.size());

    // Every command item of the menus is reached under its own name.
    const MainMenuItems& menu = w.menu;
    const std::vector<std::pair<const MenuItem*, const char*>> items = {
        {&menu.File1, "File1"},
        {&menu.Save1, "Save1"},
        {&menu.SaveData1, "SaveData1"},
        {&menu.SaveMeans1, "SaveMeans1"},
        {&menu.Exit1, "Exit1"},
        {&menu.Analysis1, "Analysis1"},
        {&menu.Run1, "Run1"},
        {&menu.GetPower701, "GetPower701"},
        {&menu.GetPower801, "GetPower801"},
        {&menu.GetNforAnyPower1, "GetNforAnyPower1"},
        {&menu.GetPower901, "GetPower901"},
        {&menu.Test10001, "Test10001"},
        {&menu.EffectSizes1, "EffectSizes1"},
        {&menu.NoEffect1, "NoEffect1"},
        {&menu.SmallEffect1, "SmallEffect1"},
        {&menu.MediumEffect1, "MediumEffect1"},
        {&menu.LargeEffect1, "LargeEffect1"},
        {&menu.Options1, "Options1"},
        {&menu.Resampled1, "Resampled1"},
        {&menu.Winsorized1, "Winsorized1"},
        {&menu.TypeIIIErrorresults1, "TypeIIIErrorresults1"},
        {&menu.Reset2, "Reset2"},
        {&menu.Reset1, "Reset1"},
        {&menu.ResettoStandardNormal1, "ResettoStandardNormal1"},
        {&menu.ResettoNormalIQtype1, "ResettoNormalIQtype1"},
        {&menu.ResettoNormalTscores1, "ResettoNormalTscores1"},
        {&menu.ResettoCEEBSATscores1, "ResettoCEEBSATscores1"},
        {&menu.ResettoUniform011, "ResettoUniform011"},
        {&menu.ResettoUniformMean01, "ResettoUniformMean01"},
        {&menu.ResettoUniformUID331, "ResettoUniformUID331"},
        {&menu.ResettoUniform01001, "ResettoUniform01001"},
        {&menu.Help1, "Help1"},
        {&menu.Warranty1, "Warranty1"},
        {&menu.UserAgreement1, "UserAgreement1"},
        {&menu.About1, "About1"},
        {&menu.View1, "View1"},
        {&menu.Details1, "Details1"},
    };
    int commandItems = 0;
    for (MenuItem* item : w.menus().inMenuOrder())
        commandItems += item->kind() != MenuItemKind::Separator && item->name() != "N3";
    EXPECT_EQ(static_cast<int>(items.size()), commandItems);
    for (const auto& [item, name] : items) EXPECT_EQ(item, &w.menus().item(name)) << name;
    std::vector<std::string> locked;
    for (const MenuItem* item : menu.locked()) locked.push_back(item->name());
    EXPECT_EQ(locked, (std::vector<std::string>{"File1", "Reset2", "Analysis1", "EffectSizes1",
                                                "Options1", "Help1"}));

    WindowSet windows;
    EXPECT_EQ(&windows.runBox.Memo1, &windows.runBox.control("Memo1"));
    EXPECT_EQ(&windows.powerBox.txtPower, &windows.powerBox.control("txtPower"));
    EXPECT_EQ(&windows.powerBox.ssiterations, &windows.powerBox.control("ssiterations"));
    EXPECT_EQ(&windows.powerBox.btnOK, &windows.powerBox.control("btnOK"));
    for (const char* panel : {"Panel1", "Panel2", "Panel3"}) {
        const Control* member = std::string(panel) == "Panel1"   ? &windows.aboutBox.Panel1
                                : std::string(panel) == "Panel2" ? &windows.aboutBox.Panel2
                                                                 : &windows.aboutBox.Panel3;
        EXPECT_EQ(member, &windows.aboutBox.control(panel));
    }
}

}  // namespace
