// VELMOR's entry point: the toolkit, the windows in start-up order, the event
// loop until the main window closes. No arguments, no configuration.

#include <QApplication>
#include <QMessageBox>
#include <iostream>
#include <sstream>

#include "app/application.hpp"
#include "core/platform_check.hpp"

int main(int, char* argv[]) {
    // The program takes no arguments: the toolkit sees the program name only.
    int toolkitArgc = 1;
    // On a machine whose arithmetic would not reproduce the results, say so
    // on the terminal and in a message box, and do not start.
    std::ostringstream refusal;
    if (velmor::RefuseUnfitPlatform(refusal, "velmor")) {
        std::cerr << refusal.str();
        QApplication toolkit(toolkitArgc, argv);
        QMessageBox::critical(nullptr, QStringLiteral("VELMOR"),
                              QString::fromStdString(refusal.str()).trimmed());
        return 1;
    }
    QApplication toolkit(toolkitArgc, argv);
    velmor::app::ConfigureToolkit(toolkit);
    velmor::app::Application velmor;
    QObject::connect(&velmor.mainWindow(), &velmor::app::MainWindowView::closed, &toolkit,
                     &QCoreApplication::quit);
    velmor.show();
    return toolkit.exec();
}
