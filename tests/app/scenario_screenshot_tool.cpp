// Draws the windows in the situations a new user meets, one after the other
// in one program, with real key presses and clicks:
//   velmor-scenario-screenshot DIR
// writes into DIR: means-2500 (means of 2500, SD 400, after F5), rerun
// (Details during a run that follows a stopped one), reset (after Reset to
// Defaults), one-sample (a run of one sample) and power-curve (Details after
// F3 and F8), each as -main.png and -details.png. Run it under an X server
// (xvfb-run) so that fonts are rendered as on a desktop.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "app/application.hpp"

namespace {

using velmor::app::Application;

bool save(QWidget& widget, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    const bool ok = widget.grab().save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", qPrintable(path), widget.width(),
                widget.height());
    return ok;
}

void press(QWidget& window, Qt::Key key) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target && target->window() == &window ? target : &window, key);
}

void type(Application& velmor, const char* field, const char* text) {
    auto* edit = velmor.mainWindow().view().widgetAs<QLineEdit>(field);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(text));
}

// Answers every message after `delayMs`, as a user who reads it first.
class Answerer : public QObject {
  public:
    explicit Answerer(int delayMs) : delayMs_(delayMs) {
        timer_.setInterval(50);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) {
                seen_ = nullptr;
                return;
            }
            if (modal != seen_) {
                seen_ = modal;
                clock_ = 0;
            }
            clock_ += 50;
            if (clock_ >= delayMs_) {
                if (auto* ok = modal->findChild<QPushButton*>(QStringLiteral("BitBtn1")))
                    ok->click();
                else
                    modal->close();
            }
        });
        timer_.start();
    }

  private:
    int delayMs_;
    int clock_ = 0;
    QWidget* seen_ = nullptr;
    QTimer timer_;
};

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: velmor-scenario-screenshot DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    int toolkitArgc = 1;
    QApplication toolkit(toolkitArgc, argv);
    velmor::app::ConfigureToolkit(toolkit);
    Application velmor;
    velmor.show();
    QWidget& main = velmor.mainWindow();
    if (!QTest::qWaitForWindowExposed(&main)) return 3;
    velmor::app::DetailsWindow& details = velmor.detailsWindow();
    Answerer answerer(1500);
    bool ok = true;

    // Means of 2500 with SD 400 in every group.
    for (const char* mean : {"txtmean1", "txtmean2", "txtmean3"}) type(velmor, mean, "2500");
    for (const char* sd : {"txtsd1", "txtsd2", "txtsd3"}) type(velmor, sd, "400");
    press(main, Qt::Key_F5);
    QTest::qWait(300);
    ok = save(main, dir, "means-2500-main.png") && ok;

    // Sizes 999, 100,000 samples; Details open; a run stopped, then another.
    velmor.mainWindow().action("Reset1")->trigger();
    for (const char* size : {"txtNsize1", "txtNsize2", "txtNsize3"}) type(velmor, size, "999");
    type(velmor, "txtiterations", "100000");
    velmor.mainWindow().action("Details1")->trigger();
    if (!QTest::qWaitForWindowExposed(&details)) return 3;
    main.activateWindow();
    QWidget* stop = velmor.mainWindow().view().widget("btnStopRun");
    QTimer::singleShot(2000, [&] { QTest::mouseClick(stop, Qt::LeftButton); });
    press(main, Qt::Key_F5);
    QTest::qWait(300);  // the charts lay themselves out in the event loop
    ok = save(details, dir, "stopped-details.png") && ok;
    QTimer::singleShot(2000, [&] {
        ok = save(details, dir, "rerun-details.png") && ok;
        ok = save(main, dir, "rerun-main.png") && ok;
        QTest::mouseClick(stop, Qt::LeftButton);
    });
    press(main, Qt::Key_F5);
    QTest::qWait(300);

    // Reset to Defaults.
    velmor.mainWindow().action("Reset1")->trigger();
    QTest::qWait(300);
    ok = save(main, dir, "reset-main.png") && ok;
    ok = save(details, dir, "reset-details.png") && ok;

    // One sample.
    type(velmor, "txtiterations", "1");
    press(main, Qt::Key_F5);
    QTest::qWait(300);
    ok = save(main, dir, "one-sample-main.png") && ok;
    details.tabs()->setCurrentIndex(0);
    QTest::qWait(100);
    ok = save(details, dir, "one-sample-details.png") && ok;

    // Medium effect and the .80 search.
    velmor.mainWindow().action("Reset1")->trigger();
    main.activateWindow();
    press(main, Qt::Key_F3);
    press(main, Qt::Key_F8);
    QTest::qWait(300);
    ok = save(main, dir, "power-curve-main.png") && ok;
    ok = save(details, dir, "power-curve-details.png") && ok;
    details.tabs()->setCurrentIndex(0);
    QTest::qWait(100);
    ok = save(details, dir, "power-curve-means.png") && ok;
    return ok ? 0 : 1;
}
