#pragma once
// The Tests tab of the Details window: the tests of equal means to run beside
// F, ticked here (F always, ticked and greyed), and the last run's rate of
// each with its Monte Carlo error, verdict and band reading, as a table and
// as one plot. A tick changes what the next run computes; the last run's
// figures stay as they were until then.

#include <QWidget>
#include <array>
#include <vector>

#include "analysis/choice_tables.hpp"
#include "core/mean_test_kind.hpp"
#include "program/program.hpp"

class QCheckBox;
class QLabel;
class QTableWidget;

namespace velmor::app {

class ChartPanel;

class TestsPanel : public QWidget {
    Q_OBJECT
  public:
    explicit TestsPanel(Program& program, QWidget* parent = nullptr);

    QCheckBox* tick(MeanTestKind kind) const { return ticks_[static_cast<int>(kind)]; }
    QTableWidget* table() const { return table_; }
    ChartPanel* chartPanel() const { return chart_; }
    QString noteText() const;

    // The ticks as the program's choices stand.
    void showChoices();
    // While a run or search works, the ticks wait: what it computes was
    // fixed when it began.
    void setWorking(bool working);
    // The rates of the last run; with none, `why` says what to do.
    void showRates(const std::vector<TestRate>& rates, double alpha, bool equalMeans,
                   const QString& why);
    void setFileSuffix(const QString& suffix);

  private:
    void ticked();

    Program& program_;
    std::array<QCheckBox*, kMeanTestKinds> ticks_{};
    QLabel* note_ = nullptr;
    QTableWidget* table_ = nullptr;
    ChartPanel* chart_ = nullptr;
};

}  // namespace velmor::app
