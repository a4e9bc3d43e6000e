// Draws the Details window after Cohen's medium effect and the F8 search, as
// the README shows it:
//   velmor-details-screenshot DETAILS.png [TAB [run|confirm]]
// TAB picks the plot shown: 0 sampling distributions, 1 power curve (the
// default after a search), 2 interval. With "run", a default run (F5) takes
// the place of the search; with "confirm", Confirm Sizes follows the search.
// Run it under an X server (xvfb-run) so
// that fonts are rendered as on a desktop.

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "app/application.hpp"

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: velmor-details-screenshot DETAILS.png [TAB]\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    int toolkitArgc = 1;
    QApplication toolkit(toolkitArgc, argv);
    velmor::app::ConfigureToolkit(toolkit);

    velmor::app::Application velmor;
    velmor.show();
    if (!QTest::qWaitForWindowExposed(&velmor.mainWindow())) return 3;
    // Medium effect (F3), then the search for power .80 (F8), as a user would.
    const bool defaultRun = argc > 3 && QString::fromLocal8Bit(argv[3]) == QStringLiteral("run");
    if (defaultRun) {
        velmor.program().pressShortcut("F5");
    } else {
        velmor.program().pressShortcut("F3");
        velmor.program().pressShortcut("F8");
    }
    velmor.program().mainWindow().menu.Details1.trigger();
    velmor::app::DetailsWindow& details = velmor.detailsWindow();
    if (argc > 3 && QString::fromLocal8Bit(argv[3]) == QStringLiteral("confirm"))
        details.confirmButton()->click();
    if (argc > 2) details.tabs()->setCurrentIndex(std::atoi(argv[2]));
    if (!QTest::qWaitForWindowExposed(&details)) return 3;
    QTest::qWait(200);
    const bool ok = details.grab().save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", qPrintable(path), details.width(),
                details.height());
    return ok ? 0 : 1;
}
