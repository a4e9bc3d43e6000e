#pragma once
// A control of a window, toolkit-neutral: name, kind, text, states, colours.
// Setting text or checks from code runs the same rule a user's action runs,
// but only when the state actually changes; that is what the coupling rules
// and presets rely on.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace velmor::ui {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace colors {
inline constexpr Rgb silver{192, 192, 192};
inline constexpr Rgb aqua{0, 255, 255};
inline constexpr Rgb yellow{255, 255, 0};
inline constexpr Rgb navy{0, 0, 128};
inline constexpr Rgb purple{128, 0, 128};
inline constexpr Rgb maroon{128, 0, 0};
inline constexpr Rgb green{0, 128, 0};
inline constexpr Rgb white{255, 255, 255};
inline constexpr Rgb black{0, 0, 0};
}  // namespace colors

enum class ControlKind {
    GroupBox,
    Panel,
    Label,
    Edit,
    CheckBox,
    RadioButton,
    Memo,
    Button,
    FlatButton
};

// What changed, for a front end that mirrors the model.
enum class Aspect { Text, Checked, Enabled, Visible, Background, FontColor, Hint };

class Form;

class Control {
  public:
    Control(Form& form, std::string name, ControlKind kind, std::string parent);

    const std::string& name() const { return name_; }
    ControlKind kind() const { return kind_; }
    // The group box or panel the control sits in (empty for top-level boxes).
    const std::string& parent() const { return parent_; }
    Form& form() const { return *form_; }

    // Text of an edit or memo, caption of every other kind.
    const std::string& text() const { return text_; }
    bool checked() const { return checked_; }
    bool enabled() const { return enabled_; }
    bool visible() const { return visible_; }
    Rgb background() const { return background_; }
    Rgb fontColor() const { return fontColor_; }
    const std::string& hint() const { return hint_; }
    bool readOnly() const { return readOnly_; }
    // Whether keyboard focus stops here (read-only result fields are skipped).
    bool tabStop() const { return tabStop_; }
    bool hasFocus() const;

    // Edits: runs the change rule when the text differs. Other kinds: caption.
    void setText(std::string_view text);
    // Check boxes: runs the click rule on a change. Radio buttons: checking
    // unchecks the partner, then runs the click rule; unchecking runs nothing.
    void setChecked(bool checked);
    void setEnabled(bool enabled);
    void setVisible(bool visible);
    void setBackground(Rgb colour);
    void setFontColor(Rgb colour);
    void setFocus();

    // A user's click runs what code would: toggles a check box, checks a radio
    // button, or runs a button's click handler.
    void click();

    // Rules wired by the program: change rule of an edit, click rule of a
    // check box, radio button or button.
    void setHandler(std::function<void()> handler) { handler_ = std::move(handler); }

    // Static description, set while the window is built.
    Control& withText(std::string text);
    Control& withHint(std::string hint);
    Control& withChecked(bool checked);
    Control& withEnabled(bool enabled);
    Control& withVisible(bool visible);
    Control& withBackground(Rgb colour);
    Control& withFontColor(Rgb colour);
    Control& withReadOnly(bool readOnly);
    Control& withTabStop(bool tabStop);
    Control& withAlignRight(bool right);
    Control& withCentred(bool centred);
    Control& withBold(bool bold);
    bool alignRight() const { return alignRight_; }
    bool centred() const { return centred_; }
    bool bold() const { return bold_; }

    void pairWith(Control& partner);  // radio buttons of one exclusive pair
    Control* partner() const { return partner_; }

  private:
    void notify(Aspect aspect);
    void runHandler();

    Form* form_;
    std::string name_;
    ControlKind kind_;
    std::string parent_;
    std::string text_;
    std::string hint_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    bool readOnly_ = false;
    bool tabStop_ = true;
    bool alignRight_ = false;
    bool centred_ = false;
    bool bold_ = false;
    Rgb background_ = colors::silver;
    Rgb fontColor_ = colors::black;
    Control* partner_ = nullptr;
    std::function<void()> handler_;
};

}  // namespace velmor::ui
