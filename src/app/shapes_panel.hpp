#pragma once
// The Shapes tab of the Details window: which groups the next run draws from
// a shape other than normal or uniform, the button to the Population Shapes
// dialog, and the last run's target and achieved skewness and kurtosis of
// each shaped group, so that a researcher can see the population is what was
// asked for.

#include <QWidget>

#include "program/program.hpp"
#include "program/shape_choices.hpp"
#include "run/run_result.hpp"

class QLabel;
class QPushButton;
class QTableWidget;

namespace velmor::app {

class ShapesPanel : public QWidget {
    Q_OBJECT
  public:
    explicit ShapesPanel(Program& program, QWidget* parent = nullptr);

    QPushButton* chooseButton() const { return choose_; }
    QTableWidget* table() const { return table_; }
    QString choiceText() const;
    QString noteText() const;

    // The chosen shapes as the program's choices stand.
    void showChoices();
    // While a run or search works the shapes wait, as the main window's
    // inputs do.
    void setWorking(bool working);
    // The achieved moments of the last run, which drew from `shapesOfRun`;
    // `hasResult` false: no run with results to show.
    void showAchieved(const RunResult& result, const GroupShapes& shapesOfRun, bool hasResult);

    // Opens the Population Shapes dialog over `over` (this panel when
    // none); OK there sets the choices.
    void chooseShapes(QWidget* over = nullptr);

  signals:
    // The dialog's OK changed the chosen shapes.
    void shapesChanged();

  private:
    Program& program_;
    QLabel* choice_ = nullptr;
    QPushButton* choose_ = nullptr;
    QLabel* note_ = nullptr;
    QTableWidget* table_ = nullptr;
};

}  // namespace velmor::app
