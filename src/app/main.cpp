// VELMOR's entry point: the toolkit, the windows in start-up order, the event
// loop until the main window closes. No configuration; the only arguments are
// the two every installed program answers, --version and --help.

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>

#include "app/application.hpp"
#include "core/platform_check.hpp"

namespace {

const char* const kUsage = "usage: velmor [--version | --help]";

// Answers --version and --help and refuses anything else before the toolkit
// starts, so that both work without a display. Returns the exit code, or -1
// when the window should start.
int AnswerArguments(int argc, char* argv[]) {
    if (argc == 1) return -1;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("velmor %s\n", VELMOR_VERSION);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf(
            "%s\nStarts the VELMOR window: Monte Carlo studies of the one-way analysis of "
            "variance.\n"
            "Studies without a window: velmor-batch (see man velmor-batch).\n",
            kUsage);
        return 0;
    }
    std::fprintf(stderr, "velmor: unexpected argument '%s'; %s\n", argv[1], kUsage);
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const int answered = AnswerArguments(argc, argv); answered >= 0) return answered;
    // The toolkit sees the program name only: it takes no options of its own.
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
