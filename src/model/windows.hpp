#pragma once
// The program's five windows as models, created once in start-up order: the
// main window first, then the About box, the Information dialog, the Set
// Power dialog and the User Agreement viewer.

#include <string>

#include "model/form.hpp"
#include "model/menu.hpp"

namespace velmor::ui {

class MainWindow : public Form {
  public:
    MainWindow();
    MenuBar& menus() { return menus_; }
    const MenuBar& menus() const { return menus_; }
    // The six menus a run or search hides and restores, in the order they are locked.
    static constexpr const char* kLockedMenus[] = {"File1",        "Reset2",   "Analysis1",
                                                   "EffectSizes1", "Options1", "Help1"};
    // Initial file name of the shared save dialog before any command ran.
    static constexpr const char* kInitialSaveName = "DORVEN_out";

  private:
    void createGroupBoxes();
    void createSamplingDistributions();
    void createHypothesisTesting();
    void createRunPanel();
    void createMonteCarlo();
    void createResults();
    void createMenus();

    MenuBar menus_;
};

class AboutBox : public Form {
  public:
    AboutBox();
};

class RunBox : public Form {
  public:
    RunBox();
};

class PowerBox : public Form {
  public:
    PowerBox();
};

class UserBox : public Form {
  public:
    UserBox();
};

// The 74-line user agreement shown by the User Agreement viewer.
std::string UserAgreementText();

struct WindowSet {
    MainWindow mainWindow;
    AboutBox aboutBox;
    RunBox runBox;
    PowerBox powerBox;
    UserBox userBox;
};

}  // namespace velmor::ui
