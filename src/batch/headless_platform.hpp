#pragma once
// The platform of the batch runner: no window. Messages are collected for the
// caller to report, the Set Power dialog is answered with the study's values,
// pending events become a progress line on a terminal, and an interrupt
// (SIGINT, SIGTERM) presses the Stop button.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/interruption.hpp"
#include "window_model/platform.hpp"
#include "window_model/windows.hpp"
#include "run/run_state.hpp"

namespace velmor::batch {

class HeadlessPlatform : public ui::Platform {
  public:
    HeadlessPlatform() = default;
    // The windows whose dialogs this platform answers and the run state it
    // reports progress from; set once the program exists.
    void attach(ui::WindowSet& windows, const RunState& state) {
        windows_ = &windows;
        state_ = &state;
    }

    // The texts the Set Power dialog is answered with (the study's [search]).
    void answerSetPower(std::string power, std::optional<std::string> samples) {
        power_ = std::move(power);
        samples_ = std::move(samples);
    }
    // Called a few times a second during a run with the run's progress.
    void setProgress(std::function<void(const RunProgress&)> progress) {
        progress_ = std::move(progress);
    }
    // While `flag` is raised, every pending-events call presses Stop. The
    // flag must outlive the platform.
    void watchInterrupt(const InterruptFlag* flag) { interrupt_ = flag; }
    // Once `deadline` has come, every pending-events call presses Stop, as
    // an interrupt does, and timedOut() says so.
    void setDeadline(std::optional<std::chrono::steady_clock::time_point> deadline) {
        deadline_ = deadline;
    }
    bool timedOut() const { return timedOut_; }

    void showPlainMessage(const std::string& text) override { messages_.push_back(text); }
    ui::ModalResult showModal(ui::DialogId dialog) override;
    std::optional<std::string> askSaveFileName(const ui::SaveDialogRequest&) override {
        return std::nullopt;
    }
    void processPendingEvents() override;
    void closeMainWindow() override {}

    const std::vector<std::string>& messages() const { return messages_; }

  private:
    ui::WindowSet* windows_ = nullptr;
    const RunState* state_ = nullptr;
    const InterruptFlag* interrupt_ = nullptr;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    bool timedOut_ = false;
    std::vector<std::string> messages_;
    std::string power_;
    std::optional<std::string> samples_;
    int setPowerShown_ = 0;
    std::function<void(const RunProgress&)> progress_;
    unsigned pumps_ = 0;
    std::chrono::steady_clock::time_point lastProgress_{};
};

}  // namespace velmor::batch
