// VELMOR's entry point: the toolkit, the windows in start-up order, the event
// loop until the main window closes. No arguments, no configuration.

#include <QApplication>

#include "app/application.hpp"

int main(int, char* argv[]) {
    // The program takes no arguments: the toolkit sees the program name only.
    int toolkitArgc = 1;
    QApplication toolkit(toolkitArgc, argv);
    velmor::app::ConfigureToolkit(toolkit);
    velmor::app::Application velmor;
    QObject::connect(&velmor.mainWindow(), &velmor::app::MainWindowView::closed, &toolkit,
                     &QCoreApplication::quit);
    velmor.show();
    return toolkit.exec();
}
