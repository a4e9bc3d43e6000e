#pragma once
// A scripted stand-in for the windowing toolkit: records every message and
// dialog, answers modal dialogs and the save dialog from a script, and can act
// (click Stop, edit a dialog) while a run processes its events.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "window_model/platform.hpp"
#include "window_model/windows.hpp"

namespace velmor::testing {

class FakePlatform : public ui::Platform {
  public:
    // What was shown, in order.
    struct Shown {
        enum class Kind { PlainMessage, Modal, SaveDialog } kind;
        std::string text;              // plain message, or the Information memo when shown
        ui::DialogId dialog{};         // for Modal
        ui::SaveDialogRequest save{};  // for SaveDialog
    };

    // Without windows the Information dialog's memo cannot be captured.
    explicit FakePlatform(ui::WindowSet* windows = nullptr) : windows_(windows) {}
    void attach(ui::WindowSet& windows) { windows_ = &windows; }

    void showPlainMessage(const std::string& text) override {
        shown.push_back({Shown::Kind::PlainMessage, text, {}, {}});
    }

    ui::ModalResult showModal(ui::DialogId dialog) override {
        std::string memo;
        if (dialog == ui::DialogId::Information && windows_)
            memo = windows_->runBox.control("Memo1").text();
        shown.push_back({Shown::Kind::Modal, memo, dialog, {}});
        if (!modalAnswers.empty()) {
            auto answer = std::move(modalAnswers.front());
            modalAnswers.pop_front();
            return answer(dialog);
        }
        return ui::ModalResult::Ok;
    }

    std::optional<std::string> askSaveFileName(const ui::SaveDialogRequest& request) override {
        shown.push_back({Shown::Kind::SaveDialog, request.fileName, {}, request});
        if (saveAnswers.empty()) return std::nullopt;
        auto answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }

    void processPendingEvents() override {
        ++eventPumps;
        if (onEvents) onEvents(eventPumps);
    }

    void closeMainWindow() override { ++closeRequests; }

    // Messages and Information-dialog texts only, in order.
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& s : shown)
            if (s.kind == Shown::Kind::PlainMessage ||
                (s.kind == Shown::Kind::Modal && s.dialog == ui::DialogId::Information))
                out.push_back(s.text);
        return out;
    }
    int count(Shown::Kind kind) const {
        int n = 0;
        for (const auto& s : shown) n += s.kind == kind;
        return n;
    }

    std::vector<Shown> shown;
    // Answers for showModal, in order; Ok when the script is empty.
    std::deque<std::function<ui::ModalResult(ui::DialogId)>> modalAnswers;
    // Answers for the save dialog, in order; cancel when empty.
    std::deque<std::optional<std::string>> saveAnswers;
    // Called on every processPendingEvents with the running count (1-based).
    std::function<void(long long)> onEvents;
    long long eventPumps = 0;
    int closeRequests = 0;

  private:
    ui::WindowSet* windows_;
};

}  // namespace velmor::testing
