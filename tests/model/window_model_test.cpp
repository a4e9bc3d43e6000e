// The control-event rules and the shortcut rule of the window model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/windows.hpp"

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

}  // namespace
