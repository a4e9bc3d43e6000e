#pragma once
// Mirrors one window of the model in Qt widgets. Every widget stands for one
// model control: it shows the control's text, states, colours and hint, and
// hands the user's actions (typing, clicks, focus) to the control, so the
// rules run in the model and nowhere else. Model changes only mark a control
// dirty; refresh() applies them. The user's own actions are refreshed at once;
// changes made by code (a run's progress above all) are drawn by a timer at
// most every kRefreshDelayMs, so that a run of small replications does not
// spend its time repainting.

#include <QObject>
#include <QTimer>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "window_model/form.hpp"

class QWidget;

namespace velmor::app {

class FormView : public QObject {
    Q_OBJECT
  public:
    // Changes made by code show within this delay: often enough to read as a
    // running count.
    static constexpr int kRefreshDelayMs = 100;

    explicit FormView(ui::Form& form, QObject* parent = nullptr);
    ~FormView() override;
    FormView(const FormView&) = delete;
    FormView& operator=(const FormView&) = delete;

    ui::Form& form() const { return form_; }

    // Creates the widget of the model control `name` as a child of `parent`,
    // shows the control's current state on it and forwards the user's actions
    // on it to the control. Group boxes, labels, edits, check boxes, radio
    // buttons, memos, buttons and flat buttons; panels become labels (with
    // text) or plain frames. Throws std::out_of_range for an unknown name.
    QWidget* create(std::string_view name, QWidget* parent);
    template <class W>
    W* create(std::string_view name, QWidget* parent) {
        return static_cast<W*>(create(name, parent));
    }

    // The widget of a control, or nullptr when none was created.
    QWidget* widget(std::string_view name) const;
    template <class W>
    W* widgetAs(std::string_view name) const {
        return qobject_cast<W*>(widget(name));
    }
    // The control a widget stands for, or nullptr.
    ui::Control* controlOf(const QWidget* widget) const;

    // Chains keyboard focus through the widgets in the model's creation order,
    // leaving out the controls that take no keyboard focus.
    void applyTabOrder();

    // Applies every pending model change to its widget; cheap when nothing
    // changed. Runs by itself from the event loop, and on demand (after a
    // user's action, before a dialog is shown).
    void refresh();
    bool pending() const { return !dirty_.empty() || focusDirty_; }
    // Starts the refresh delay unless it is running. What else the window
    // shows (its menus) schedules through here, so that one refresh draws it
    // all: a run's locked controls and hidden menus appear together.
    void scheduleRefresh();

  signals:
    // Emitted at the end of every refresh, pending changes or not, for
    // whatever else the window shows to follow in the same pass.
    void refreshed();

  private:
    struct Entry {
        ui::Control* control = nullptr;
        QWidget* widget = nullptr;
        unsigned pending = 0;  // bit per ui::Aspect
    };

    Entry* entryOf(const ui::Control& control);
    void markDirty(const ui::Control& control, ui::Aspect aspect);
    void markFocusDirty();
    void applyPending();
    void apply(Entry& entry, unsigned aspects);
    void applyText(const Entry& entry);
    void applyChecked(const Entry& entry);
    void applyColours(const Entry& entry);
    void wireUserActions(Entry& entry);
    void onFocusChanged(QWidget* now);
    template <class Action>
    void forward(Action&& action);

    ui::Form& form_;
    std::vector<Entry> entries_;  // one per model control, in creation order
    std::unordered_map<const ui::Control*, std::size_t> byControl_;
    std::unordered_map<const QWidget*, std::size_t> byWidget_;
    std::vector<std::size_t> dirty_;  // capacity for every control, reserved once
    bool focusDirty_ = false;
    bool mirroring_ = false;  // set while model state is written into widgets
    QTimer refreshTimer_;
};

}  // namespace velmor::app
