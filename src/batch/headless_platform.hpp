#pragma once
// The platform of the batch runner: no window. Messages are collected for the
// caller to report, the Set Power dialog is answered with the study's values,
// and pending events become a progress line on a terminal.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/platform.hpp"
#include "model/windows.hpp"

namespace velmor::batch {

class HeadlessPlatform : public ui::Platform {
public:
    HeadlessPlatform() = default;
    // The windows whose dialogs this platform answers; set once the program exists.
    void attach(ui::WindowSet& windows) { windows_ = &windows; }

    // The texts the Set Power dialog is answered with (the study's [search]).
    void answerSetPower(std::string power, std::optional<std::string> samples) {
        power_ = std::move(power);
        samples_ = std::move(samples);
    }
    // Called a few times a second during a run with the replications done.
    void setProgress(std::function<void(long long pumps)> progress) { progress_ = std::move(progress); }

    void showPlainMessage(const std::string& text) override { messages_.push_back(text); }
    ui::ModalResult showModal(ui::DialogId dialog) override;
    std::optional<std::string> askSaveFileName(const ui::SaveDialogRequest&) override { return std::nullopt; }
    void processPendingEvents() override;
    void closeMainWindow() override {}

    const std::vector<std::string>& messages() const { return messages_; }

private:
    ui::WindowSet* windows_ = nullptr;
    std::vector<std::string> messages_;
    std::string power_;
    std::optional<std::string> samples_;
    int setPowerShown_ = 0;
    std::function<void(long long)> progress_;
    long long pumps_ = 0;
    std::chrono::steady_clock::time_point lastProgress_{};
};

}  // namespace velmor::batch
