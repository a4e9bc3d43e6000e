#pragma once
// The desktop program: the Qt platform, the program object with its models,
// and the Qt windows, created in start-up order (the main window first, then
// About, Information, Set Power and User Agreement) and living as long as the
// application object.

#include <memory>

#include "app/details_window.hpp"
#include "app/dialogs.hpp"
#include "app/main_window_view.hpp"
#include "app/qt_platform.hpp"
#include "program/program.hpp"

class QApplication;

namespace velmor::app {

// The look every window shares: Qt's Fusion style, silver window background
// and small sans-serif type. Call once, after the QApplication exists and
// before any window is created.
void ConfigureToolkit(QApplication& application);

class Application {
  public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    Program& program() { return *program_; }
    QtPlatform& platform() { return platform_; }
    MainWindowView& mainWindow() { return *mainWindow_; }
    AboutDialog& aboutBox() { return *about_; }
    RunDialog& runBox() { return *run_; }
    PowerDialog& powerBox() { return *power_; }
    UserDialog& userBox() { return *user_; }
    DetailsWindow& detailsWindow() { return *details_; }

    // Shows the main window only; the dialogs wait for their commands.
    void show();

  private:
    // The main window's note follows the chosen shapes.
    void showShapeNote();

    QtPlatform platform_;
    std::unique_ptr<Program> program_;
    std::unique_ptr<MainWindowView> mainWindow_;
    // Children of the main window in Qt's sense (centred over it, closed with
    // it); owned here so that their order of creation and end is explicit.
    std::unique_ptr<AboutDialog> about_;
    std::unique_ptr<RunDialog> run_;
    std::unique_ptr<PowerDialog> power_;
    std::unique_ptr<UserDialog> user_;
    // Opened from View, Details; kept beside the main window, never modal.
    std::unique_ptr<DetailsWindow> details_;
};

}  // namespace velmor::app
