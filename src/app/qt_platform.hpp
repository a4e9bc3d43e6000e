#pragma once
// The platform interface on Qt: message box, the modal dialogs of the window
// set, the save dialog, the event pump a run calls once per replication, and
// closing the main window.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "window_model/platform.hpp"

namespace velmor::app {

class MainWindowView;
class ModelDialog;

class QtPlatform : public ui::Platform {
  public:
    // The Qt windows, known once they exist (they need the program's models,
    // and the program needs this platform first).
    struct Windows {
        MainWindowView* mainWindow = nullptr;
        ModelDialog* about = nullptr;
        ModelDialog* information = nullptr;
        ModelDialog* setPower = nullptr;
        ModelDialog* userAgreement = nullptr;
    };
    void attach(const Windows& windows) { windows_ = windows; }

    void showPlainMessage(const std::string& text) override;
    ui::ModalResult showModal(ui::DialogId dialog) override;
    std::optional<std::string> askSaveFileName(const ui::SaveDialogRequest& request) override;
    void processPendingEvents() override;
    void closeMainWindow() override;

    // Replaces the save dialog, for tests and tools that cannot answer a real
    // one; given the request, returns the chosen path or nothing (cancel).
    using SaveDialogHook =
        std::function<std::optional<std::string>(const ui::SaveDialogRequest& request)>;
    void setSaveDialogHook(SaveDialogHook hook) { saveDialogHook_ = std::move(hook); }

    // How long a run may go without handling window events: short enough
    // for the stop button to answer within a frame.
    static constexpr std::chrono::milliseconds kEventInterval{15};
    // Event passes that did real work and the time they took, for measurements.
    long long eventPasses() const { return eventPasses_; }
    std::chrono::steady_clock::duration eventTime() const { return eventTime_; }

  private:
    void refreshWindows();
    bool closing() const;

    Windows windows_;
    SaveDialogHook saveDialogHook_;
    std::chrono::steady_clock::time_point lastPass_{};
    long long eventPasses_ = 0;
    std::chrono::steady_clock::duration eventTime_{};
};

}  // namespace velmor::app
