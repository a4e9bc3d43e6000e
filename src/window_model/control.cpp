#include "window_model/control.hpp"

#include "window_model/form.hpp"

namespace velmor::ui {

Control::Control(Form& form, std::string name, ControlKind kind, std::string parent)
    : form_(&form), name_(std::move(name)), kind_(kind), parent_(std::move(parent)) {
    if (kind_ == ControlKind::Edit || kind_ == ControlKind::Memo) background_ = colors::white;
}

bool Control::hasFocus() const {
    return form_->focus() == this;
}

void Control::notify(Aspect aspect) {
    form_->notify(*this, aspect);
}

void Control::runHandler() {
    if (handler_) handler_();
}

void Control::setText(std::string_view text) {
    if (text_ == text) return;
    text_.assign(text);  // reuses capacity: no allocation for short texts
    notify(Aspect::Text);
    if (kind_ == ControlKind::Edit) runHandler();
}

void Control::setChecked(bool checked) {
    if (checked_ == checked) return;
    if (kind_ == ControlKind::RadioButton && checked && partner_ && partner_->checked_) {
        partner_->checked_ = false;  // the button turned off runs nothing
        partner_->notify(Aspect::Checked);
    }
    checked_ = checked;
    notify(Aspect::Checked);
    if (kind_ == ControlKind::CheckBox) runHandler();
    if (kind_ == ControlKind::RadioButton && checked) runHandler();
}

void Control::setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    notify(Aspect::Enabled);
}

void Control::setVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    notify(Aspect::Visible);
}

void Control::setBackground(Rgb colour) {
    if (background_ == colour) return;
    background_ = colour;
    notify(Aspect::Background);
}

void Control::setFontColor(Rgb colour) {
    if (fontColor_ == colour) return;
    fontColor_ = colour;
    notify(Aspect::FontColor);
}

void Control::setFocus() {
    form_->setFocus(this);
}

void Control::click() {
    switch (kind_) {
        case ControlKind::CheckBox:
            setChecked(!checked_);
            break;
        case ControlKind::RadioButton:
            setChecked(true);
            break;
        case ControlKind::Button:
        case ControlKind::FlatButton:
            runHandler();
            break;
        default:
            break;
    }
}

void Control::pairWith(Control& partner) {
    partner_ = &partner;
    partner.partner_ = this;
}

Control& Control::withText(std::string text) {
    text_ = std::move(text);
    return *this;
}
Control& Control::withHint(std::string hint) {
    hint_ = std::move(hint);
    return *this;
}
Control& Control::withChecked(bool checked) {
    checked_ = checked;
    return *this;
}
Control& Control::withEnabled(bool enabled) {
    enabled_ = enabled;
    return *this;
}
Control& Control::withVisible(bool visible) {
    visible_ = visible;
    return *this;
}
Control& Control::withBackground(Rgb colour) {
    background_ = colour;
    return *this;
}
Control& Control::withFontColor(Rgb colour) {
    fontColor_ = colour;
    return *this;
}
Control& Control::withReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    return *this;
}
Control& Control::withTabStop(bool tabStop) {
    tabStop_ = tabStop;
    return *this;
}
Control& Control::withAlignRight(bool right) {
    alignRight_ = right;
    return *this;
}
Control& Control::withCentred(bool centred) {
    centred_ = centred;
    return *this;
}
Control& Control::withBold(bool bold) {
    bold_ = bold;
    return *this;
}

}  // namespace velmor::ui
