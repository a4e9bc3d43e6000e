#pragma once
// The four secondary windows on Qt, each built from its model form and
// created once at start-up: About (TAboutBox), Information (TRunBox), Set
// Power (TPowerBox) and User Agreement (TUserBox). They show what their model
// holds, hand the user's typing and clicks to it, and only decide how they
// close; none of them touches the data behind it.

#include <QDialog>

#include "app/form_view.hpp"
#include "window_model/platform.hpp"
#include "window_model/windows.hpp"

class QPushButton;

namespace velmor::app {

class ModelDialog : public QDialog {
    Q_OBJECT
  public:
    FormView& view() { return view_; }
    // Shows the dialog modally with the model's current contents, centred
    // over its parent; returns how it was closed.
    ui::ModalResult showModal();

  protected:
    // fixedFrame: sized to its contents, no buttons in the title bar, and
    // neither the title bar nor Escape closes it (unless the dialog lets
    // Escape press one of its buttons).
    ModelDialog(ui::Form& form, bool fixedFrame, QWidget* parent);
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    // Escape's button; none in a dialog that Escape does not close.
    void setEscapeButton(QPushButton* button) { escapeButton_ = button; }

  private:
    FormView view_;
    bool fixedFrame_;
    QPushButton* escapeButton_ = nullptr;
};

class AboutDialog : public ModelDialog {
    Q_OBJECT
  public:
    AboutDialog(ui::AboutBox& model, QWidget* parent);
};

class RunDialog : public ModelDialog {
    Q_OBJECT
  public:
    RunDialog(ui::RunBox& model, QWidget* parent);
};

class PowerDialog : public ModelDialog {
    Q_OBJECT
  public:
    PowerDialog(ui::PowerBox& model, QWidget* parent);
};

class UserDialog : public ModelDialog {
    Q_OBJECT
  public:
    UserDialog(ui::UserBox& model, QWidget* parent);
};

}  // namespace velmor::app
