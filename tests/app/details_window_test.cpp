// The Details window headless: opened from View, Details beside the main
// window; after a default run and after the F8 search it holds the expected
// numbers and its charts the expected series (read from the series, not
// from pixels); progress during a run, the stop note, saving and copying.

#include "app/details_window.hpp"

#include <QAction>
#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QLineSeries>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QValueAxis>

#include "app/chart_panel.hpp"
#include "app/details_charts.hpp"
#include "app_fixture.hpp"
#include "run/number_format.hpp"

namespace velmor::testing {
namespace {

class DetailsWindowTest : public AppTest {
  protected:
    app::DetailsWindow& details() { return app_->detailsWindow(); }
    template <class S = QAbstractSeries>
    S* series(app::ChartPanel* panel, const QString& name) {
        for (QAbstractSeries* s : panel->chart()->series())
            if (s->name() == name) return qobject_cast<S*>(s);
        ADD_FAILURE() << "no series " << name.toStdString() << " in "
                      << panel->chart()->title().toStdString();
        return nullptr;
    }
    static QList<QPointF> points(const std::vector<PlotPoint>& data) {
        QList<QPointF> out;
        for (const PlotPoint& p : data) out.append(QPointF(p.x, p.y));
        return out;
    }
    void openDetails() {
        window().action("Details1")->trigger();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&details()));
    }
};

TEST_F(DetailsWindowTest, ViewDetailsOpensAWindowBesideTheMainWindow) {
    EXPECT_FALSE(details().isVisible());
    openDetails();
    EXPECT_TRUE(details().isWindow());
    EXPECT_EQ(details().windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(window().isEnabled());
    EXPECT_TRUE(details().numbersText().startsWith(QStringLiteral("Nothing to show yet.")));
    // The main window goes on working with the Details window open.
    pressKey(Qt::Key_F3);
    EXPECT_EQ(shown("txtmean1"), QStringLiteral("0.31"));
}

TEST_F(DetailsWindowTest, AltVThenDOpensIt) {
    pressKey(Qt::Key_V, Qt::AltModifier);
    QMenu* view = window().menu("View1");
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }, 2000));
    QTest::keyClick(view, Qt::Key_D);
    EXPECT_TRUE(QTest::qWaitFor([&] { return details().isVisible(); }, 2000));
}

TEST_F(DetailsWindowTest, DefaultRunFillsNumbersAndCharts) {
    openDetails();
    window().activateWindow();
    pressKey(Qt::Key_F5);
    const RunDetails& d = details().details();
    ASSERT_EQ(d.kind, DetailsKind::Robustness);
    const QString text = details().numbersText();
    EXPECT_TRUE(text.contains(QStringLiteral("Rejections: 500 of 10,000, actual alpha 0.0500\n")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("95% interval (Clopper-Pearson): 0.0458 to 0.0545\n")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("Bradley (1978), within 10%: the estimate lies inside the "
                                     "band; 95% interval 0.0458 to 0.0545 lies inside Bradley")));
    EXPECT_EQ(text.toStdString(), DetailsText(d));
    EXPECT_TRUE(details().progressText().startsWith(
        QStringLiteral("Run finished: 10,000 of 10,000 replications in ")));
    EXPECT_TRUE(details().stopNoteText().isEmpty());

    // Histograms: the bars' outlines and the normal curves, group by group.
    app::ChartPanel* means = details().meansPanel();
    for (int g = 1; g <= 3; ++g) {
        auto* bars = series<QAreaSeries>(means, app::HistogramSeriesName(g));
        ASSERT_NE(bars, nullptr);
        EXPECT_EQ(bars->upperSeries()->points(), points(d.histogram.groups[g - 1].outline));
        auto* curve = series<QLineSeries>(means, app::NormalCurveSeriesName(g));
        ASSERT_NE(curve, nullptr);
        ASSERT_EQ(curve->count(), 161);
        EXPECT_NEAR(curve->at(80).x(), 0.0, 1e-12);  // centred on the population mean
        EXPECT_NEAR(curve->at(80).y(), 4.0 / std::sqrt(2.0 * M_PI), 1e-9);  // SE 0.25
    }
    EXPECT_EQ(means->chart()->series().size(), 6);

    // The interval picture: both bands, nominal alpha, the interval, the estimate.
    app::ChartPanel* interval = details().intervalPanel();
    auto* bradley = series<QAreaSeries>(interval, QStringLiteral("Bradley, within 10%"));
    ASSERT_NE(bradley, nullptr);
    EXPECT_EQ(bradley->upperSeries()->points(), (QList<QPointF>{{0.045, 1.0}, {0.055, 1.0}}));
    ASSERT_NE(series(interval, QStringLiteral("Robey & Barcikowski, within 25%")), nullptr);
    auto* alpha = series<QLineSeries>(interval, QStringLiteral("Nominal alpha 0.05"));
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->at(0).x(), 0.05);
    auto* bar = series<QLineSeries>(interval, QStringLiteral("95% interval 0.0458 to 0.0545"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->at(0).x(), d.error->interval.low);
    EXPECT_EQ(bar->at(5).x(), d.error->interval.high);
    auto* point = series<QScatterSeries>(interval, QStringLiteral("Actual alpha 0.0500"));
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point->at(0).x(), 0.05);

    // No search yet: the power curve says what it waits for.
    EXPECT_TRUE(details().powerPanel()->chart()->series().isEmpty());
    EXPECT_EQ(details().powerPanel()->chart()->title(),
              QStringLiteral("The power curve follows a sample-size search (F7, F8, F9)"));
}

TEST_F(DetailsWindowTest, F8SearchDrawsThePowerCurve) {
    pressKey(Qt::Key_F3);
    pressKey(Qt::Key_F8);
    const RunDetails& d = details().details();
    ASSERT_EQ(d.kind, DetailsKind::SampleSize);
    const std::vector<SearchTrial>& log = app_->program().search().trialLog();
    ASSERT_FALSE(log.empty());
    app::ChartPanel* power = details().powerPanel();
    EXPECT_EQ(details().tabs()->currentWidget(), power);

    auto* trials =
        series<QScatterSeries>(power, QStringLiteral("Monte Carlo power with 95% interval"));
    ASSERT_NE(trials, nullptr);
    ASSERT_EQ(trials->count(), static_cast<int>(log.size()));
    for (int i = 0; i < trials->count(); ++i) {
        EXPECT_EQ(trials->at(i), QPointF(log[i].sizes[0], log[i].proportion)) << "trial " << i + 1;
        auto* bar = series<QLineSeries>(power, QStringLiteral("Trial %1 interval").arg(i + 1));
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->at(0).y(),
                  ClopperPearsonInterval(log[i].rejections, log[i].samplesCompleted).low);
    }
    auto* theory = series<QLineSeries>(power, QStringLiteral("Normal theory"));
    ASSERT_NE(theory, nullptr);
    EXPECT_EQ(theory->points(), points(d.powerCurve.normalTheory));
    EXPECT_EQ(theory->at(0).x(), 16.0);
    EXPECT_NEAR(theory->at(0).y(), 0.3098, 0.5e-4);
    auto* target = series<QLineSeries>(power, QStringLiteral("Target 0.80"));
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->at(0).y(), kTargetPower80);

    const QString text = details().numbersText();
    EXPECT_TRUE(text.contains(
        QStringLiteral("By normal theory, power 0.80 is first reached at group 1 size 52.")));
    EXPECT_TRUE(text.contains(QStringLiteral("    1  16, 16, 16           100")));
    EXPECT_TRUE(details().progressText().startsWith(
        QStringLiteral("Search finished: %1 trials in ").arg(log.size())));
}

TEST_F(DetailsWindowTest, ProgressDuringARunAndTheStopNote) {
    openDetails();
    TypeInto(widget<QLineEdit>("txtiterations"), QStringLiteral("2000000"));
    QString during;
    int seriesDuring = -1;
    QTimer::singleShot(700, [&] {
        during = details().progressText();
        seriesDuring = static_cast<int>(details().meansPanel()->chart()->series().size());
        QTest::mouseClick(widget("btnStopRun"), Qt::LeftButton);
    });
    WhenModal([&](QWidget* modal) {
        modal->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    });
    QTest::mouseClick(widget("SpeedButtonRun"), Qt::LeftButton);

    const QRegularExpression running(QStringLiteral(
        "^Running: [0-9,]+ of 2,000,000 replications \\(\\d+%\\); elapsed 0:0\\d; about .+ left$"));
    EXPECT_TRUE(running.match(during).hasMatch()) << during.toStdString();
    EXPECT_EQ(seriesDuring, 0);  // plots are drawn at the end, not during the run
    const std::int64_t done = app_->program().state().tallies.completedReplications;
    ASSERT_GT(done, 0);
    ASSERT_LT(done, 2000000);
    const QString note = details().stopNoteText();
    EXPECT_TRUE(note.startsWith(QStringLiteral("Stopped by the user after ")));
    EXPECT_TRUE(note.endsWith(QStringLiteral(" replications done."))) << note.toStdString();
    EXPECT_TRUE(note.contains(QString::fromStdString(GroupedCount(done) + " of 2,000,000")));
    EXPECT_EQ(details().details().error->replications, done);
    EXPECT_EQ(details().meansPanel()->chart()->series().size(), 6);
}

TEST_F(DetailsWindowTest, RefusedRunAfterAGoodOneShowsNoStaleNumbers) {
    pressKey(Qt::Key_F5);
    ASSERT_EQ(details().details().kind, DetailsKind::Robustness);
    TypeInto(widget<QLineEdit>("txtiterations"), QStringLiteral("0"));
    WhenModal([&](QWidget* modal) {
        modal->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    });
    pressKey(Qt::Key_F5);
    EXPECT_EQ(details().details().kind, DetailsKind::NoResult);
    EXPECT_TRUE(
        details().progressText().startsWith(QStringLiteral("Run ended without results after ")));
    EXPECT_FALSE(details().numbersText().contains(QStringLiteral("10,000")));
    EXPECT_TRUE(details().meansPanel()->chart()->series().isEmpty());
    EXPECT_TRUE(details().intervalPanel()->chart()->series().isEmpty());
}

TEST_F(DetailsWindowTest, PlotsSaveAsPngAndSvgAndCopy) {
    openDetails();
    pressKey(Qt::Key_F5);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    app::ChartPanel* panel = details().intervalPanel();
    details().tabs()->setCurrentWidget(panel);
    QString proposed;
    const QString png = dir.filePath(QStringLiteral("interval.png"));
    panel->setSaveChooser([&](const QString& name) {
        proposed = name;
        return png;
    });
    panel->saveAs();
    EXPECT_EQ(proposed, QStringLiteral("DORVEN_interval_1432449975.png"));
    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), panel->chartView()->size() * panel->chartView()->devicePixelRatioF());

    const QString svg = dir.filePath(QStringLiteral("interval.svg"));
    panel->setSaveChooser([&](const QString&) { return svg; });
    panel->saveAs();
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    EXPECT_TRUE(content.contains("<svg"));
    EXPECT_TRUE(content.contains("Actual alpha against the robustness bands"));

    // A folder that does not exist: the user is told, nothing is written.
    const QString nowhere = dir.filePath(QStringLiteral("missing/plot.png"));
    panel->setSaveChooser([&](const QString&) { return nowhere; });
    QString message;
    WhenModal([&](QWidget* modal) {
        message = static_cast<QMessageBox*>(modal)->text();
        static_cast<QMessageBox*>(modal)->accept();
    });
    panel->saveAs();
    EXPECT_TRUE(
        message.startsWith(QStringLiteral("The plot could not be saved to ") + nowhere + ": "))
        << message.toStdString();
    EXPECT_FALSE(QFile::exists(nowhere));

    QApplication::clipboard()->clear();
    panel->copyToClipboard();
    EXPECT_FALSE(QApplication::clipboard()->image().isNull());
    details().copyNumbers();
    EXPECT_EQ(QApplication::clipboard()->text(), details().numbersText());
}

// Seconds of a duration written "m:ss" at the end of a progress line.
int SecondsAtEnd(const QString& text) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("(\\d+):(\\d\\d)\\.$")).match(text);
    return m.hasMatch() ? m.captured(1).toInt() * 60 + m.captured(2).toInt() : -1;
}

QValueAxis* AxisOf(app::ChartPanel* panel, Qt::Orientation orientation) {
    const QList<QAbstractAxis*> axes = panel->chart()->axes(orientation);
    return axes.isEmpty() ? nullptr : qobject_cast<QValueAxis*>(axes.front());
}

void StopAfter(int ms, QWidget* stop) {
    QTimer::singleShot(ms, [stop] { QTest::mouseClick(stop, Qt::LeftButton); });
}

// A run stopped, its message answered, and a second run: while the second
// one works, nothing of the first (its stop note, numbers, plots) is shown.
TEST_F(DetailsWindowTest, ANewRunClearsTheFiguresOfTheStoppedOne) {
    openDetails();
    TypeInto(widget<QLineEdit>("txtiterations"), QStringLiteral("2000000"));
    StopAfter(400, widget("btnStopRun"));
    WhenModal(
        [](QWidget* modal) { modal->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click(); });
    pressKey(Qt::Key_F5);
    ASSERT_FALSE(details().stopNoteText().isEmpty());

    QString note, numbers;
    qsizetype plotted = -1;
    bool savable = true;
    QTimer::singleShot(400, [&] {
        note = details().stopNoteText();
        numbers = details().numbersText();
        plotted = details().meansPanel()->chart()->series().size() +
                  details().intervalPanel()->chart()->series().size();
        savable = details().meansPanel()->plotted() || details().intervalPanel()->plotted();
        QTest::mouseClick(widget("btnStopRun"), Qt::LeftButton);
    });
    WhenModal(
        [](QWidget* modal) { modal->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click(); });
    pressKey(Qt::Key_F5);
    EXPECT_TRUE(note.isEmpty()) << note.toStdString();
    EXPECT_EQ(numbers, QStringLiteral("The figures of this analysis appear here when it ends."));
    EXPECT_EQ(plotted, 0);
    EXPECT_FALSE(savable);
}

// With Set Power still open nothing has started: no trial, no count, no clock.
TEST_F(DetailsWindowTest, ASearchShowsOnlyFromItsFirstTrial) {
    openDetails();
    pressKey(Qt::Key_F5);  // leaves a finished count behind
    QString waiting;
    WhenModal([&](QWidget* modal) {
        QTimer::singleShot(3 * app::DetailsWindow::kProgressIntervalMs, modal, [&, modal] {
            waiting = details().progressText();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
    });
    pressKey(Qt::Key_F9);
    EXPECT_EQ(waiting, QStringLiteral("Search: waiting for the target power (Set Power)."));
    EXPECT_EQ(details().progressText(),
              QStringLiteral("No search was made (Set Power was cancelled)."));
}

// The time of a stopped run is its own work: the seconds its message waited
// for OK are not in it, and it says stopped.
TEST_F(DetailsWindowTest, AStoppedRunSaysStoppedWithItsOwnTime) {
    openDetails();
    TypeInto(widget<QLineEdit>("txtiterations"), QStringLiteral("2000000"));
    StopAfter(300, widget("btnStopRun"));
    WhenModal([](QWidget* modal) {
        QTimer::singleShot(3500, modal, [modal] {
            modal->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        });
    });
    pressKey(Qt::Key_F5);
    const QString text = details().progressText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Run stopped: "))) << text.toStdString();
    const int seconds = SecondsAtEnd(text);
    EXPECT_GE(seconds, 0) << text.toStdString();
    EXPECT_LT(seconds, 3) << text.toStdString();
}

TEST_F(DetailsWindowTest, ResetClearsWhatTheLastRunLeft) {
    openDetails();
    pressKey(Qt::Key_F5);
    ASSERT_EQ(details().details().kind, DetailsKind::Robustness);
    window().action("Reset1")->trigger();
    EXPECT_EQ(details().details().kind, DetailsKind::Nothing);
    EXPECT_TRUE(details().numbersText().startsWith(QStringLiteral("Nothing to show yet.")));
    EXPECT_TRUE(details().meansPanel()->chart()->series().isEmpty());
    EXPECT_TRUE(details().intervalPanel()->chart()->series().isEmpty());
    EXPECT_FALSE(details().progressText().contains(QStringLiteral("10,000")));
}

// Saving or copying waits for something drawn; the histogram's axis hugs
// the means (within +-1 here), and the power axis shows a trial at 1 whole.
TEST_F(DetailsWindowTest, PlotsAreSavedOnlyWhenDrawnOnAxesThatFitThem) {
    openDetails();
    for (app::ChartPanel* panel :
         {details().meansPanel(), details().powerPanel(), details().intervalPanel()}) {
        EXPECT_FALSE(panel->findChild<QPushButton*>(QStringLiteral("savePlot"))->isEnabled());
        EXPECT_FALSE(panel->findChild<QPushButton*>(QStringLiteral("copyPlot"))->isEnabled());
    }
    pressKey(Qt::Key_F5);
    EXPECT_TRUE(
        details().meansPanel()->findChild<QPushButton*>(QStringLiteral("savePlot"))->isEnabled());
    EXPECT_FALSE(
        details().powerPanel()->findChild<QPushButton*>(QStringLiteral("savePlot"))->isEnabled());
    // The axis reaches what is drawn, the bars and the curves (4 SE, 1.0,
    // either side of 0), with no more than a sliver to spare.
    QValueAxis* x = AxisOf(details().meansPanel(), Qt::Horizontal);
    ASSERT_NE(x, nullptr);
    double low = -1.0, high = 1.0;
    for (const GroupHistogram& g : details().details().histogram.groups) {
        low = std::min(low, g.outline.front().x);
        high = std::max(high, g.outline.back().x);
    }
    EXPECT_LE(x->min(), low);
    EXPECT_GE(x->max(), high);
    EXPECT_LE(x->max() - x->min(), 1.1 * (high - low));

    pressKey(Qt::Key_F3);
    pressKey(Qt::Key_F8);
    QValueAxis* y = AxisOf(details().powerPanel(), Qt::Vertical);
    ASSERT_NE(y, nullptr);
    EXPECT_GT(y->max(), 1.02);
    EXPECT_TRUE(
        details().powerPanel()->findChild<QPushButton*>(QStringLiteral("savePlot"))->isEnabled());

    // The size chosen for the picture is the size written, laid out anew.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath(QStringLiteral("power.png"));
    details().powerPanel()->setImageSize(QSize(1200, 800));
    details().powerPanel()->setSaveChooser([&](const QString&) { return png; });
    details().powerPanel()->saveAs();
    EXPECT_EQ(QImage(png).size(), QSize(1200, 800));
    EXPECT_NE(details().powerPanel()->chart()->size().toSize(), QSize(1200, 800));
}

TEST_F(DetailsWindowTest, OneSampleDrawsNoSamplingDistribution) {
    openDetails();
    TypeInto(widget<QLineEdit>("txtiterations"), QStringLiteral("1"));
    pressKey(Qt::Key_F5);
    ASSERT_EQ(details().details().kind, DetailsKind::SingleReplication);
    EXPECT_TRUE(details().meansPanel()->chart()->series().isEmpty());
    EXPECT_FALSE(details().meansPanel()->chart()->title().contains(QStringLiteral("means per")));
    EXPECT_TRUE(details().numbersText().contains(QStringLiteral("\nF = ")));
    EXPECT_FALSE(details().meansPanel()->plotted());
}

}  // namespace
}  // namespace velmor::testing

// After a search, Confirm Sizes runs its last trial's sizes once more with
// the search's full count; the search's figures stay, marked while the run
// works, and the run's power and interval join them. The button is dead
// before a search, during any run, and once an ordinary run has replaced
// the search.
namespace velmor::testing {
namespace {

TEST_F(DetailsWindowTest, ConfirmSizesRunsTheFoundSizesBesideTheSearch) {
    openDetails();
    QPushButton* confirm = details().confirmButton();
    EXPECT_FALSE(confirm->isEnabled());
    pressKey(Qt::Key_F5);
    EXPECT_FALSE(confirm->isEnabled());  // a run is no search

    pressKey(Qt::Key_F3);
    TypeInto(widget<QLineEdit>("txtiterations"), QStringLiteral("4000"));
    pressKey(Qt::Key_F8);
    ASSERT_EQ(details().details().kind, DetailsKind::SampleSize);
    EXPECT_TRUE(confirm->isEnabled());
    Program& program = app_->program();
    const GroupSizes found = program.search().trialLog().back().sizes;
    const std::size_t trials = program.search().trialLog().size();

    bool enabledDuring = true;
    QString numbersDuring;
    QTimer::singleShot(0, [&] {
        enabledDuring = confirm->isEnabled();
        numbersDuring = details().numbersText();
    });
    QTest::mouseClick(confirm, Qt::LeftButton);
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(numbersDuring.startsWith(
        QStringLiteral("Confirmation run in progress: every figure below is the search's")))
        << numbersDuring.toStdString();
    EXPECT_TRUE(numbersDuring.contains(QStringLiteral("Sizes found (the last trial's)")));

    ASSERT_TRUE(program.lastConfirmation().has_value());
    const SearchConfirmation& c = *program.lastConfirmation();
    EXPECT_EQ(c.sizes, found);
    EXPECT_EQ(program.search().trialLog().size(), trials);
    EXPECT_TRUE(details().progressText().startsWith(
        QStringLiteral("Confirmation run finished: 4,000 of 4,000 replications in ")))
        << details().progressText().toStdString();
    const QString text = details().numbersText();
    const QString sizes = QStringLiteral("%1, %2, %3").arg(found[0]).arg(found[1]).arg(found[2]);
    EXPECT_TRUE(text.contains(QStringLiteral("Sizes found (the last trial's): ") + sizes));
    EXPECT_TRUE(text.contains(
        QStringLiteral("Confirmation run (asked for in this window): group sizes %1, 4,000 "
                       "samples, seed %2")
            .arg(sizes, QString::fromStdString(c.seedText))))
        << text.toStdString();
    ASSERT_TRUE(c.error.has_value());
    EXPECT_TRUE(text.contains(QString::fromStdString(
        "Rejections: " + GroupedCount(c.error->rejections) + " of 4,000, confirmed power " +
        FormatFixed(c.error->proportion, 6, 4))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromStdString(
        "95% interval (Clopper-Pearson): " + FormatFixed(c.error->interval.low, 6, 4) + " to " +
        FormatFixed(c.error->interval.high, 6, 4))));
    EXPECT_TRUE(text.contains(QStringLiteral("It is an ordinary run: the main window now shows")));
    EXPECT_EQ(details().tabs()->currentWidget(), details().powerPanel());
    EXPECT_TRUE(confirm->isEnabled());  // another confirmation may follow

    // It was an ordinary run: the main window shows it, at the sizes found.
    EXPECT_EQ(shown("txtNsize1"), QString::number(found[0]));
    EXPECT_EQ(shown("txtiterations"), QStringLiteral("4000"));
    EXPECT_EQ(program.state().tallies.completedReplications, 4000);
    EXPECT_EQ(program.state().tallies.rejections, c.error->rejections);

    pressKey(Qt::Key_F5);  // an ordinary run replaces the search
    EXPECT_FALSE(confirm->isEnabled());
    EXPECT_FALSE(details().numbersText().contains(QStringLiteral("Confirmation run")));
}

// The option to skip samples without variance is the window's
// `no_variance = skip`: the run it governs counts them and says so, and the
// box cannot change while a run reads it.
TEST_F(DetailsWindowTest, SkipSamplesWithNoVarianceIsAnOptionOfTheRun) {
    openDetails();
    QCheckBox* skip = details().skipNoVarianceBox();
    ASSERT_NE(skip, nullptr);
    EXPECT_FALSE(skip->isChecked());
    QTest::mouseClick(skip, Qt::LeftButton);
    EXPECT_TRUE(app_->program().state().choices.skipNoVarianceSamples);
    for (int g = 1; g <= 3; ++g) {
        const std::string k = std::to_string(g);
        TypeInto(widget<QLineEdit>(("txtsd" + k).c_str()), QStringLiteral(".7"));
        TypeInto(widget<QLineEdit>(("txtNsize" + k).c_str()), QStringLiteral("10"));
        control(("chkInteger" + k).c_str()).setChecked(true);
    }
    TypeInto(widget<QLineEdit>("txtiterations"), QStringLiteral("3000"));
    bool enabledDuring = true;
    QTimer::singleShot(0, [&] { enabledDuring = skip->isEnabled(); });
    window().activateWindow();
    pressKey(Qt::Key_F5);
    EXPECT_EQ(details().details().kind, DetailsKind::Robustness)
        << details().numbersText().toStdString();
    EXPECT_TRUE(details().numbersText().contains(
        QStringLiteral("Samples set aside because a group had no variance: ")));
    EXPECT_GT(app_->program().state().result.discardedNoVariance, 0)
        << details().numbersText().toStdString();
    EXPECT_TRUE(skip->isEnabled());
    EXPECT_FALSE(enabledDuring);  // read during the run, from its event pump
}

}  // namespace
}  // namespace velmor::testing
