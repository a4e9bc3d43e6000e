#pragma once
// The Details window's stopping rule for the next run: a half-width the
// chosen tests' intervals must reach, a robustness band their verdicts must
// settle against, or both, judged at the run's checkpoints. It shows the rule
// in force, the widest reach while a run works, and why the last run ended
// where it did. With no rule ticked every run draws all its samples.

#include <QGroupBox>
#include <string>

#include "program/program.hpp"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace velmor::app {

class StoppingPanel : public QGroupBox {
    Q_OBJECT
  public:
    explicit StoppingPanel(Program& program, QWidget* parent = nullptr);

    QCheckBox* precisionBox() const { return precisionBox_; }
    QLineEdit* precisionField() const { return precisionField_; }
    QComboBox* decideBox() const { return decideBox_; }
    QString refusalText() const;
    QString statusText() const;

    // The controls as the program's choice stands (after Reset, say).
    void showChoice();
    // A run reads its rule at every checkpoint: it stays fixed until the run
    // (or search) ends. Starting clears the last run's outcome.
    void setWorking(bool working);
    // A run in progress: its widest reach after `completed` replications.
    void showProgress(std::uint64_t completed);
    // The last run's end, in words (empty: nothing to say about it).
    void showOutcome(const std::string& outcome);

  private:
    // Takes the typed half-width when the box is ticked, or drops it when
    // not; a text that is no half-width is refused and the rule in force kept.
    void applyPrecision();
    void showStatus();

    Program& program_;
    QCheckBox* precisionBox_ = nullptr;
    QLineEdit* precisionField_ = nullptr;
    QComboBox* decideBox_ = nullptr;
    QLabel* refusal_ = nullptr;
    QLabel* status_ = nullptr;
    bool working_ = false;
    std::string progress_;
    std::string outcome_;
};

}  // namespace velmor::app
