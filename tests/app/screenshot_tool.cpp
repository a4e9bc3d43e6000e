// Draws VELMOR's windows as the user sees them after a default run, for the
// README and for checking the layout by eye:
//   velmor-screenshot MAIN.png [DIALOG_DIR]
//   velmor-screenshot --search SEARCH.png
// The first writes the main window after a default run to MAIN.png and, when
// DIALOG_DIR is given, the four dialogs there as about.png, information.png,
// set-power.png and user-agreement.png. The second writes the main window
// after the Medium Effect key (F3) and the .80 search key (F8). Run it under
// an X server (xvfb-run) so that fonts are rendered as on a desktop.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <string>

#include "app/application.hpp"

namespace {

bool save(QWidget& widget, const QString& path) {
    const bool ok = widget.grab().save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", qPrintable(path), widget.width(),
                widget.height());
    return ok;
}

bool saveDialog(QWidget& dialog, const QDir& dir, const char* name) {
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) return false;
    QTest::qWait(50);
    const bool ok = save(dialog, dir.filePath(QString::fromLatin1(name)));
    dialog.hide();
    return ok;
}

// A key as the user presses it in the main window.
void press(QWidget& window, Qt::Key key) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target ? target : &window, key);
}

int searchShot(const QString& path) {
    velmor::app::Application velmor;
    velmor.show();
    if (!QTest::qWaitForWindowExposed(&velmor.mainWindow())) return 3;
    // Any message the search shows is read and closed, as a user would.
    QTimer closer;
    closer.setInterval(50);
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    closer.start();
    press(velmor.mainWindow(), Qt::Key_F3);
    press(velmor.mainWindow(), Qt::Key_F8);
    closer.stop();
    QTest::qWait(100);
    return save(velmor.mainWindow(), path) ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: velmor-screenshot MAIN.png [DIALOG_DIR]\n"
                     "       velmor-screenshot --search SEARCH.png\n");
        return 2;
    }
    const bool search = std::string(argv[1]) == "--search";
    if (search && argc < 3) {
        std::fprintf(stderr, "usage: velmor-screenshot --search SEARCH.png\n");
        return 2;
    }
    const QString mainPath = QString::fromLocal8Bit(argv[1]);
    const QString dialogDir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    int toolkitArgc = 1;
    QApplication toolkit(toolkitArgc, argv);
    velmor::app::ConfigureToolkit(toolkit);
    if (search) return searchShot(QString::fromLocal8Bit(argv[2]));

    velmor::app::Application velmor;
    velmor.show();
    if (!QTest::qWaitForWindowExposed(&velmor.mainWindow())) return 3;
    // A default run, started as the user starts it: the RUN button.
    velmor.mainWindow().view().widgetAs<QAbstractButton>("SpeedButtonRun")->click();
    QTest::qWait(100);
    bool ok = save(velmor.mainWindow(), mainPath);
    if (dialogDir.isEmpty()) return ok ? 0 : 1;

    QDir dir(dialogDir);
    if (!dir.mkpath(QStringLiteral("."))) return 2;
    ok = saveDialog(velmor.aboutBox(), dir, "about.png") && ok;
    velmor.program().windows().runBox.control("Memo1").setText(
        "-- Processing Stopped by User\r\n   \r\n-- Results may not be complete.");
    velmor.runBox().view().refresh();
    ok = saveDialog(velmor.runBox(), dir, "information.png") && ok;
    ok = saveDialog(velmor.powerBox(), dir, "set-power.png") && ok;
    ok = saveDialog(velmor.userBox(), dir, "user-agreement.png") && ok;
    return ok ? 0 : 1;
}
