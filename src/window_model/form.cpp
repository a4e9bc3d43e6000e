#include "window_model/form.hpp"

#include <stdexcept>

namespace velmor::ui {

Form::Form(std::string name, std::string caption)
    : name_(std::move(name)), caption_(std::move(caption)) {}

Control& Form::add(std::string name, ControlKind kind, std::string parent) {
    if (has(name)) throw std::logic_error("duplicate control " + name);
    return controls_.emplace_back(*this, std::move(name), kind, std::move(parent));
}

Control& Form::control(std::string_view name) {
    for (auto& c : controls_)
        if (c.name() == name) return c;
    throw std::out_of_range("no control " + std::string(name) + " in " + name_);
}

const Control& Form::control(std::string_view name) const {
    return const_cast<Form*>(this)->control(name);
}

bool Form::has(std::string_view name) const {
    for (const auto& c : controls_)
        if (c.name() == name) return true;
    return false;
}

void Form::setFocus(Control* control) {
    // Told even when the control had the focus already: a toolkit may have
    // moved its own focus meanwhile (off a control a run disabled), and a
    // rule that focuses a field wants it focused on screen.
    focus_ = control;
    if (focusListener_) focusListener_(focus_);
}

}  // namespace velmor::ui
