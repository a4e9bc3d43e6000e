#pragma once
// Showing a message in the Information dialog: clear its memo, put the text
// in, and show the dialog modally.

#include <string_view>

#include "window_model/platform.hpp"
#include "window_model/windows.hpp"

namespace velmor {

inline void ShowInformation(ui::RunBox& runBox, ui::Platform& platform, std::string_view text) {
    ui::Control& memo = runBox.Memo1;
    memo.setText("");
    memo.setText(text);
    platform.showModal(ui::DialogId::Information);
}

}  // namespace velmor
