#include "app/tests_panel.hpp"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/chart_panel.hpp"
#include "app/details_charts.hpp"

namespace velmor::app {

namespace {

// Tick boxes per row: two rows keep the tab as narrow as the plots beside.
constexpr int kTicksPerRow = 4;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

TestsPanel::TestsPanel(Program& program, QWidget* parent) : QWidget(parent), program_(program) {
    auto* choose = new QGroupBox(tr("Tests to run beside F (the next run computes them)"));
    choose->setObjectName(QStringLiteral("chooseTests"));
    auto* grid = new QGridLayout(choose);
    grid->setContentsMargins(6, 2, 6, 4);
    for (int i = 0; i < kMeanTestKinds; ++i) {
        const MeanTestKind kind = kAllMeanTests[i];
        auto* box = new QCheckBox(Text(MeanTestTitle(kind)));
        const std::string_view name = MeanTestName(kind);
        box->setObjectName(QStringLiteral("test_") +
                           QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
        box->setToolTip(
            kind == MeanTestKind::F
                ? tr("The F test is always run: its results are the main window's")
                : tr("In a study file: tests = %1")
                      .arg(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()))));
        ticks_[i] = box;
        grid->addWidget(box, i / kTicksPerRow, i % kTicksPerRow);
        if (kind == MeanTestKind::F) {
            box->setChecked(true);
            box->setEnabled(false);
        } else {
            connect(box, &QCheckBox::toggled, this, &TestsPanel::ticked);
        }
    }

    note_ = new QLabel;
    note_->setObjectName(QStringLiteral("testsNote"));
    note_->setWordWrap(true);

    table_ = new QTableWidget;
    table_->setObjectName(QStringLiteral("testsTable"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    // Every column as wide as its text; a narrow tab scrolls the table.
    table_->horizontalHeader()->setStretchLastSection(false);
    table_->setWordWrap(false);
    // Rows as compact as the numbers' text beside them.
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);

    chart_ = new ChartPanel(QStringLiteral("DORVEN_tests"));
    chart_->setObjectName(QStringLiteral("testsPlot"));

    auto* split = new QSplitter(Qt::Vertical);
    auto* top = new QWidget;
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(note_);
    topLayout->addWidget(table_, 1);
    split->addWidget(top);
    split->addWidget(chart_);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    split->setChildrenCollapsible(false);
    // Room for the seven tests' rows and the header above the plot, which
    // can do with less height than the plots of the other tabs.
    chart_->chartView()->setMinimumHeight(220);
    split->setSizes({table_->verticalHeader()->defaultSectionSize() * 8 +
                         table_->horizontalHeader()->sizeHint().height() + 40,
                     260});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(choose);
    layout->addWidget(split, 1);
    showChoices();
    showRates({}, 0.05, true, tr("No run yet."));
}

void TestsPanel::showChoices() {
    const MeanTestSelection& chosen = program_.state().choices.tests;
    for (int i = 0; i < kMeanTestKinds; ++i) {
        if (kAllMeanTests[i] == MeanTestKind::F) continue;
        const QSignalBlocker quiet(ticks_[i]);
        ticks_[i]->setChecked(chosen.chosen(kAllMeanTests[i]));
    }
}

void TestsPanel::ticked() {
    // The selection has no way to drop a test: it is built anew from the
    // ticks, F always in it.
    MeanTestSelection chosen;
    for (int i = 0; i < kMeanTestKinds; ++i)
        if (ticks_[i]->isChecked()) chosen.choose(kAllMeanTests[i]);
    program_.state().choices.tests = chosen;
}

void TestsPanel::setWorking(bool working) {
    for (int i = 0; i < kMeanTestKinds; ++i)
        if (kAllMeanTests[i] != MeanTestKind::F) ticks_[i]->setEnabled(!working);
}

void TestsPanel::setFileSuffix(const QString& suffix) {
    chart_->setFileSuffix(suffix);
}

QString TestsPanel::noteText() const {
    return note_->text();
}

void TestsPanel::showRates(const std::vector<TestRate>& rates, double alpha, bool equalMeans,
                           const QString& why) {
    const TextTable table = TestRatesTable(rates, alpha, equalMeans);
    table_->clear();
    table_->setColumnCount(static_cast<int>(table.columns.size()));
    table_->setRowCount(static_cast<int>(table.rows.size()));
    QStringList heads;
    for (const std::string& c : table.columns) heads << Text(c);
    table_->setHorizontalHeaderLabels(heads);
    for (int r = 0; r < static_cast<int>(table.rows.size()); ++r) {
        for (int c = 0; c < static_cast<int>(table.rows[r].size()); ++c) {
            auto* item = new QTableWidgetItem(Text(table.rows[r][c]));
            // Numbers line up on their right edge; names and words on the left.
            const bool words = c == 0 || table.columns[c] == "Verdict" ||
                               table.columns[c] == "Band reading" ||
                               table.columns[c] == "95% interval";
            item->setTextAlignment(Qt::AlignVCenter | (words ? Qt::AlignLeft : Qt::AlignRight));
            // A narrow column cuts its text; the tip keeps it whole.
            item->setToolTip(item->text());
            table_->setItem(r, c, item);
        }
    }
    table_->resizeColumnsToContents();

    if (rates.empty()) {
        note_->setText(why);
    } else if (rates.front().single) {
        note_->setText(tr("One sample: each test's statistic, degrees of freedom and p on it."));
    } else {
        note_->setText(equalMeans ? tr("Equal population means: each rate is an actual alpha, "
                                       "read against the bands as F's is.")
                                  : tr("Unequal population means: each rate is an actual power."));
    }

    const std::optional<TestRatesPicture> picture = TestRatesPictureOf(rates, alpha, equalMeans);
    if (picture)
        DrawTestRates(*chart_->chart(), *picture);
    else
        DrawNothing(*chart_->chart(),
                    rates.empty() ? tr("No rates to draw") : tr("One sample has no rates to draw"));
    chart_->setPlotted(picture.has_value());
}

}  // namespace velmor::app
