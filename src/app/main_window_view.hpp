#pragma once
// The main window (TForm1) on Qt: the controls of the model's main window in
// their three-column grid, the menu bar built from the model's menus, the
// keyboard routed through the model's shortcut rule and the seed keystroke
// rule, and a close that waits for a running command to unwind.

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/form_view.hpp"
#include "window_model/windows.hpp"

class QAction;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QMenu;

namespace velmor::app {

class MainWindowView : public QMainWindow {
    Q_OBJECT
  public:
    // What the window asks of the program; the program's own rules answer.
    struct Commands {
        // A key combination in the model's text ("F5", "Ctrl+S"); true when a
        // command ran.
        std::function<bool(std::string_view key)> pressShortcut;
        // A keystroke in txtseed, before the field takes it.
        std::function<void(bool producesCharacter)> seedKeyPress;
        // True while a run or a search is executing.
        std::function<bool()> commandInProgress;
        // Asks a running run or search to stop.
        std::function<void()> stop;
        // The shape note was clicked: open the Population Shapes dialog.
        std::function<void()> chooseShapes;
    };

    MainWindowView(ui::MainWindow& model, Commands commands, QWidget* parent = nullptr);
    ~MainWindowView() override;

    FormView& view() { return view_; }
    // The action of a menu item by its model name (a menu's own action for a
    // top-level entry); nullptr for separators and unknown names.
    QAction* action(std::string_view item) const;
    QMenu* menu(std::string_view item) const;

    // Applies pending model changes to the widgets and the menus.
    void refresh();

    // The note that names the groups with a shape other than normal or
    // uniform; an empty text hides it, and the window is then exactly as it
    // is without one. `brief` stands in for `text` where that has no room
    // beside the menus; `tip` is the note's tool tip.
    void showShapeNote(const QString& text, const QString& brief = {}, const QString& tip = {});
    QLabel* shapeNote() const { return shapeNote_; }

    // A close was asked for while a command ran: the window closes as soon as
    // the command has unwound. Until then dialogs are answered at once and
    // every event pass repeats the stop.
    bool closePending() const { return closePending_; }
    void repeatStop();

  signals:
    // The window has closed; the program ends.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createControls();
    void createLayout();
    void createMenus();
    void layoutInRows(const std::string& box, int fieldWidth);
    void layoutResults();
    void layoutRunPanel();
    void applyMenuItem(const ui::MenuItem& item);
    void refreshMenus();
    void triggerMenuItem(ui::MenuItem& item);
    bool handleKeyPress(QWidget* target, const QKeyEvent& key);
    void retryClose();

    ui::MainWindow& model_;
    Commands commands_;
    FormView view_;
    std::unordered_map<const ui::MenuItem*, QAction*> actions_;
    std::unordered_map<const ui::MenuItem*, QMenu*> menus_;
    QWidget* seedField_ = nullptr;
    QLabel* shapeNote_ = nullptr;
    bool closePending_ = false;
    bool centred_ = false;
    QTimer closeRetry_;
    std::vector<const ui::MenuItem*> menuDirty_;  // changed since the last refresh
};

}  // namespace velmor::app
