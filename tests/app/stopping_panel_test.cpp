// The Details window's stopping rule headless: a half-width or a band set
// there makes the next run stop at a checkpoint and the window say why; a
// text that is no half-width is refused with the study file's message and the
// rule in force kept; the controls wait while a run works and show its
// widest reach as it goes; Reset keeps the rule.

#include "app/stopping_panel.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "analysis/bands.hpp"
#include "analysis/stopping_text.hpp"
#include "app/details_window.hpp"
#include "app_fixture.hpp"

namespace velmor::testing {
namespace {

class StoppingPanelTest : public AppTest {
  protected:
    app::StoppingPanel& panel() { return *app_->detailsWindow().stoppingPanel(); }
    StoppingChoice& rule() { return app_->program().state().choices.stopping; }
    void openDetails() {
        window().action("Details1")->trigger();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&app_->detailsWindow()));
    }
    // Ticks the precision box with `text` typed in its field first.
    void askPrecision(const QString& text) {
        TypeInto(panel().precisionField(), text);
        if (panel().precisionBox()->isChecked())
            QTest::keyClick(panel().precisionField(), Qt::Key_Return);
        else
            panel().precisionBox()->click();
    }
    void chooseBand(DecideBand band) {
        QComboBox* box = panel().decideBox();
        box->setCurrentIndex(box->findData(static_cast<int>(band)));
    }
    void runSamples(const char* samples) {
        TypeInto(widget<QLineEdit>("txtiterations"), QString::fromLatin1(samples));
        window().activateWindow();
        pressKey(Qt::Key_F5);
    }
};

struct StopRow {
    const char* what;
    const char* precision;  // nothing: the box stays unticked
    DecideBand band;
    StopReason reason;
    const char* because;
    friend void PrintTo(const StopRow& row, std::ostream* os) { *os << row.what; }
};

class StoppingRunTest : public StoppingPanelTest, public ::testing::WithParamInterface<StopRow> {};

// The default groups have equal means and a rate near .05: an interval of
// +-.01 needs about 1,800 samples, and the first checkpoint's (+-.014)
// already lies inside Bradley's .025 to .075.
TEST_P(StoppingRunTest, TheNextRunStopsAtACheckpointAndSaysWhy) {
    const StopRow& row = GetParam();
    openDetails();
    if (row.precision) askPrecision(QString::fromLatin1(row.precision));
    chooseBand(row.band);
    ASSERT_TRUE(rule().any());
    runSamples("20000");
    const RunResult& result = app_->program().state().result;
    ASSERT_TRUE(result.hasResults());
    EXPECT_EQ(result.stopReason, row.reason);
    EXPECT_EQ(result.maximumSamples, 20000u);
    EXPECT_EQ(result.completed % 1000, 0);
    EXPECT_GE(result.completed, 1000);
    EXPECT_LT(result.completed, 20000);
    const QString expected = QStringLiteral("Stopped at %1 of at most 20,000 samples: %2")
                                 .arg(QString::fromStdString(GroupedCount(result.completed)),
                                      QString::fromLatin1(row.because));
    EXPECT_TRUE(panel().statusText().contains(expected)) << panel().statusText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StoppingRunTest,
    ::testing::Values(StopRow{"precise", "0.01", DecideBand::None, StopReason::Precision,
                              "the rates are precise enough (widest reach 0.0"},
                      StopRow{"decided", nullptr, DecideBand::Bradley, StopReason::Decided,
                              "every verdict against Bradley's band is settled"}),
    [](const auto& info) { return std::string(info.param.what); });

// Without a rule the run draws all its samples, as it always has.
TEST_F(StoppingPanelTest, WithoutARuleEveryRunDrawsAllItsSamples) {
    openDetails();
    EXPECT_FALSE(rule().any());
    runSamples("3000");
    EXPECT_EQ(app_->program().state().result.completed, 3000);
    EXPECT_EQ(app_->program().state().result.stopReason, StopReason::Samples);
    EXPECT_EQ(panel().statusText(),
              QStringLiteral("No stopping rule: every run draws all its samples."));
}

// Refused with the study file's words; the rule in force stays, and the box
// is ticked only while a half-width is in force.
TEST_F(StoppingPanelTest, AHalfWidthOutOfRangeIsRefusedAndTheOldRuleKept) {
    openDetails();
    askPrecision(QStringLiteral(".02"));
    ASSERT_EQ(rule().precision, 0.02);
    EXPECT_TRUE(panel().refusalText().isEmpty());
    for (const char* bad : {"0.7", ".5", "0", "-0.01", "abc", ""}) {
        askPrecision(QString::fromLatin1(bad));
        EXPECT_EQ(panel().refusalText(), QString::fromLatin1(kPrecisionMessage)) << bad;
        EXPECT_EQ(rule().precision, 0.02) << bad;
        EXPECT_TRUE(panel().precisionBox()->isChecked()) << bad;
        EXPECT_TRUE(panel().statusText().contains(QStringLiteral("+/- 0.02,"))) << bad;
    }
    // A good one is taken and the message goes.
    askPrecision(QStringLiteral(".004"));
    EXPECT_EQ(rule().precision, 0.004);
    EXPECT_TRUE(panel().refusalText().isEmpty());
    // Unticking drops it; ticking with a bad text takes nothing.
    panel().precisionBox()->click();
    EXPECT_FALSE(rule().precision.has_value());
    askPrecision(QStringLiteral("1"));
    EXPECT_FALSE(rule().precision.has_value());
    EXPECT_FALSE(panel().precisionBox()->isChecked());
    EXPECT_EQ(panel().refusalText(), QString::fromLatin1(kPrecisionMessage));
}

// While a run works the rule cannot change and the widest reach so far is
// shown; stopped by the user, the run says it stopped before the target.
TEST_F(StoppingPanelTest, TheControlsWaitWhileARunWorksAndShowItsReach) {
    openDetails();
    // About 18,000,000 samples at a rate near .05: never met by 2,000,000.
    askPrecision(QStringLiteral(".0001"));
    bool enabledDuring = true;
    QString during;
    QTimer::singleShot(800, [&] {
        enabledDuring = panel().precisionBox()->isEnabled() ||
                        panel().precisionField()->isEnabled() || panel().decideBox()->isEnabled();
        during = panel().statusText();
        QTest::mouseClick(widget("btnStopRun"), Qt::LeftButton);
    });
    WhenModal([&](QWidget* modal) {
        modal->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    });
    runSamples("2000000");
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(during.contains(QStringLiteral("\nNow: the widest interval reaches 0.0")))
        << during.toStdString();
    EXPECT_TRUE(panel().precisionBox()->isEnabled());
    EXPECT_TRUE(panel().decideBox()->isEnabled());
    const std::int64_t done = app_->program().state().result.completed;
    EXPECT_TRUE(panel().statusText().contains(
        QStringLiteral("Stopped by the user at %1 of at most 2,000,000 samples, before the target")
            .arg(QString::fromStdString(GroupedCount(done)))))
        << panel().statusText().toStdString();
    EXPECT_FALSE(panel().statusText().contains(QStringLiteral("Now:")));
}

// Disabling the focused field as a run starts ends its editing; what was
// typed must not change the rule the run is reading.
TEST_F(StoppingPanelTest, TextTypedBeforeARunIsNotTakenWhileItWorks) {
    askPrecision(QStringLiteral(".01"));
    TypeInto(panel().precisionField(), QStringLiteral(".02"));
    app_->detailsWindow().analysisStarted(Program::Analysis::Run);
    emit panel().precisionField()->editingFinished();
    EXPECT_EQ(rule().precision, 0.01);
    app_->detailsWindow().analysisFinished(Program::Analysis::None);
    QTest::keyClick(panel().precisionField(), Qt::Key_Return);
    EXPECT_EQ(rule().precision, 0.02);
}

// Reset keeps the rule (it says how a run is made, as the ticked tests do)
// and clears what the last run made of it.
TEST_F(StoppingPanelTest, ResetKeepsTheRuleAndForgetsTheLastRun) {
    openDetails();
    askPrecision(QStringLiteral(".01"));
    chooseBand(DecideBand::RobeyBarcikowski);
    runSamples("20000");
    ASSERT_TRUE(panel().statusText().contains(QStringLiteral("Stopped at ")));
    window().action("Reset1")->trigger();
    EXPECT_EQ(rule(), (StoppingChoice{0.01, DecideBand::RobeyBarcikowski}));
    EXPECT_TRUE(panel().precisionBox()->isChecked());
    EXPECT_EQ(panel().decideBox()->currentData().toInt(),
              static_cast<int>(DecideBand::RobeyBarcikowski));
    EXPECT_FALSE(panel().statusText().contains(QStringLiteral("Stopped at ")));
    EXPECT_TRUE(panel().statusText().startsWith(QStringLiteral("Target: ")));
}

}  // namespace
}  // namespace velmor::testing
