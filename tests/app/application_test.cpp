// The whole desktop program through its Qt windows: typing, clicking RUN,
// F-keys, stopping a long run, the modal dialogs, saving and closing. The
// user's actions are Qt events on the widgets; the results are read from the
// widgets and compared with the same commands run through the model alone.

#include "app/application.hpp"

#include <time.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolTip>
#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app_fixture.hpp"
#include "program/program.hpp"
#include "support/fake_platform.hpp"

namespace velmor::testing {
namespace {

const char* const kResultFields[] = {"txtrej1",     "txtprop1",    "txtalphaused",
                                     "txtActualM1", "txtActualM2", "txtActualM3",
                                     "txtSEmean1",  "txtSEmean2",  "txtSEmean3"};

// Milliseconds this thread has run. The limits below are on the work the
// window does between events, which a loaded machine does not stretch the
// way it stretches the wall clock (other processes run in between).
double ThreadCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void clickCheckable(QWidget* button) {
    // On the indicator: a click elsewhere on a wide row does not hit the box.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

QPushButton* buttonOf(QWidget* dialog, const char* name) {
    auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    EXPECT_NE(button, nullptr) << name;
    return button;
}

class ApplicationTest : public AppTest {
  protected:
    void clickRun() { QTest::mouseClick(widget("SpeedButtonRun"), Qt::LeftButton); }
    void type(const char* field, const char* text) {
        TypeInto(widget<QLineEdit>(field), QString::fromLatin1(text));
    }
    // A run long enough to be stopped by hand: three groups of 2000, 10000 samples.
    void prepareLongRun() {
        for (const char* size : {"txtNsize1", "txtNsize2", "txtNsize3"}) type(size, "2000");
        type("txtiterations", "10000");
    }
    // The colour a box shows behind what it holds: the commonest colour of
    // its inside that no child covers, in the window as drawn. (A grab of the
    // box alone would fill it with its palette whether it paints or not.)
    std::string paintedBackground(const char* name) {
        window().refresh();
        QWidget* box = widget(name);
        const QPoint origin = box->mapTo(&window(), QPoint(0, 0));
        const QImage image = window().grab().toImage();
        std::map<QRgb, int> counts;
        const QRect inside = box->contentsRect().adjusted(3, 3, -3, -3);
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            for (int x = inside.left(); x <= inside.right(); ++x) {
                bool covered = false;
                for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                    covered = covered || (child->isVisible() &&
                                          child->geometry().adjusted(-1, -1, 1, 1).contains(x, y));
                const qreal ratio = image.devicePixelRatio();
                if (!covered)
                    ++counts[image.pixel(qRound(ratio * (origin.x() + x)),
                                         qRound(ratio * (origin.y() + y)))];
            }
        }
        QRgb commonest = 0;
        int most = 0;
        for (const auto& [colour, n] : counts)
            if (n > most) most = n, commonest = colour;
        return QColor(commonest).name().toStdString();
    }
    // Where every control sits in the window, and the window's own size.
    std::map<std::string, QRect> placement() {
        std::map<std::string, QRect> out;
        window().refresh();
        QApplication::processEvents();
        for (const ui::Control& c : model().controls()) {
            QWidget* w = window().view().widget(c.name());
            out[c.name()] = QRect(w->mapTo(&window(), QPoint(0, 0)), w->size());
        }
        out["window"] = QRect(QPoint(0, 0), window().size());
        return out;
    }
    static std::string moved(const std::map<std::string, QRect>& before,
                             const std::map<std::string, QRect>& after) {
        std::string out;
        for (const auto& [name, rect] : before) {
            const QRect now = after.at(name);
            if (now == rect) continue;
            out += name + " " + std::to_string(rect.x()) + "," + std::to_string(rect.y()) + " " +
                   std::to_string(rect.width()) + "x" + std::to_string(rect.height()) + " -> " +
                   std::to_string(now.x()) + "," + std::to_string(now.y()) + " " +
                   std::to_string(now.width()) + "x" + std::to_string(now.height()) + "; ";
        }
        return out;
    }
    std::vector<std::string> resultTexts() {
        std::vector<std::string> out;
        for (const char* f : kResultFields) out.push_back(shown(f).toStdString());
        out.push_back(widget<QPlainTextEdit>("memoresults")->toPlainText().toStdString());
        out.push_back(widget<QPushButton>("btnStopRun")->text().toStdString());
        return out;
    }
};

// The same default run with no toolkit at all.
std::vector<std::string> ModelOnlyDefaultRun() {
    FakePlatform platform;
    Program program(platform);
    platform.attach(program.windows());
    program.pressShortcut("F5");
    ui::MainWindow& w = program.windows().mainWindow;
    std::vector<std::string> out;
    for (const char* f : kResultFields) out.push_back(w.control(f).text());
    std::string memo = w.control("memoresults").text();
    memo.erase(std::remove(memo.begin(), memo.end(), '\r'), memo.end());
    out.push_back(memo);
    out.push_back(w.control("btnStopRun").text());
    return out;
}

TEST_F(ApplicationTest, StartsWithOnlyTheMainWindowShown) {
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(app_->aboutBox().isVisible());
    EXPECT_FALSE(app_->runBox().isVisible());
    EXPECT_FALSE(app_->powerBox().isVisible());
    EXPECT_FALSE(app_->userBox().isVisible());
    EXPECT_EQ(app_->runBox().parentWidget(), &window());  // centred over it
    EXPECT_EQ(app_->aboutBox().windowTitle(), QStringLiteral("About VELMOR"));
    EXPECT_EQ(app_->runBox().windowTitle(), QStringLiteral("Information"));
    EXPECT_EQ(app_->powerBox().windowTitle(), QStringLiteral("Set Power"));
    EXPECT_EQ(app_->userBox().windowTitle(), QStringLiteral("User Agreement"));
}

TEST_F(ApplicationTest, TypingAndClickingRunTheCouplingRules) {
    clickCheckable(widget("rdoUniform1"));
    EXPECT_EQ(shown("txtMin1"), QStringLiteral("-1.73"));
    EXPECT_EQ(shown("txtMax1"), QStringLiteral("1.73"));
    EXPECT_TRUE(widget("txtMin1")->isVisible());
    EXPECT_FALSE(widget("txtMin1")->isEnabled());
    EXPECT_TRUE(widget<QCheckBox>("chkMax1")->isChecked());
    EXPECT_FALSE(widget("chkMax1")->isEnabled());

    type("txtsd1", "2");  // each keystroke runs the change rule
    EXPECT_EQ(shown("txtMin1"), QStringLiteral("-3.46"));
    EXPECT_EQ(shown("txtMax1"), QStringLiteral("3.46"));
    EXPECT_EQ(shown("txtMin2"), QString());  // other groups untouched

    clickCheckable(widget("rdoNormal1"));
    EXPECT_FALSE(widget("txtMin1")->isVisible());
    EXPECT_FALSE(widget<QCheckBox>("chkMin1")->isChecked());
    type("txtmean1", "100");
    type("txtsd1", "15");
    clickCheckable(widget("chkMin1"));
    EXPECT_EQ(shown("txtMin1"), QStringLiteral("40.00"));
    EXPECT_TRUE(widget("txtMin1")->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), widget("txtMin1"));  // the rule focused it
}

TEST_F(ApplicationTest, RunButtonCompletesADefaultRunLikeTheModelAlone) {
    clickRun();
    EXPECT_EQ(app_->program().state().tallies.completedReplications, 10000);
    EXPECT_EQ(widget<QPushButton>("btnStopRun")->text(),
              QStringLiteral("FINISHED 10000 Iterations"));
    EXPECT_TRUE(widget("btnStopRun")->isVisible());
    EXPECT_FALSE(widget("btnStopRun")->isEnabled());
    EXPECT_TRUE(widget("SpeedButtonRun")->isVisible());
    EXPECT_FALSE(shown("txtprop1").isEmpty());
    EXPECT_FALSE(widget<QPlainTextEdit>("memoresults")->toPlainText().isEmpty());
    EXPECT_FALSE(widget<QGroupBox>("boxresults")->title().isEmpty());
    // Unlocked again, with the save commands on.
    EXPECT_TRUE(window().action("Analysis1")->isVisible());
    EXPECT_TRUE(widget("txtmean1")->isEnabled());
    EXPECT_TRUE(window().action("Save1")->isEnabled());
    EXPECT_EQ(window().action("Save1")->text(), QStringLiteral("&Save Results\tCtrl+S"));
    // The front end shows exactly what the model computed without it.
    EXPECT_EQ(resultTexts(), ModelOnlyDefaultRun());
}

TEST_F(ApplicationTest, F5RunsTheSameRun) {
    widget("txtmean1")->setFocus();
    pressKey(Qt::Key_F5);
    EXPECT_EQ(app_->program().state().tallies.completedReplications, 10000);
    EXPECT_EQ(resultTexts(), ModelOnlyDefaultRun());
}

TEST_F(ApplicationTest, StopButtonStopsALongRunAtOnceAndTheWindowStaysResponsive) {
    prepareLongRun();
    double stopClickedAt = -1, messageAt = -1, biggestGap = 0, lastTick = ThreadCpuMs();
    std::uint64_t doneAtStop = 0;
    QString message;
    bool lockedDuringRun = false;
    // A timer ticking through the run shows how much work the window does
    // between two chances to handle its events.
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const double now = ThreadCpuMs();
        biggestGap = std::max(biggestGap, now - lastTick);
        lastTick = now;
        // Stop once the run is under way and the button has been drawn,
        // however fast the machine.
        const std::uint64_t done = app_->program().state().progress.completed;
        QWidget* stop = widget("btnStopRun");
        if (stopClickedAt >= 0 || done < 20 || !stop->isVisible() || !stop->isEnabled()) return;
        lockedDuringRun =
            !window().action("Analysis1")->isVisible() && !widget("txtmean1")->isEnabled();
        doneAtStop = done;
        stopClickedAt = ThreadCpuMs();
        QTest::mouseClick(stop, Qt::LeftButton);
    });
    WhenModal([&](QWidget* modal) {
        messageAt = ThreadCpuMs();
        EXPECT_EQ(modal, &app_->runBox());
        message = modal->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText();
        buttonOf(modal, "BitBtn1")->click();
    });
    ticker.start();
    clickRun();
    ticker.stop();

    EXPECT_TRUE(lockedDuringRun);
    ASSERT_GE(stopClickedAt, 0);
    ASSERT_GE(messageAt, stopClickedAt);
    // The click is handled between two replications, and the next one never starts.
    EXPECT_EQ(app_->program().state().tallies.completedReplications,
              static_cast<std::int64_t>(doneAtStop));
    EXPECT_LT(messageAt - stopClickedAt, 250)
        << "the stop took " << messageAt - stopClickedAt << " ms of work";
    EXPECT_LT(biggestGap, 100) << "the window did " << biggestGap
                               << " ms of work without handling events";
    EXPECT_EQ(message, QStringLiteral(
                           "-- Processing Stopped by User\n   \n-- Results may not be complete."));
    const auto completed = app_->program().state().tallies.completedReplications;
    EXPECT_GT(completed, 0);
    EXPECT_LT(completed, 10000);
    EXPECT_EQ(widget<QPushButton>("btnStopRun")->text(),
              QStringLiteral("FINISHED %1 Iterations").arg(completed));
    EXPECT_TRUE(widget("txtmean1")->isEnabled());
}

TEST_F(ApplicationTest, ControlsStayWhereTheyAreWhateverTheCaptionsHold) {
    const std::map<std::string, QRect> start = placement();
    // During a run (captions cleared, the stop button shown, the progress
    // prompt), after it, after a search, after one replication and after Reset.
    prepareLongRun();
    std::map<std::string, QRect> running;
    QTimer::singleShot(200, [&] {
        running = placement();
        QTest::mouseClick(widget("btnStopRun"), Qt::LeftButton);
    });
    WhenModal([&](QWidget* modal) { buttonOf(modal, "BitBtn1")->click(); });
    clickRun();
    ASSERT_FALSE(running.empty());
    EXPECT_EQ(moved(start, running), "");
    EXPECT_EQ(moved(start, placement()), "");

    window().action("Reset1")->trigger();
    EXPECT_EQ(moved(start, placement()), "");
    clickRun();
    EXPECT_EQ(moved(start, placement()), "") << "after a default run";

    type("txtiterations", "1");
    clickRun();
    EXPECT_EQ(moved(start, placement()), "") << "after one replication";

    type("txtiterations", "1000");
    widget("txtmean1")->setFocus();
    pressKey(Qt::Key_F3);
    pressKey(Qt::Key_F8);
    EXPECT_EQ(widget<QGroupBox>("boxresults")->title(),
              QStringLiteral("RESULTS: Sample Size Analysis"));
    EXPECT_EQ(moved(start, placement()), "") << "after a search";

    window().action("Reset1")->trigger();
    EXPECT_EQ(moved(start, placement()), "") << "after Reset";
}

TEST_F(ApplicationTest, ResultsBoxIsPaintedAquaAfterAVerdictAndASearch) {
    const std::string silver = "#c0c0c0", aqua = "#00ffff";
    EXPECT_EQ(paintedBackground("boxresults"), silver);
    clickRun();
    EXPECT_EQ(paintedBackground("boxresults"), aqua);
    EXPECT_EQ(paintedBackground("boxgroup1"), silver);  // the others keep the window's colour
    window().action("Reset1")->trigger();
    EXPECT_EQ(paintedBackground("boxresults"), silver);
    type("txtiterations", "1000");
    widget("txtmean1")->setFocus();
    pressKey(Qt::Key_F3);
    pressKey(Qt::Key_F8);
    EXPECT_EQ(paintedBackground("boxresults"), aqua);
}

TEST_F(ApplicationTest, EffectSizeKeysReachTheirCommands) {
    widget("txtmean1")->setFocus();
    pressKey(Qt::Key_F3);
    EXPECT_EQ(shown("txtmean1"), QStringLiteral("0.31"));
    EXPECT_EQ(shown("txtmean3"), QStringLiteral("-0.31"));
    pressKey(Qt::Key_F2);  // Small Effect, not Reset to Defaults
    EXPECT_EQ(shown("txtmean1"), QStringLiteral("0.12"));
    pressKey(Qt::Key_F4);
    EXPECT_EQ(shown("txtmean1"), QStringLiteral("0.49"));
    pressKey(Qt::Key_F1);
    EXPECT_EQ(shown("txtmean1"), QStringLiteral("0.00"));
    EXPECT_EQ(shown("txtsd2"), QStringLiteral("1.00"));
}

TEST_F(ApplicationTest, HiddenTest1000KeyWorksAndDisabledKeysDoNothing) {
    int saveDialogs = 0;
    app_->platform().setSaveDialogHook([&](const ui::SaveDialogRequest&) {
        ++saveDialogs;
        return std::optional<std::string>();
    });
    widget("txtmean1")->setFocus();
    pressKey(Qt::Key_S, Qt::ControlModifier);   // Save Results is not offered yet
    pressKey(Qt::Key_F9, Qt::ControlModifier);  // the hidden .90 item does nothing
    EXPECT_EQ(saveDialogs, 0);
    pressKey(Qt::Key_F12);
    EXPECT_EQ(shown("txtNsize1"), QStringLiteral("1000"));
    EXPECT_EQ(shown("txtseed"), QStringLiteral("1804"));
    EXPECT_EQ(shown("txtiterations"), QStringLiteral("1"));
    EXPECT_FALSE(widget<QCheckBox>("chkInc")->isChecked());
}

TEST_F(ApplicationTest, MenuKeysAreDeadWhileARunHasHiddenTheMenus) {
    prepareLongRun();
    QString afterF3;
    QTimer::singleShot(200, [&] {
        pressKey(Qt::Key_F3);
        afterF3 = shown("txtmean1");
        QTest::mouseClick(widget("btnStopRun"), Qt::LeftButton);
    });
    WhenModal([&](QWidget* modal) { buttonOf(modal, "BitBtn1")->click(); });
    clickRun();
    EXPECT_EQ(afterF3, QStringLiteral("0.0"));
    pressKey(Qt::Key_F3);  // and alive again after it
    EXPECT_EQ(shown("txtmean1"), QStringLiteral("0.31"));
}

TEST_F(ApplicationTest, SeedKeystrokeTurnsAutomaticSeedsOff) {
    QLineEdit* seed = widget<QLineEdit>("txtseed");
    seed->setFocus();
    QTest::keyClick(seed, Qt::Key_Delete);
    QTest::keyClick(seed, Qt::Key_Right);
    EXPECT_TRUE(widget<QCheckBox>("chkInc")->isChecked());
    QTest::keyClick(seed, Qt::Key_5);
    EXPECT_FALSE(widget<QCheckBox>("chkInc")->isChecked());
    EXPECT_FALSE(control("chkInc").checked());
}

TEST_F(ApplicationTest, InformationDialogIsModalShowsTheMessageAndOnlyOkClosesIt) {
    type("txtsd1", "0");
    bool escapeClosed = true, titleBarClosed = true, modal = false;
    QString text;
    WhenModal([&](QWidget* dialog) {
        modal = dialog == &app_->runBox() && static_cast<QDialog*>(dialog)->isModal();
        text = dialog->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText();
        QTest::keyClick(dialog, Qt::Key_Escape);
        escapeClosed = !dialog->isVisible();
        dialog->close();
        titleBarClosed = !dialog->isVisible();
        QTest::keyClick(dialog, Qt::Key_Return);  // Enter presses OK
    });
    clickRun();
    EXPECT_TRUE(modal);
    EXPECT_EQ(text, QStringLiteral("STANDARD DEVIATION must be greater than 0.0"));
    EXPECT_FALSE(escapeClosed);
    EXPECT_FALSE(titleBarClosed);
    EXPECT_FALSE(app_->runBox().isVisible());
    // The field is the window's focus, and has the keyboard once the window
    // is active again (a desktop's window manager activates it; the test
    // platform leaves that to the test).
    EXPECT_EQ(window().focusWidget(), widget("txtsd1"));
    window().activateWindow();
    EXPECT_EVENTUALLY_EQ(QApplication::focusWidget(), widget("txtsd1"));
    EXPECT_TRUE(shown("txtrej1").isEmpty());
}

TEST_F(ApplicationTest, TextThatIsNotANumberGetsThePlainMessageBox) {
    type("txtmean2", "abc");
    QString text;
    WhenModal([&](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr);
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    clickRun();
    EXPECT_EQ(text, QStringLiteral("You must entire an appropriate numeric value"));
    EXPECT_FALSE(widget("btnStopRun")->isVisible());
    EXPECT_EQ(window().focusWidget(), widget("txtmean2"));
    window().activateWindow();
    EXPECT_EVENTUALLY_EQ(QApplication::focusWidget(), widget("txtmean2"));
}

TEST_F(ApplicationTest, SaveCommandsWriteTheFileChosenInTheDialog) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::vector<ui::SaveDialogRequest> asked;
    std::string answer;
    app_->platform().setSaveDialogHook([&](const ui::SaveDialogRequest& request) {
        asked.push_back(request);
        return std::optional<std::string>(answer);
    });
    clickRun();

    answer = dir.filePath(QStringLiteral("report.OUT")).toStdString();
    pressKey(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].fileName, "DORVEN_out_1432449975.OUT");
    EXPECT_EQ(asked[0].defaultExtension, "OUT");
    QFile report(QString::fromStdString(answer));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QByteArray reportText = report.readAll();
    EXPECT_TRUE(reportText.contains("\r\n"));
    EXPECT_TRUE(reportText.contains("3-level Analysis of Variance"));
    EXPECT_FALSE(window().action("Save1")->isEnabled());
    EXPECT_EQ(window().action("Save1")->text(), QStringLiteral("Results Saved\tCtrl+S"));

    answer = dir.filePath(QStringLiteral("data.TXT")).toStdString();
    window().action("SaveData1")->trigger();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].fileName, "DORVEN_data_1432449975.TXT");
    QFile data(QString::fromStdString(answer));
    ASSERT_TRUE(data.open(QIODevice::ReadOnly));
    EXPECT_TRUE(data.readAll().startsWith("case,group,score\r\n1,1,"));
    EXPECT_EQ(window().action("SaveData1")->text(), QStringLiteral("Data Saved\tCtrl+D"));
}

TEST_F(ApplicationTest, AboutBoxOpensModallyAndOnlyItsButtonClosesIt) {
    bool escapeClosed = true;
    QString name;
    WhenModal([&](QWidget* dialog) {
        EXPECT_EQ(dialog, &app_->aboutBox());
        name = dialog->findChild<QLabel*>(QStringLiteral("Panel6"))->text();
        QTest::keyClick(dialog, Qt::Key_Escape);
        escapeClosed = !dialog->isVisible();
        buttonOf(dialog, "BitBtn1")->click();
    });
    window().action("About1")->trigger();
    EXPECT_EQ(name, QStringLiteral(" VELMOR "));
    EXPECT_FALSE(escapeClosed);
    EXPECT_FALSE(app_->aboutBox().isVisible());
}

TEST_F(ApplicationTest, UserAgreementIsAResizableEditableViewer) {
    QString text;
    bool resizable = false, editable = false;
    WhenModal([&](QWidget* dialog) {
        EXPECT_EQ(dialog, &app_->userBox());
        resizable = dialog->minimumSize() != dialog->maximumSize();
        auto* memo = dialog->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        text = memo->toPlainText();
        editable = !memo->isReadOnly();
        buttonOf(dialog, "BitBtn1")->click();
    });
    window().action("UserAgreement1")->trigger();
    EXPECT_TRUE(resizable);
    EXPECT_TRUE(editable);
    EXPECT_EQ(text.count(QLatin1Char('\n')) + 1, 74);
    for (const char* heading : {"LICENSE", "TERMS OF USE", "DISCLAIMER OF WARRANTY"})
        EXPECT_TRUE(text.contains(QLatin1String(heading))) << heading;
}

TEST_F(ApplicationTest, SetPowerCancelStartsNoSearch) {
    type("txtiterations", "500");
    QString power, iterations;
    WhenModal([&](QWidget* dialog) {
        EXPECT_EQ(dialog, &app_->powerBox());
        power = dialog->findChild<QLineEdit*>(QStringLiteral("txtPower"))->text();
        iterations = dialog->findChild<QLineEdit*>(QStringLiteral("ssiterations"))->text();
        QTest::keyClick(dialog, Qt::Key_Escape);  // Cancel
    });
    widget("txtmean1")->setFocus();
    pressKey(Qt::Key_F9);
    EXPECT_EQ(power, QStringLiteral("0.80"));
    EXPECT_EQ(iterations, QStringLiteral("500"));
    EXPECT_FALSE(app_->powerBox().isVisible());
    EXPECT_TRUE(shown("txtrej1").isEmpty());  // nothing ran
    EXPECT_TRUE(window().action("Analysis1")->isVisible());
}

TEST_F(ApplicationTest, SetPowerOkRunsTheModelsOkRuleAndShowsTheRangeMessage) {
    QString rangeMessage, reopenedWith;
    WhenModal(
        [&](QWidget* dialog) {
            TypeInto(dialog->findChild<QLineEdit*>(QStringLiteral("txtPower")),
                     QStringLiteral("1"));
            WhenModal(
                [&](QWidget* information) {
                    rangeMessage = information->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))
                                       ->toPlainText();
                    WhenModal(
                        [&](QWidget* again) {
                            reopenedWith =
                                again->findChild<QLineEdit*>(QStringLiteral("txtPower"))->text();
                            buttonOf(again, "btnCancel")->click();
                        },
                        &app_->powerBox());
                    buttonOf(information, "BitBtn1")->click();
                },
                &app_->runBox());
            buttonOf(dialog, "btnOK")->click();
        },
        &app_->powerBox());
    window().action("GetNforAnyPower1")->trigger();
    EXPECT_EQ(app_->program().state().targetPower, 1.0);
    EXPECT_EQ(rangeMessage, QStringLiteral("POWER must be greater than 0.01 and less than 0.99"));
    EXPECT_EQ(reopenedWith, QStringLiteral("1"));  // the user's own text
    EXPECT_TRUE(shown("txtrej1").isEmpty());
}

TEST_F(ApplicationTest, ClosingDuringARunStopsItAndClosesOnceItHasUnwound) {
    prepareLongRun();
    int closed = 0;
    QObject::connect(&window(), &app::MainWindowView::closed, [&] { ++closed; });
    bool refused = false, visibleWhileRunning = false;
    std::uint64_t doneAtClose = 0;
    QTimer closer;
    closer.setInterval(5);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        const std::uint64_t done = app_->program().state().progress.completed;
        if (done < 5) return;
        closer.stop();
        doneAtClose = done;
        refused = !window().close();
        visibleWhileRunning = window().isVisible();
    });
    closer.start();
    // No dialog may hold the closing window open: fail if one shows.
    QTimer watchdog;
    watchdog.setInterval(5);
    bool dialogShown = false;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            dialogShown = true;
            modal->hide();
        }
    });
    watchdog.start();
    clickRun();
    EXPECT_TRUE(refused);
    EXPECT_TRUE(visibleWhileRunning);
    // The close stopped the run before its next replication.
    EXPECT_GT(doneAtClose, 0u);
    EXPECT_EQ(app_->program().state().tallies.completedReplications,
              static_cast<std::int64_t>(doneAtClose));
    EXPECT_EVENTUALLY_TRUE(!window().isVisible());
    watchdog.stop();
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(closed, 1);
}

TEST_F(ApplicationTest, AnErrorInACommandShowsAPlainMessageAndTheWindowGoesOn) {
    // A rule that throws, run by the Medium Effect key: nothing may reach Qt.
    control("txtmean2").setHandler([] { throw std::runtime_error("injected"); });
    QString text;
    WhenModal([&](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr);
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    widget("txtmean1")->setFocus();
    pressKey(Qt::Key_F3);
    EXPECT_EQ(text, QStringLiteral("The command was stopped by an unexpected error: injected"));
    EXPECT_TRUE(window().action("Analysis1")->isVisible());
    EXPECT_TRUE(widget("txtmean1")->isEnabled());
    control("txtmean2").setHandler(nullptr);
    clickRun();
    EXPECT_EQ(app_->program().state().tallies.completedReplications, 10000);
}

TEST_F(ApplicationTest, ExitClosesTheWindowAtOnce) {
    int closed = 0;
    QObject::connect(&window(), &app::MainWindowView::closed, [&] { ++closed; });
    window().action("Exit1")->trigger();
    EXPECT_EVENTUALLY_EQ(closed, 1);
    EXPECT_FALSE(window().isVisible());
}

// The window as drawn where a widget is.
QImage Drawn(QWidget& window, QWidget* widget) {
    return window.grab(QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size())).toImage();
}

// Text lines drawn in a text box: bands of rows with dark pixels, left of
// its scroll bar.
int DrawnLines(const QImage& image, int right) {
    int lines = 0;
    bool inLine = false;
    for (int y = 0; y < image.height(); ++y) {
        bool dark = false;
        for (int x = 4; x < right && !dark; ++x) dark = qGray(image.pixel(x, y)) < 96;
        if (dark && !inLine) ++lines;
        inLine = dark;
    }
    return lines;
}

// A number wider than its field shows from its first character, as the same
// first characters alone would be drawn; the whole number is in the tool tip.
TEST_F(ApplicationTest, NumbersShowFromTheirFirstCharacterAndTheCutIsSaid) {
    struct Row {
        const char* field;
        const char* text;
        const char* start;
        bool typed;  // by the user, who then leaves the field; else by a run
    } rows[] = {{"txtActualM1", "2500.650", "25", false},
                {"txtSEmean2", "100.6800", "10", false},
                {"txtmean1", "123456.789", "12", true},
                {"txtseed", "-2147483647", "-2", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.field);
        auto* edit = widget<QLineEdit>(row.field);
        auto show = [&](const char* text) {
            if (row.typed) {
                TypeInto(edit, QString::fromLatin1(text));
                widget("txtNsize3")->setFocus();
            } else {
                control(row.field).setText(text);
            }
            window().refresh();
            QApplication::processEvents();
            return Drawn(window(), edit);
        };
        const QImage whole = show(row.text);
        QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), edit->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(edit, &help);
        EXPECT_TRUE(QToolTip::text().startsWith(QString::fromLatin1(row.text)))
            << QToolTip::text().toStdString();
        QToolTip::hideText();
        const QImage start = show(row.start);
        const int width = edit->fontMetrics().horizontalAdvance(QString::fromLatin1(row.start)) + 3;
        ASSERT_EQ(whole.size(), start.size());
        EXPECT_EQ(whole.copy(0, 0, width, whole.height()), start.copy(0, 0, width, start.height()));
        EXPECT_NE(whole, start);  // and more follows, with its mark
    }
}

// A floating-point fault in the settings leaves no live stop button; the
// focus is on the field the fault came from.
TEST_F(ApplicationTest, AFaultRestoresTheWindowWithTheFocusOnItsField) {
    for (const char* field : {"txtmean1", "txtsd2"}) {
        SCOPED_TRACE(field);
        window().action("Reset1")->trigger();
        type(field, "1e308");
        QString message;
        WhenModal([&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            ASSERT_NE(box, nullptr);
            message = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        pressKey(Qt::Key_F5);
        EXPECT_EQ(message, QStringLiteral("Floating point overflow"));
        window().refresh();
        EXPECT_FALSE(widget("btnStopRun")->isEnabled());
        EXPECT_FALSE(widget("btnStopRun")->isVisible());
        // The window's own focus: the one it has when active again (the
        // offscreen platform need not hand activation back after a message).
        EXPECT_EVENTUALLY_TRUE(window().focusWidget() == widget(field));
    }
}

// The results box scrolls from the keyboard, and a larger window gives it
// the room: more of its lines are drawn, the inputs keep their size.
TEST_F(ApplicationTest, ResultsScrollFromTheKeyboardAndGrowWithTheWindow) {
    const std::map<std::string, QRect> before = placement();
    window().resize(before.at("window").size() - QSize(100, 100));
    EXPECT_EQ(placement(), before);  // no smaller than as drawn at start

    std::string lines;
    for (int i = 1; i <= 40; ++i) lines += "Line " + std::to_string(i) + "\r\n";
    control("memoresults").setText(lines);
    window().refresh();
    auto* memo = widget<QPlainTextEdit>("memoresults");
    const int textRight = memo->width() - memo->verticalScrollBar()->width() - 2;
    const QImage top = Drawn(window(), memo);
    widget("txtmean1")->setFocus();
    pressKey(Qt::Key_PageDown);
    EXPECT_GT(memo->verticalScrollBar()->value(), 0);
    EXPECT_NE(Drawn(window(), memo), top);
    EXPECT_EQ(QApplication::focusWidget(), widget("txtmean1"));
    pressKey(Qt::Key_PageUp);
    EXPECT_EQ(memo->verticalScrollBar()->value(), 0);

    const int shownBefore = DrawnLines(top, textRight);
    window().resize(before.at("window").size() + QSize(200, 300));
    EXPECT_EVENTUALLY_TRUE(memo->height() >= before.at("memoresults").height() + 250);
    const std::map<std::string, QRect> after = placement();
    for (const char* box : {"boxgroup1", "boxgroup2", "boxgroup3", "boxsamplingdistributions",
                            "boxhypothesistesting", "boxmontecarlo", "txtmean1", "txtActualM1"})
        EXPECT_EQ(after.at(box), before.at(box)) << box;
    EXPECT_GE(DrawnLines(Drawn(window(), memo), textRight), shownBefore + 10);
}

}  // namespace
}  // namespace velmor::testing
