// The choices made beside the main window, driven as a user drives them:
// ticking tests in the Details window, the Population Shapes dialog with its
// refusals, the main window's shape note and Reset to Defaults returning
// every group to normal with the window exactly as it was at start.

#include <QAction>
#include <QCategoryAxis>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QTabWidget>
#include <QTableWidget>

#include "app/chart_panel.hpp"
#include "app/details_window.hpp"
#include "app/shape_dialog.hpp"
#include "app/shapes_panel.hpp"
#include "app/tests_panel.hpp"
#include "app_fixture.hpp"
#include "core/shape_refusal.hpp"

namespace velmor::testing {
namespace {

class ChoicesWindowTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        flashTime_ = QApplication::cursorFlashTime();
    }
    void TearDown() override {
        QApplication::setCursorFlashTime(flashTime_);
        AppTest::TearDown();
    }
    app::DetailsWindow& details() { return app_->detailsWindow(); }
    app::TestsPanel& tests() { return *details().testsPanel(); }
    app::ShapesPanel& shapes() { return *details().shapesPanel(); }
    StudyChoices& choices() { return app_->program().state().choices; }
    void openDetails() {
        window().action("Details1")->trigger();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&details()));
    }
    // Opens the shape dialog from its button and hands it to `act` while it
    // is up; `act` must close it.
    void withShapeDialog(const std::function<void(app::ShapeDialog&)>& act) {
        bool acted = false;
        WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<app::ShapeDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            acted = true;
            act(*dialog);
        });
        QTest::mouseClick(shapes().chooseButton(), Qt::LeftButton);
        EXPECT_TRUE(acted);
    }
    static void choose(app::ShapeDialog& dialog, int group, ShapeFamily family,
                       const QString& first = {}, const QString& second = {}) {
        QComboBox* box = dialog.familyBox(group);
        box->setCurrentIndex(box->findData(static_cast<int>(family)));
        if (!first.isNull()) TypeInto(dialog.field(group, 0), first);
        if (!second.isNull()) TypeInto(dialog.field(group, 1), second);
    }
    static void pressOk(app::ShapeDialog& dialog) {
        QTest::keyClick(&dialog, Qt::Key_Return);  // OK is the default button
    }
    // The main window as drawn, the focus in its first field with a caret
    // that does not blink: the blink is no part of the window's state.
    QImage mainWindowPicture() {
        QApplication::setCursorFlashTime(0);
        window().activateWindow();
        widget("txtmean1")->setFocus();
        window().refresh();
        QTest::qWait(20);
        return window().grab().toImage();
    }

    int flashTime_ = 0;
};

TEST_F(ChoicesWindowTest, TicksSetTheChosenTestsAndFStaysOn) {
    openDetails();
    QCheckBox* f = tests().tick(MeanTestKind::F);
    EXPECT_TRUE(f->isChecked());
    EXPECT_FALSE(f->isEnabled());
    EXPECT_FALSE(choices().tests.anyBesidesF());
    for (MeanTestKind kind : kAllMeanTests) {
        if (kind == MeanTestKind::F) continue;
        QCheckBox* tick = tests().tick(kind);
        ASSERT_TRUE(tick->isEnabled());
        QTest::mouseClick(tick, Qt::LeftButton, {}, QPoint(6, tick->height() / 2));
        EXPECT_TRUE(choices().tests.chosen(kind)) << MeanTestName(kind);
    }
    EXPECT_EQ(choices().tests, MeanTestSelection::All());
    QCheckBox* welch = tests().tick(MeanTestKind::Welch);
    QTest::mouseClick(welch, Qt::LeftButton, {}, QPoint(6, welch->height() / 2));
    EXPECT_FALSE(choices().tests.chosen(MeanTestKind::Welch));
    EXPECT_TRUE(choices().tests.chosen(MeanTestKind::F));
    EXPECT_TRUE(choices().tests.chosen(MeanTestKind::James));
}

TEST_F(ChoicesWindowTest, TicksAndTheShapeButtonWaitWhileAnAnalysisWorks) {
    details().analysisStarted(Program::Analysis::Run);
    EXPECT_FALSE(tests().tick(MeanTestKind::Welch)->isEnabled());
    EXPECT_FALSE(shapes().chooseButton()->isEnabled());
    details().analysisFinished(Program::Analysis::None);
    EXPECT_TRUE(tests().tick(MeanTestKind::Welch)->isEnabled());
    EXPECT_TRUE(shapes().chooseButton()->isEnabled());
}

// The run side computes every chosen test on the replication's scores; the
// Tests tab then holds the run's tallies.
TEST_F(ChoicesWindowTest, TheNextRunComputesTheTickedTests) {
    openDetails();
    QCheckBox* welch = tests().tick(MeanTestKind::Welch);
    QTest::mouseClick(welch, Qt::LeftButton, {}, QPoint(6, welch->height() / 2));
    TypeInto(widget<QLineEdit>("txtiterations"), QStringLiteral("2000"));
    window().activateWindow();
    pressKey(Qt::Key_F5);
    const RunResult& result = app_->program().state().result;
    ASSERT_TRUE(result.hasResults());
    EXPECT_TRUE(result.tally(MeanTestKind::Welch).chosen);
    EXPECT_FALSE(result.tally(MeanTestKind::KruskalWallis).chosen);
    const std::vector<TestRate>& rates = details().testRates();
    ASSERT_EQ(rates.size(), 2u);
    EXPECT_EQ(rates[1].test, MeanTestKind::Welch);
    EXPECT_EQ(rates[1].samples, 2000);
    EXPECT_EQ(rates[1].rejections, result.tally(MeanTestKind::Welch).rejections);
    QTableWidget* table = tests().table();
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("Welch"));
    EXPECT_EQ(table->item(1, 2)->text(), QString::fromStdString(GroupedCount(rates[1].rejections)));
    EXPECT_TRUE(tests().chartPanel()->plotted());
}

TEST_F(ChoicesWindowTest, ThePlotDrawsEachRateAgainstTheBands) {
    auto rate = [](MeanTestKind kind, std::int64_t rejections) {
        TestRate r;
        r.test = kind;
        r.samples = 4000;
        r.rejections = rejections;
        r.error = MonteCarloErrorOf(rejections, 4000);
        return r;
    };
    tests().showRates({rate(MeanTestKind::F, 330), rate(MeanTestKind::Welch, 205),
                       rate(MeanTestKind::KruskalWallis, 170)},
                      0.05, true, {});
    QChart* chart = tests().chartPanel()->chart();
    QStringList names;
    for (QAbstractSeries* s : chart->series()) names << s->name();
    EXPECT_TRUE(names.contains(QStringLiteral("Bradley, within 10%")));
    EXPECT_TRUE(names.contains(QStringLiteral("Robey & Barcikowski, within 25%")));
    EXPECT_TRUE(names.contains(QStringLiteral("Nominal alpha 0.05")));
    QScatterSeries* points = nullptr;
    for (QAbstractSeries* s : chart->series())
        if (auto* scatter = qobject_cast<QScatterSeries*>(s)) points = scatter;
    ASSERT_NE(points, nullptr);
    ASSERT_EQ(points->count(), 3);
    EXPECT_EQ(points->at(0), QPointF(330.0 / 4000, 2.0));  // F on top
    EXPECT_EQ(points->at(2), QPointF(170.0 / 4000, 0.0));
    // The tests' names on the vertical axis, each at its own row.
    QCategoryAxis* y = nullptr;
    for (QAbstractAxis* axis : chart->axes(Qt::Vertical))
        if (auto* c = qobject_cast<QCategoryAxis*>(axis)) y = c;
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(y->categoriesLabels(), (QStringList{QStringLiteral("Kruskal-Wallis"),
                                                  QStringLiteral("Welch"), QStringLiteral("F")}));
    EXPECT_EQ(y->endValue(QStringLiteral("F")), 2.0);
    EXPECT_TRUE(tests().chartPanel()->plotted());

    // Unequal means: power, no bands.
    tests().showRates({rate(MeanTestKind::F, 3900)}, 0.05, false, {});
    for (QAbstractSeries* s : chart->series())
        EXPECT_FALSE(s->name().contains(QStringLiteral("Bradley")));
    EXPECT_EQ(chart->title(), QStringLiteral("Each test's actual power and its 95% interval"));
}

TEST_F(ChoicesWindowTest, TheDialogRefusesAnImpossibleFleishmanAndKeepsTheOldChoice) {
    choices().shapes[0] = PopulationShape::StudentT(10);
    const GroupShapes before = choices().shapes;
    openDetails();
    QString refusal;
    bool stayedOpen = false;
    QWidget* focused = nullptr;
    withShapeDialog([&](app::ShapeDialog& dialog) {
        // The dialog opens on the choice in force.
        EXPECT_EQ(dialog.familyBox(0)->currentData().toInt(),
                  static_cast<int>(ShapeFamily::StudentT));
        EXPECT_EQ(dialog.field(0, 0)->text(), QStringLiteral("10"));
        choose(dialog, 1, ShapeFamily::Fleishman, QStringLiteral("2"), QStringLiteral("3"));
        pressOk(dialog);
        refusal = dialog.refusalText();
        stayedOpen = dialog.isVisible();
        // The dialog's own focus child: the application's focus also needs
        // the window to be active, which a loaded machine may delay.
        focused = dialog.focusWidget();
        EXPECT_EQ(focused, dialog.field(1, 1));  // the kurtosis, to put right
        dialog.reject();
    });
    const std::optional<std::string> expected = ShapeRefusal(PopulationShape::Fleishman(2.0, 3.0));
    ASSERT_TRUE(expected);
    EXPECT_EQ(refusal, QStringLiteral("Group 2: ") + QString::fromStdString(*expected));
    EXPECT_TRUE(refusal.contains(QStringLiteral("at least 5.152"))) << refusal.toStdString();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(choices().shapes, before);

    // A text that is no number is refused too, and nothing is taken.
    withShapeDialog([&](app::ShapeDialog& dialog) {
        choose(dialog, 2, ShapeFamily::Lognormal, QStringLiteral("half"));
        pressOk(dialog);
        refusal = dialog.refusalText();
        stayedOpen = dialog.isVisible();
        dialog.reject();
    });
    EXPECT_EQ(refusal, QStringLiteral("Group 3: The lognormal shape's sigma must be a number."));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(choices().shapes, before);
}

TEST_F(ChoicesWindowTest, ShapeNoteIsHiddenWithoutShapesAndResetRestoresTheWindow) {
    openDetails();
    window().activateWindow();
    const QImage atStart = mainWindowPicture();
    EXPECT_TRUE(window().shapeNote() == nullptr || window().shapeNote()->isHidden());

    withShapeDialog([&](app::ShapeDialog& dialog) {
        choose(dialog, 0, ShapeFamily::Fleishman, QStringLiteral("2"), QStringLiteral("7"));
        choose(dialog, 2, ShapeFamily::Exponential);
        pressOk(dialog);
        EXPECT_FALSE(dialog.isVisible());
    });
    ASSERT_TRUE(choices().shapes[0]);
    EXPECT_EQ(*choices().shapes[0], PopulationShape::Fleishman(2.0, 7.0));
    EXPECT_FALSE(choices().shapes[1]);
    EXPECT_EQ(choices().shapes[2], PopulationShape::Exponential());
    ASSERT_NE(window().shapeNote(), nullptr);
    EXPECT_TRUE(window().shapeNote()->isVisible());
    EXPECT_EQ(window().shapeNote()->text(),
              QStringLiteral("Shapes: group 1 fleishman, group 3 exponential"));
    EXPECT_TRUE(shapes().choiceText().contains(
        QStringLiteral("group 1 fleishman (skewness 2, kurtosis 7); group 3 exponential")));
    EXPECT_NE(mainWindowPicture(), atStart);
    // Nothing of the specified window moved to make room for the note.
    EXPECT_EQ(window().size(), atStart.size() / atStart.devicePixelRatio());

    window().action("Reset1")->trigger();
    EXPECT_EQ(choices().shapes, GroupShapes{});
    EXPECT_TRUE(window().shapeNote()->isHidden());
    EXPECT_TRUE(shapes().choiceText().contains(QStringLiteral("every group normal or uniform")));
    EXPECT_EQ(mainWindowPicture(), atStart);
}

TEST_F(ChoicesWindowTest, ClickingTheNoteOpensTheDialog) {
    choices().shapes[1] = PopulationShape::GAndH(0.5, 0.1);
    window().showShapeNote(QStringLiteral("Shapes: group 2 g-and-h"));
    bool opened = false;
    WhenModal([&](QWidget* modal) {
        opened = qobject_cast<app::ShapeDialog*>(modal) != nullptr;
        static_cast<QDialog*>(modal)->reject();
    });
    QTest::mouseClick(window().shapeNote(), Qt::LeftButton);
    EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace velmor::testing
