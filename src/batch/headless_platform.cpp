#include "batch/headless_platform.hpp"

namespace velmor::batch {

ui::ModalResult HeadlessPlatform::showModal(ui::DialogId dialog) {
    switch (dialog) {
        case ui::DialogId::Information: {
            const std::string& memo = windows_->runBox.Memo1.text();
            if (!memo.empty()) messages_.push_back(memo);
            return ui::ModalResult::Ok;
        }
        case ui::DialogId::SetPower: {
            // A study answers the dialog once; a power out of range brings the
            // dialog back, and a second answer would only repeat the first.
            if (setPowerShown_++ > 0) return ui::ModalResult::Cancel;
            ui::PowerBox& box = windows_->powerBox;
            box.txtPower.setText(power_);
            if (samples_) box.ssiterations.setText(*samples_);
            box.btnOK.click();
            return ui::ModalResult::Ok;
        }
        case ui::DialogId::About:
        case ui::DialogId::UserAgreement:
            return ui::ModalResult::Ok;
    }
    return ui::ModalResult::Ok;
}

void HeadlessPlatform::processPendingEvents() {
    if (interrupt_ && interrupt_->raised() && windows_)
        windows_->mainWindow.runPanel.btnStopRun.click();
    // Reading the clock costs more than a small replication; look only now
    // and then, but at every resampling stop check, which come thousands of
    // redraws apart, and at every pump of a philox run, which pumps once a
    // block or once its wait for a block has lasted 20 ms.
    const bool look =
        (++pumps_ & 255) == 0 || (state_ && (state_->progress.redraws != 0 ||
                                             state_->choices.generator == Generator::Philox));
    if (deadline_ && (timedOut_ || (look && std::chrono::steady_clock::now() >= *deadline_))) {
        timedOut_ = true;
        if (windows_) windows_->mainWindow.runPanel.btnStopRun.click();
    }
    if (!progress_ || !state_ || !look) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastProgress_ < std::chrono::milliseconds(250)) return;
    lastProgress_ = now;
    progress_(state_->progress);
}

}  // namespace velmor::batch
