#pragma once
// The Details window: a non-modal window beside the main window that says
// what the last run or search means: its Monte Carlo error and how that
// reads against the robustness bands, the normal-theory power beside the
// Monte Carlo power, a search's trials, and three plots. During a run it
// shows progress a few times a second; the numbers and plots are redrawn
// once the run or search has ended. Everything it shows is computed by the
// analysis layer; this window only draws it.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include "analysis/progress_estimate.hpp"
#include "analysis/run_details.hpp"
#include "analysis/test_rates.hpp"
#include "program/program.hpp"
#include "program/shape_choices.hpp"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace velmor::app {

class ChartPanel;
class ShapesPanel;
class StoppingPanel;
class TestsPanel;

class DetailsWindow : public QWidget {
    Q_OBJECT
  public:
    // Progress readings per second while a run or search works.
    static constexpr int kProgressIntervalMs = 250;

    explicit DetailsWindow(Program& program, QWidget* parent = nullptr);

    // The program's analysis observer calls these.
    void analysisStarted(Program::Analysis kind);
    void analysisFinished(Program::Analysis kind);
    // Reset to Defaults cleared the main window's results: these go too.
    void resultsCleared();

    // Shows the window (or brings it to the front) with what it holds.
    void showAndRaise();

    const RunDetails& details() const { return details_; }
    QString numbersText() const;
    QString progressText() const;
    QString stopNoteText() const;
    ChartPanel* meansPanel() const { return meansPanel_; }
    ChartPanel* powerPanel() const { return powerPanel_; }
    ChartPanel* intervalPanel() const { return intervalPanel_; }
    QTabWidget* tabs() const { return tabs_; }
    TestsPanel* testsPanel() const { return testsPanel_; }
    ShapesPanel* shapesPanel() const { return shapesPanel_; }
    // The chosen tests' rates of the last run, as the Tests tab shows them.
    const std::vector<TestRate>& testRates() const { return rates_; }

    // The numbers as text on the clipboard.
    void copyNumbers() const;
    // Confirm Sizes: one more run at the sizes the last search ended on.
    QPushButton* confirmButton() const { return confirm_; }
    // Options of the run beyond the main window's controls.
    QCheckBox* skipNoVarianceBox() const { return skipNoVariance_; }
    // The stopping rule of the next run, and what the last run made of it.
    StoppingPanel* stoppingPanel() const { return stoppingPanel_; }

  signals:
    // The Population Shapes dialog changed the chosen shapes.
    void shapesChanged();

  private:
    void createWidgets();
    // The Tests and Shapes tabs from the rates and result held.
    void showChoiceDetails();
    void readProgress();
    void showDetails();
    // Seconds of the analysis's own work since it started: the clock less
    // the time the program waited on the user in dialogs and messages.
    double workSeconds() const;
    // Confirm Sizes is live only with a search's figures on show, the program
    // holding that search to confirm, and nothing running.
    void updateConfirmButton();

    Program& program_;
    RunDetails details_;
    // The last search's own figures, kept while a confirmation runs and
    // shown with it once it has ended.
    RunDetails searchDetails_;
    ProgressEstimate progress_;
    QElapsedTimer clock_;
    double dialogsAtStart_ = 0.0;
    // A search counts from its first trial; F9 first asks for the power.
    bool searchPending_ = false;
    int searchesAtStart_ = 0;
    QTimer progressTimer_;
    QLabel* progressLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* stopNote_ = nullptr;
    QLabel* generatorLabel_ = nullptr;  // which generator drew the last run's samples
    QPlainTextEdit* numbers_ = nullptr;
    QPushButton* confirm_ = nullptr;
    QCheckBox* skipNoVariance_ = nullptr;
    StoppingPanel* stoppingPanel_ = nullptr;
    // The rule of the analysis under way, taken when it began (the panel
    // cannot change it while it works): its end is told against it.
    StoppingChoice stoppingOfRun_;
    QTabWidget* tabs_ = nullptr;
    ChartPanel* meansPanel_ = nullptr;
    ChartPanel* powerPanel_ = nullptr;
    ChartPanel* intervalPanel_ = nullptr;
    TestsPanel* testsPanel_ = nullptr;
    ShapesPanel* shapesPanel_ = nullptr;
    std::vector<TestRate> rates_;
    // The shapes the last analysis drew from, taken when it began (the
    // choices cannot change while it works).
    GroupShapes shapesOfRun_{};
    bool achievedShown_ = false;
};

}  // namespace velmor::app
