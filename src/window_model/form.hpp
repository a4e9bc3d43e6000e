#pragma once
// A window of the model: its controls in creation order (which is also the
// keyboard focus order), its keyboard focus and one change signal.

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "window_model/control.hpp"

namespace velmor::ui {

class Form {
  public:
    Form(std::string name, std::string caption);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& name() const { return name_; }
    const std::string& caption() const { return caption_; }

    Control& add(std::string name, ControlKind kind, std::string parent = {});
    // Throws std::out_of_range for an unknown name.
    Control& control(std::string_view name);
    const Control& control(std::string_view name) const;
    bool has(std::string_view name) const;
    const std::deque<Control>& controls() const { return controls_; }

    const Control* focus() const { return focus_; }
    void setFocus(Control* control);

    // One change signal for the whole form: called after every actual change
    // of a control's state. A front end mirrors from it; it must stay cheap.
    using Listener = std::function<void(const Control&, Aspect)>;
    void setListener(Listener listener) { listener_ = std::move(listener); }
    void notify(const Control& control, Aspect aspect) {
        if (listener_) listener_(control, aspect);
    }
    using FocusListener = std::function<void(const Control*)>;
    void setFocusListener(FocusListener listener) { focusListener_ = std::move(listener); }

  private:
    std::string name_;
    std::string caption_;
    std::deque<Control> controls_;  // stable addresses
    Control* focus_ = nullptr;
    Listener listener_;
    FocusListener focusListener_;
};

}  // namespace velmor::ui
