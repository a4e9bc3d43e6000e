// The main window against the window model alone: what it shows, how model
// changes reach the widgets, how the user's actions reach the model, the menu
// bar, the keyboard and the close. The program's rules are stand-ins here.

#include "app/main_window_view.hpp"

#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <string>
#include <vector>

#include "app_fixture.hpp"

namespace velmor::testing {
namespace {

QColor rgb(int r, int g, int b) {
    return QColor(r, g, b);
}

class MainWindowViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestToolkit();
        app::MainWindowView::Commands commands;
        commands.pressShortcut = [this](std::string_view key) {
            keys.emplace_back(key);
            return model.menus().pressShortcut(key);
        };
        commands.seedKeyPress = [this](bool character) {
            // What the field held when the rule ran: the key has not reached it yet.
            seedPresses.push_back(character ? seed()->text() : QStringLiteral("-"));
        };
        commands.commandInProgress = [this] { return busy; };
        commands.stop = [this] { ++stops; };
        view = std::make_unique<app::MainWindowView>(model, std::move(commands));
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }

    template <class W = QWidget>
    W* widget(const char* name) {
        W* w = view->view().widgetAs<W>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* seed() { return view->view().widgetAs<QLineEdit>("txtseed"); }
    void keyAt(QWidget* target, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        target->setFocus();
        QTest::keyClick(target, key, mods);
    }

    ui::MainWindow model;
    std::unique_ptr<app::MainWindowView> view;
    std::vector<std::string> keys;
    std::vector<QString> seedPresses;
    bool busy = false;
    int stops = 0;
};

TEST_F(MainWindowViewTest, EveryControlHasItsWidgetWithTheModelsCaptionAndHint) {
    for (const ui::Control& c : model.controls()) {
        QWidget* w = view->view().widget(c.name());
        ASSERT_NE(w, nullptr) << c.name();
        EXPECT_EQ(w->objectName().toStdString(), c.name());
        EXPECT_EQ(w->toolTip().toStdString(), c.hint()) << c.name();
        EXPECT_EQ(w->isEnabled(), c.enabled()) << c.name();
        EXPECT_EQ(w->isHidden(), !c.visible()) << c.name();
    }
    EXPECT_EQ(view->windowTitle(), QStringLiteral("VELMOR: Quorvath"));
    EXPECT_EQ(widget<QGroupBox>("boxgroup2")->title(), QStringLiteral("GROUP 2 "));
    EXPECT_EQ(widget<QLabel>("Label15")->text(), QStringLiteral("Group 1 Size (under 1000):"));
    EXPECT_EQ(widget<QLineEdit>("txtseed")->text(), QStringLiteral("1432449975"));
    EXPECT_EQ(widget<QCheckBox>("chkMin3")->text(), QStringLiteral("Mi&nimum Possible Score:"));
    EXPECT_TRUE(widget<QRadioButton>("rdoNormal1")->isChecked());
    EXPECT_FALSE(widget<QRadioButton>("rdoUniform1")->isChecked());
    EXPECT_TRUE(widget<QCheckBox>("chkInc")->isChecked());
    EXPECT_TRUE(widget<QLineEdit>("txtActualM1")->isReadOnly());
    EXPECT_TRUE(widget<QPlainTextEdit>("memoresults")->isReadOnly());
    EXPECT_FALSE(widget<QLineEdit>("txtmean1")->isReadOnly());
    EXPECT_EQ(widget<QLabel>("lblgroup1mean")->alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_EQ(widget<QLabel>("Label9")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

TEST_F(MainWindowViewTest, ColoursAndCaptionFontsFollowTheModel) {
    QGroupBox* box = widget<QGroupBox>("boxgroup1");
    EXPECT_EQ(box->palette().color(QPalette::WindowText), rgb(0, 128, 0));
    EXPECT_TRUE(box->font().bold());
    // The box's bold green caption is not passed on to what it holds.
    QLabel* meanLabel = widget<QLabel>("lblgroup1mean");
    EXPECT_FALSE(meanLabel->font().bold());
    EXPECT_EQ(meanLabel->palette().color(QPalette::WindowText), rgb(0, 0, 0));
    EXPECT_EQ(widget("rdoNormal1")->palette().color(QPalette::WindowText), rgb(128, 0, 128));
    EXPECT_EQ(widget("Label11")->palette().color(QPalette::WindowText), rgb(128, 0, 128));
    EXPECT_EQ(widget("txtmean1")->palette().color(QPalette::Base), rgb(255, 255, 255));
    EXPECT_EQ(widget("txtprop1")->palette().color(QPalette::Base), rgb(0, 255, 255));
    EXPECT_EQ(widget("memoresults")->palette().color(QPalette::Base), rgb(0, 255, 255));
    EXPECT_EQ(widget("lblg1m1")->palette().color(QPalette::WindowText), rgb(0, 0, 128));
    EXPECT_EQ(widget("Label8")->palette().color(QPalette::WindowText), rgb(128, 0, 0));
    EXPECT_EQ(widget("SpeedButtonRun")->palette().color(QPalette::ButtonText), rgb(128, 0, 0));
    // Disabled at start, so read the colour it shows when enabled.
    EXPECT_EQ(widget("btnStopRun")->palette().color(QPalette::Active, QPalette::ButtonText),
              rgb(255, 255, 0));
    EXPECT_EQ(view->palette().color(QPalette::Window), rgb(192, 192, 192));
}

TEST_F(MainWindowViewTest, LayoutIsAThreeColumnGrid) {
    auto rect = [&](const char* name) {
        QWidget* w = widget(name);
        return QRect(w->mapTo(view.get(), QPoint(0, 0)), w->size());
    };
    const QRect g1 = rect("boxgroup1"), g2 = rect("boxgroup2"), g3 = rect("boxgroup3");
    const QRect sampling = rect("boxsamplingdistributions");
    const QRect hypothesis = rect("boxhypothesistesting"), monteCarlo = rect("boxmontecarlo");
    const QRect results = rect("boxresults"), panel = rect("pnlCount");
    // Top row left to right, the same width each.
    EXPECT_LT(g1.right(), g2.left());
    EXPECT_LT(g2.right(), g3.left());
    EXPECT_EQ(g1.width(), g2.width());
    EXPECT_EQ(g2.width(), g3.width());
    // Bottom row: one column under each group box.
    EXPECT_GT(sampling.top(), g1.bottom());
    EXPECT_EQ(sampling.left(), g1.left());
    EXPECT_EQ(hypothesis.left(), g2.left());
    EXPECT_EQ(results.left(), g3.left());
    EXPECT_LT(hypothesis.bottom(), monteCarlo.top());
    EXPECT_LT(results.bottom(), panel.top());
    // Nothing overlaps.
    const std::vector<QRect> boxes{g1, g2, g3, sampling, hypothesis, monteCarlo, results, panel};
    for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size(); ++j)
            EXPECT_FALSE(boxes[i].intersects(boxes[j])) << i << " and " << j;
    // Every control lies inside its box.
    for (const ui::Control& c : model.controls()) {
        if (c.parent().empty() || !c.visible()) continue;
        QWidget* w = widget(c.name().c_str());
        EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << c.name();
    }
}

TEST_F(MainWindowViewTest, TabOrderIsCreationOrderWithoutResultFields) {
    std::vector<std::string> expected;
    for (const ui::Control& c : model.controls()) {
        QWidget* w = view->view().widget(c.name());
        if (c.tabStop() && (w->focusPolicy() & Qt::TabFocus)) expected.push_back(c.name());
    }
    ASSERT_GT(expected.size(), 30u);
    std::vector<std::string> chain;
    QWidget* first = widget(expected.front().c_str());
    QWidget* w = first;
    do {
        if (view->view().controlOf(w) && (w->focusPolicy() & Qt::TabFocus))
            chain.push_back(w->objectName().toStdString());
        w = w->nextInFocusChain();
    } while (w != first);
    EXPECT_EQ(chain, expected);
    for (const char* skipped : {"txtActualM1", "txtSEmean3", "txtrej1", "memoresults"})
        EXPECT_FALSE(widget(skipped)->focusPolicy() & Qt::TabFocus) << skipped;
}

TEST_F(MainWindowViewTest, ModelChangesWaitForARefreshAndThenShow) {
    model.control("txtrej1").setText("42");
    model.control("btnStopRun").setVisible(true);
    model.control("btnStopRun").setEnabled(true);
    model.control("txtprop1").setBackground(ui::colors::white);
    model.control("boxresults").setText("RESULTS: 1 tail");
    model.control("Label7").setFontColor(ui::colors::navy);
    EXPECT_TRUE(view->view().pending());
    EXPECT_EQ(widget<QLineEdit>("txtrej1")->text(), QString());
    view->refresh();
    EXPECT_FALSE(view->view().pending());
    EXPECT_EQ(widget<QLineEdit>("txtrej1")->text(), QStringLiteral("42"));
    EXPECT_FALSE(widget("btnStopRun")->isHidden());
    EXPECT_TRUE(widget("btnStopRun")->isEnabled());
    EXPECT_EQ(widget("txtprop1")->palette().color(QPalette::Base), rgb(255, 255, 255));
    EXPECT_EQ(widget<QGroupBox>("boxresults")->title(), QStringLiteral("RESULTS: 1 tail"));
    EXPECT_EQ(widget("Label7")->palette().color(QPalette::WindowText), rgb(0, 0, 128));
    // Left alone, the event loop applies changes by itself.
    model.control("txtrej1").setText("43");
    EXPECT_EVENTUALLY_EQ(widget<QLineEdit>("txtrej1")->text(), QStringLiteral("43"));
}

TEST_F(MainWindowViewTest, MemoShowsModelLinesAsLines) {
    model.control("memoresults").setText("first\r\nsecond");
    view->refresh();
    EXPECT_EQ(widget<QPlainTextEdit>("memoresults")->toPlainText(),
              QStringLiteral("first\nsecond"));
}

TEST_F(MainWindowViewTest, MirroringDoesNotEchoAsAUserAction) {
    int changes = 0, clicks = 0;
    model.control("txtmean1").setHandler([&] { ++changes; });
    model.control("chkInteger1").setHandler([&] { ++clicks; });
    model.control("txtmean1").setText("5.5");
    model.control("chkInteger1").setChecked(true);
    view->refresh();
    EXPECT_EQ(changes, 1);  // the model's own change rule, once
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(widget<QLineEdit>("txtmean1")->text(), QStringLiteral("5.5"));
    EXPECT_TRUE(widget<QCheckBox>("chkInteger1")->isChecked());
}

TEST_F(MainWindowViewTest, TypingRunsTheChangeRuleOnEveryKeystroke) {
    std::vector<std::string> seen;
    model.control("txtsd2").setHandler([&] { seen.push_back(model.control("txtsd2").text()); });
    TypeInto(widget<QLineEdit>("txtsd2"), QStringLiteral("2.5"));
    EXPECT_EQ(seen, (std::vector<std::string>{"2", "2.", "2.5"}));
    EXPECT_EQ(model.control("txtsd2").text(), "2.5");
}

TEST_F(MainWindowViewTest, ClicksGoThroughTheModel) {
    int uniformClicks = 0;
    model.control("rdoUniform1").setHandler([&] { ++uniformClicks; });
    QWidget* uniform = widget("rdoUniform1");
    const QPoint onIndicator(6, uniform->height() / 2);
    QTest::mouseClick(uniform, Qt::LeftButton, {}, onIndicator);
    EXPECT_TRUE(model.control("rdoUniform1").checked());
    EXPECT_FALSE(model.control("rdoNormal1").checked());
    EXPECT_FALSE(widget<QRadioButton>("rdoNormal1")->isChecked());
    EXPECT_EQ(uniformClicks, 1);
    // A click on the checked button leaves it checked and runs nothing.
    QTest::mouseClick(uniform, Qt::LeftButton, {}, onIndicator);
    EXPECT_TRUE(widget<QRadioButton>("rdoUniform1")->isChecked());
    EXPECT_EQ(uniformClicks, 1);
    // Other groups' pairs are independent.
    EXPECT_TRUE(widget<QRadioButton>("rdoNormal2")->isChecked());

    QWidget* integer = widget("chkInteger2");
    QTest::mouseClick(integer, Qt::LeftButton, {}, QPoint(6, integer->height() / 2));
    EXPECT_TRUE(model.control("chkInteger2").checked());
    int runs = 0;
    model.control("SpeedButtonRun").setHandler([&] { ++runs; });
    QTest::mouseClick(widget("SpeedButtonRun"), Qt::LeftButton);
    EXPECT_EQ(runs, 1);
}

TEST_F(MainWindowViewTest, ModelFocusMovesTheKeyboardFocusAndBack) {
    model.control("txtsd3").setFocus();
    view->refresh();
    EXPECT_EQ(QApplication::focusWidget(), widget("txtsd3"));
    widget("txtalpha1")->setFocus();
    EXPECT_TRUE(model.control("txtalpha1").hasFocus());
}

TEST_F(MainWindowViewTest, AssistiveToolsReadEachFieldsLabelAndTheRadioPairs) {
    auto accessible = [&](const char* name) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget(name));
        EXPECT_NE(a, nullptr) << name;
        return a;
    };
    auto name = [&](const char* field) {
        return accessible(field)->text(QAccessible::Name).toStdString();
    };
    EXPECT_EQ(name("txtmean1"), "Population Mean:");
    EXPECT_EQ(name("txtsd2"), "Population Standard Deviation:");
    EXPECT_EQ(name("txtNsize3"), "Group 3 Size (under 1000):");
    EXPECT_EQ(name("txtReliability1"), "Dependent Measure Reliability:");
    EXPECT_EQ(name("txtMin2"), "Minimum Possible Score:");
    EXPECT_EQ(name("txtMax3"), "Maximum Possible Score:");
    EXPECT_EQ(name("txtActualM2"), "Actual Mean of Group 2 Means:");
    EXPECT_EQ(name("txtSEmean3"), "Actual SE of Group 3 Means:");
    EXPECT_EQ(name("txtmeanstokeep"), "Number of means to Keep:");
    EXPECT_EQ(name("txtalpha1"), "ALPHA=");
    EXPECT_EQ(name("txtseed"), "Integer Seed for Data Generation");
    EXPECT_EQ(name("txtiterations"), "Number of Monte Carlo Samples to Generate");
    EXPECT_EQ(name("txtrej1"), "Rejections");
    EXPECT_EQ(name("txtalphaused"), "Desired");
    // A column head that a run renames is read under its new caption.
    model.control("Label9").setText("Actual POWER");
    view->refresh();
    EXPECT_EQ(name("txtprop1"), "Actual POWER");

    for (const char* radio : {"rdoNormal1", "rdoUniform1", "rdoNormal2", "rdoUniform2",
                              "rdoNormal3", "rdoUniform3", "rdoOnetail"})
        EXPECT_EQ(accessible(radio)->role(), QAccessible::RadioButton) << radio;
    EXPECT_EQ(accessible("chkInteger1")->role(), QAccessible::CheckBox);
    EXPECT_EQ(accessible("chkMin1")->role(), QAccessible::CheckBox);
    EXPECT_TRUE(accessible("rdoNormal1")->state().checked);
    EXPECT_FALSE(accessible("rdoUniform1")->state().checked);
}

TEST_F(MainWindowViewTest, ThePairStaysWhatTheModelSaysEvenWithBothOff) {
    // The model may leave a pair with neither button on; Qt's own grouping
    // must not refuse that, nor hold on to a button the model turned off.
    model.control("rdoNormal2").setChecked(false);
    view->refresh();
    EXPECT_FALSE(widget<QRadioButton>("rdoNormal2")->isChecked());
    EXPECT_FALSE(widget<QRadioButton>("rdoUniform2")->isChecked());
    model.control("rdoUniform2").setChecked(true);
    view->refresh();
    EXPECT_TRUE(widget<QRadioButton>("rdoUniform2")->isChecked());
    EXPECT_FALSE(widget<QRadioButton>("rdoNormal2")->isChecked());
}

TEST_F(MainWindowViewTest, MenuBarHasSevenEntriesThenViewFromTheModel) {
    const QList<QAction*> top = view->menuBar()->actions();
    ASSERT_EQ(top.size(), 8);
    const QStringList captions{"&File", "&Analysis", "Effect Sizes", "Options", "Reset",
                               "&Help", " ",         "&View"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(top[i]->text(), captions[i]);
    EXPECT_FALSE(top[6]->isEnabled());
    ASSERT_NE(view->menu("View1"), nullptr);
    EXPECT_EQ(view->action("Details1")->text(), QStringLiteral("&Details"));

    QMenu* file = view->menu("File1");
    ASSERT_NE(file, nullptr);
    const QList<QAction*> items = file->actions();
    ASSERT_EQ(items.size(), 6);
    EXPECT_TRUE(items[0]->isSeparator());  // the menu opens with a divider ...
    // ... which is drawn: it takes a row of its own above Save Results.
    const QRect divider = file->actionGeometry(items[0]);
    EXPECT_GT(divider.height(), 0);
    EXPECT_LE(divider.bottom(), file->actionGeometry(items[1]).top());
    EXPECT_EQ(items[1]->text(), QStringLiteral("&Save Results...\tCtrl+S"));
    EXPECT_FALSE(items[1]->isEnabled());
    EXPECT_TRUE(items[4]->isSeparator());
    EXPECT_EQ(items[5]->text(), QStringLiteral("E&xit\tCtrl+F4"));
    // Shortcuts are shown, never registered with Qt: the model's rule decides.
    for (QAction* a : view->findChildren<QAction*>()) EXPECT_TRUE(a->shortcut().isEmpty());

    EXPECT_FALSE(view->action("Test10001")->isVisible());
    EXPECT_FALSE(view->action("GetPower901")->isVisible());
    EXPECT_FALSE(view->action("N6")->isVisible());
    // F2 is Small Effect's: Reset to Defaults shows no key.
    EXPECT_EQ(view->action("Reset1")->text(), QStringLiteral("Reset to &Defaults"));

    QAction* resampled = view->action("Resampled1");
    QAction* winsorized = view->action("Winsorized1");
    ASSERT_NE(resampled->actionGroup(), nullptr);
    EXPECT_TRUE(resampled->actionGroup()->isExclusive());
    EXPECT_EQ(resampled->actionGroup(), winsorized->actionGroup());
    EXPECT_TRUE(resampled->isChecked());
    EXPECT_TRUE(view->action("TypeIIIErrorresults1")->isCheckable());
    EXPECT_EQ(view->action("TypeIIIErrorresults1")->actionGroup(), nullptr);
}

TEST_F(MainWindowViewTest, MenuStateFollowsTheModelAndChoicesReachIt) {
    ui::MenuBar& menus = model.menus();
    menus.item("Save1").setEnabled(true);
    menus.item("Save1").setCaption("&Save Results");
    menus.item("Analysis1").setVisible(false);
    EXPECT_FALSE(view->action("Save1")->isEnabled());  // drawn on the next refresh
    view->refresh();
    EXPECT_TRUE(view->action("Save1")->isEnabled());
    EXPECT_EQ(view->action("Save1")->text(), QStringLiteral("&Save Results\tCtrl+S"));
    EXPECT_FALSE(view->action("Analysis1")->isVisible());

    // The model's command sets the marks; what Qt would do on its own is undone.
    int chosen = 0;
    menus.item("Winsorized1").setCommand([&] { ++chosen; });
    view->action("Winsorized1")->trigger();
    EXPECT_EQ(chosen, 1);
    EXPECT_TRUE(view->action("Resampled1")->isChecked());
    EXPECT_FALSE(view->action("Winsorized1")->isChecked());
    menus.item("Winsorized1").setChecked(true);
    EXPECT_EVENTUALLY_TRUE(
        view->action("Winsorized1")->isChecked());  // by itself, from the event loop
    EXPECT_FALSE(view->action("Resampled1")->isChecked());
}

TEST_F(MainWindowViewTest, ControlsAndMenusChangedByCodeAreDrawnInOnePass) {
    // A run locks the controls and then hides the menus. However the two
    // changes fall apart in time, the window shows both or neither: the moment
    // the controls are drawn locked, the menus are drawn hidden.
    // (A timer orders the second change before the refresh, even on a
    // loaded machine: Qt fires expired timers in the order they expire.)
    model.control("txtmean1").setEnabled(false);
    QTimer::singleShot(app::FormView::kRefreshDelayMs / 2,
                       [&] { model.menus().item("Analysis1").setVisible(false); });
    EXPECT_EVENTUALLY_TRUE(!widget("txtmean1")->isEnabled());
    EXPECT_FALSE(view->action("Analysis1")->isVisible());
}

TEST_F(MainWindowViewTest, ShortcutKeysGoToTheModelsRule) {
    int small = 0, reset = 0;
    model.menus().item("SmallEffect1").setCommand([&] { ++small; });
    model.menus().item("Reset1").setCommand([&] { ++reset; });
    keyAt(widget("txtmean1"), Qt::Key_F2);
    EXPECT_EQ(small, 1);
    EXPECT_EQ(reset, 0);
    keyAt(widget("chkInteger1"), Qt::Key_S, Qt::ControlModifier);
    keyAt(widget("txtsd1"), Qt::Key_F5, Qt::ShiftModifier);
    keyAt(widget("txtsd1"), Qt::Key_F4, Qt::ControlModifier);
    EXPECT_EQ(keys, (std::vector<std::string>{"F2", "Ctrl+S", "Ctrl+F4"}));
    // A key that ran a command never reaches the field.
    EXPECT_EQ(widget<QLineEdit>("txtmean1")->text(), QStringLiteral("0.0"));
}

TEST_F(MainWindowViewTest, HiddenItemsKeysStillWork) {
    int test1000 = 0;
    model.menus().item("Test10001").setCommand([&] { ++test1000; });
    keyAt(widget("txtmean1"), Qt::Key_F12);
    EXPECT_EQ(test1000, 1);
    // A disabled menu kills its keys.
    model.menus().item("Analysis1").setEnabled(false);
    keyAt(widget("txtmean1"), Qt::Key_F12);
    EXPECT_EQ(test1000, 1);
}

TEST_F(MainWindowViewTest, SeedKeystrokesThatProduceACharacterReachTheRuleFirst) {
    QLineEdit* field = seed();
    field->setFocus();
    field->end(false);
    QTest::keyClick(field, Qt::Key_7);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClick(field, Qt::Key_Left);
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    // The rule saw each keystroke before the field took it.
    EXPECT_EQ(seedPresses,
              (std::vector<QString>{QStringLiteral("1432449975"), QStringLiteral("14324499757"),
                                    QStringLiteral("1432449975")}));
    // Keys elsewhere are no seed keystrokes.
    keyAt(widget("txtmean1"), Qt::Key_1);
    EXPECT_EQ(seedPresses.size(), 3u);
}

TEST_F(MainWindowViewTest, CloseWhileACommandRunsStopsItAndClosesAfter) {
    int closed = 0;
    QObject::connect(view.get(), &app::MainWindowView::closed, [&] { ++closed; });
    busy = true;
    EXPECT_FALSE(view->close());
    EXPECT_TRUE(view->isVisible());
    EXPECT_TRUE(view->closePending());
    EXPECT_EQ(stops, 1);
    // Each event pass of the running command repeats the stop.
    view->repeatStop();
    EXPECT_EQ(stops, 2);
    QTest::qWait(50);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(closed, 0);
    busy = false;  // the command has unwound
    EXPECT_EVENTUALLY_TRUE(!view->isVisible());
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(view->closePending());
}

TEST_F(MainWindowViewTest, CloseWhenIdleIsImmediate) {
    int closed = 0;
    QObject::connect(view.get(), &app::MainWindowView::closed, [&] { ++closed; });
    EXPECT_TRUE(view->close());
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(stops, 0);
}

}  // namespace
}  // namespace velmor::testing
