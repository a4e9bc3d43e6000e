#include "app/details_window.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <string>

#include "analysis/stopping_text.hpp"
#include "app/chart_panel.hpp"
#include "app/details_charts.hpp"
#include "app/shapes_panel.hpp"
#include "app/stopping_panel.hpp"
#include "app/tests_panel.hpp"

namespace velmor::app {

namespace {

constexpr int kTextPixels = 11;
// The widest row of the numbers' tables, in characters.
constexpr int kTableColumns = 84;

}  // namespace

DetailsWindow::DetailsWindow(Program& program, QWidget* parent)
    : QWidget(parent, Qt::Window), program_(program) {
    setObjectName(QStringLiteral("DetailsWindow"));
    setWindowTitle(QStringLiteral("VELMOR: Details"));
    createWidgets();
    progressTimer_.setInterval(kProgressIntervalMs);
    connect(&progressTimer_, &QTimer::timeout, this, &DetailsWindow::readProgress);
    showDetails();
}

void DetailsWindow::createWidgets() {
    progressLabel_ = new QLabel(tr("No run yet: press F5 in the main window to run an analysis."));
    progressLabel_->setObjectName(QStringLiteral("progress"));
    progressBar_ = new QProgressBar;
    progressBar_->setRange(0, 1000);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progressBar_->setFixedWidth(180);
    stopNote_ = new QLabel;
    stopNote_->setObjectName(QStringLiteral("stopNote"));
    stopNote_->setWordWrap(true);
    stopNote_->setStyleSheet(QStringLiteral("color: rgb(128,0,0); font-weight: bold;"));
    stopNote_->hide();

    numbers_ = new QPlainTextEdit;
    numbers_->setObjectName(QStringLiteral("numbers"));
    numbers_->setReadOnly(true);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(kTextPixels);
    numbers_->setFont(fixed);
    numbers_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Wide enough for the tables' rows; the sentences wrap.
    numbers_->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QLatin1Char('0')) *
                                  kTableColumns +
                              numbers_->verticalScrollBar()->sizeHint().width() + 12);
    auto* copyNumbers = new QPushButton(tr("&Copy Numbers"));
    copyNumbers->setToolTip(tr("Copy the numbers on the left to the clipboard as text"));
    connect(copyNumbers, &QPushButton::clicked, this, &DetailsWindow::copyNumbers);
    confirm_ = new QPushButton(tr("Con&firm Sizes"));
    confirm_->setObjectName(QStringLiteral("confirmSearch"));
    confirm_->setToolTip(
        tr("Run the sizes the search ended on once more, with the search's full number of "
           "samples and fresh numbers. It is an ordinary run: the main window shows its "
           "results."));
    confirm_->setEnabled(false);
    connect(confirm_, &QPushButton::clicked, this, [this] {
        confirm_->setEnabled(false);
        program_.confirmSearch();
    });

    // Named as the saved results are: DORVEN_<what>_<seed>.
    meansPanel_ = new ChartPanel(QStringLiteral("DORVEN_meansplot"));
    powerPanel_ = new ChartPanel(QStringLiteral("DORVEN_powercurve"));
    intervalPanel_ = new ChartPanel(QStringLiteral("DORVEN_interval"));
    tabs_ = new QTabWidget;
    tabs_->addTab(meansPanel_, tr("&Sampling Distributions"));
    tabs_->addTab(powerPanel_, tr("Power C&urve"));
    tabs_->addTab(intervalPanel_, tr("&Interval"));
    testsPanel_ = new TestsPanel(program_);
    tabs_->addTab(testsPanel_, tr("&Tests"));
    shapesPanel_ = new ShapesPanel(program_);
    tabs_->addTab(shapesPanel_, tr("Shap&es"));
    connect(shapesPanel_, &ShapesPanel::shapesChanged, this, &DetailsWindow::shapesChanged);

    auto* top = new QHBoxLayout;
    top->addWidget(progressLabel_, 1);
    top->addWidget(progressBar_);

    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(numbers_, 1);
    // A choice beyond the main window's controls; the run reads it.
    skipNoVariance_ = new QCheckBox(tr("Skip samples with no &variance"));
    skipNoVariance_->setObjectName(QStringLiteral("skipNoVariance"));
    skipNoVariance_->setToolTip(
        tr("Set aside (and count) a sample in which a group has no variance and draw a fresh "
           "one, instead of ending the run with NO VARIANCE. A run sets aside at most as many "
           "samples as it plans to make (at least 1000)."));
    skipNoVariance_->setChecked(program_.state().choices.skipNoVarianceSamples);
    connect(skipNoVariance_, &QCheckBox::toggled, this,
            [this](bool on) { program_.state().choices.skipNoVarianceSamples = on; });
    stoppingPanel_ = new StoppingPanel(program_);
    leftLayout->addWidget(stoppingPanel_);
    auto* optionsRow = new QHBoxLayout;
    optionsRow->addWidget(skipNoVariance_);
    optionsRow->addStretch();
    leftLayout->addLayout(optionsRow);
    auto* copyRow = new QHBoxLayout;
    copyRow->addWidget(confirm_);
    // Small and quiet: the window's own runs always use the classic generator.
    generatorLabel_ = new QLabel;
    generatorLabel_->setObjectName(QStringLiteral("generator"));
    generatorLabel_->setToolTip(
        tr("The random number generator that drew the last run's samples. The window always "
           "uses the classic one; only velmor-batch with generator = philox uses the other, "
           "whose numbers the window does not reproduce."));
    copyRow->addWidget(generatorLabel_);
    copyRow->addStretch();
    copyRow->addWidget(copyNumbers);
    leftLayout->addLayout(copyRow);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(left);
    splitter->addWidget(tabs_);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(stopNote_);
    layout->addWidget(splitter, 1);
    resize(1240, 640);
    splitter->setSizes({numbers_->minimumWidth(), 1240 - numbers_->minimumWidth()});
}

void DetailsWindow::showAndRaise() {
    show();
    raise();
    activateWindow();
}

void DetailsWindow::analysisStarted(Program::Analysis kind) {
    clock_.start();
    dialogsAtStart_ = program_.secondsInDialogs();
    searchPending_ = kind == Program::Analysis::Search;
    searchesAtStart_ = program_.search().searchesStarted();
    progress_.start(0.0, kind == Program::Analysis::Search);
    progressTimer_.start();
    shapesOfRun_ = program_.state().choices.shapes;
    rates_.clear();
    achievedShown_ = false;
    testsPanel_->setWorking(true);
    shapesPanel_->setWorking(true);
    // A run reads its options as it goes: they stay as they are until it ends.
    skipNoVariance_->setEnabled(false);
    stoppingOfRun_ = program_.state().choices.stopping;
    stoppingPanel_->setWorking(true);
    if (kind == Program::Analysis::Confirmation) {
        // The search's figures stay, since the run does not change them,
        // marked as the search's until the confirmation's join them.
        details_ = searchDetails_;
        details_.lines.insert(details_.lines.begin(),
                              {"Confirmation run in progress: every figure below is the search's; "
                               "the confirmation's appear beside them when it ends.",
                               ""});
    } else {
        // Nothing of the last analysis stays beside the progress of this one.
        details_ = RunDetails();
        searchDetails_ = RunDetails();
    }
    showDetails();
    readProgress();
}

void DetailsWindow::resultsCleared() {
    progressTimer_.stop();
    searchPending_ = false;
    details_ = RunDetails();
    searchDetails_ = RunDetails();
    rates_.clear();
    achievedShown_ = false;
    // Reset returned every group to normal.
    shapesPanel_->showChoices();
    testsPanel_->showChoices();
    // Reset keeps the rule, as it keeps the tests: both say how a run is
    // made, not what it draws. Only the last run's outcome goes.
    stoppingPanel_->showChoice();
    stoppingPanel_->showOutcome({});
    progressLabel_->setText(
        tr("No run since Reset: press F5 in the main window to run an analysis."));
    progressBar_->setValue(0);
    showDetails();
}

double DetailsWindow::workSeconds() const {
    const double waited = program_.secondsInDialogs() - dialogsAtStart_;
    return std::max(0.0, clock_.elapsed() / 1000.0 - waited);
}

void DetailsWindow::readProgress() {
    // F9 shows Set Power first: until the search has begun there is nothing
    // to count, and no clock to show.
    if (searchPending_ && program_.search().searchesStarted() == searchesAtStart_) {
        progressLabel_->setText(tr("Search: waiting for the target power (Set Power)."));
        progressBar_->setValue(0);
        return;
    }
    searchPending_ = false;
    progress_.observe(program_.state().progress, workSeconds());
    progressLabel_->setText(QString::fromStdString(progress_.text()));
    // Read between replications, from the run's own event pump: the
    // tallies then hold exactly `completed` replications.
    if (progressTimer_.isActive())
        stoppingPanel_->showProgress(program_.state().progress.completed);
    const std::uint64_t planned = progress_.planned();
    progressBar_->setValue(
        planned == 0 ? 0
                     : static_cast<int>(1000.0 * static_cast<double>(progress_.completed()) /
                                        static_cast<double>(planned)));
}

void DetailsWindow::analysisFinished(Program::Analysis kind) {
    progressTimer_.stop();
    skipNoVariance_->setEnabled(true);
    stoppingPanel_->setWorking(false);
    searchPending_ = false;
    testsPanel_->setWorking(false);
    shapesPanel_->setWorking(false);
    if (kind == Program::Analysis::None) {
        // F9 cancelled: nothing ran. The last analysis's figures were cleared
        // when it began; there is nothing to show.
        progressLabel_->setText(tr("No search was made (Set Power was cancelled)."));
        showDetails();
        return;
    }
    readProgress();
    // Called from the command's own frame: nothing may escape into it.
    try {
        if (kind == Program::Analysis::Confirmation) {
            const auto& confirmation = program_.lastConfirmation();
            details_ = searchDetails_;
            if (confirmation)
                details_ = WithConfirmation(searchDetails_, *confirmation);
            else
                details_.lines.insert(details_.lines.begin(),
                                      {"The confirmation run ended with an error: it has no "
                                       "figures. Those below are the search's.",
                                       ""});
        } else {
            details_ = program_.describeLastAnalysis();
            if (kind == Program::Analysis::Search) searchDetails_ = details_;
        }
        // The last run's own figures: a run that ended without results
        // leaves none (a refused run keeps the tallies of the one before).
        rates_.clear();
        achievedShown_ = false;
        if (details_.kind != DetailsKind::NoResult && details_.kind != DetailsKind::Nothing &&
            program_.state().result.hasResults()) {
            rates_ = DescribeTestRates(program_.state());
            achievedShown_ = true;
        }
    } catch (const std::exception& error) {
        rates_.clear();
        achievedShown_ = false;
        details_ = RunDetails();
        details_.kind = DetailsKind::NoResult;
        details_.lines = {"The details of this result could not be computed: " +
                          std::string(error.what())};
    }
    // A run's own end against its rule; a search's trials each end on their own.
    if (kind == Program::Analysis::Run && details_.kind != DetailsKind::NoResult)
        stoppingPanel_->showOutcome(StoppingOutcomeText(program_.state(), stoppingOfRun_));
    const QString elapsed = QString::fromStdString(DurationText(workSeconds()));
    const bool stopped = details_.stopNote.has_value() ||
                         program_.run().lastOutcome() == RunController::Outcome::NothingCompleted;
    // A refused run leaves the tallies of the run before it: no counts then.
    if (details_.kind == DetailsKind::NoResult) {
        if (stopped)
            progressLabel_->setText(
                kind == Program::Analysis::Search
                    ? tr("Search stopped without results after %1.").arg(elapsed)
                    : tr("Run stopped without results after %1.").arg(elapsed));
        else
            progressLabel_->setText(kind == Program::Analysis::Search
                                        ? tr("Search ended without results after %1.").arg(elapsed)
                                        : tr("Run ended without results after %1.").arg(elapsed));
    } else if (kind == Program::Analysis::Confirmation) {
        const auto& c = program_.lastConfirmation();
        const std::int64_t done = c && c->error ? c->error->replications : 0;
        const std::int64_t planned = c ? c->samples : 0;
        if (done == 0)
            progressLabel_->setText(
                tr("Confirmation run ended without results after %1.").arg(elapsed));
        else
            progressLabel_->setText(
                (done < planned ? tr("Confirmation run stopped: %1 of %2 replications in %3.")
                                : tr("Confirmation run finished: %1 of %2 replications in %3."))
                    .arg(QString::fromStdString(GroupedCount(done)),
                         QString::fromStdString(GroupedCount(planned)), elapsed));
    } else if (kind == Program::Analysis::Search) {
        const auto trials = static_cast<qsizetype>(program_.search().trialLog().size());
        const QString done = stopped ? (trials == 1 ? tr("Search stopped: 1 trial in %2.")
                                                    : tr("Search stopped: %1 trials in %2."))
                                     : (trials == 1 ? tr("Search finished: 1 trial in %2.")
                                                    : tr("Search finished: %1 trials in %2."));
        progressLabel_->setText(done.arg(trials).arg(elapsed));
    } else {
        progressLabel_->setText(
            (stopped ? tr("Run stopped: %1 of %2 replications in %3.")
                     : tr("Run finished: %1 of %2 replications in %3."))
                .arg(QString::fromStdString(
                         GroupedCount(program_.state().tallies.completedReplications)),
                     QString::fromStdString(GroupedCount(program_.state().settings.txtiterations)),
                     elapsed));
    }
    showDetails();
}

void DetailsWindow::updateConfirmButton() {
    confirm_->setEnabled(!progressTimer_.isActive() && !searchPending_ &&
                         details_.kind == DetailsKind::SampleSize && program_.searchToConfirm());
}

void DetailsWindow::showChoiceDetails() {
    const bool working = progressTimer_.isActive();
    const RunState& state = program_.state();
    QString why;
    if (working)
        why = tr("The rates of this analysis appear here when it ends.");
    else if (!state.choices.tests.anyBesidesF())
        why = tr("Tick the tests to run beside F above; the next run (F5) computes them.");
    else if (details_.kind == DetailsKind::Nothing || details_.kind == DetailsKind::NoResult)
        why = tr("No run with results yet: the next run (F5) computes the ticked tests.");
    else
        why =
            tr("The last run computed no test besides F: the next run (F5) computes the "
               "ticked tests.");
    testsPanel_->showRates(rates_, state.settings.alpha, state.flags.nullIsTrue, why);
    shapesPanel_->showAchieved(state.result, shapesOfRun_, achievedShown_);
}

void DetailsWindow::showDetails() {
    updateConfirmButton();
    const Generator generator = program_.state().result.generator;
    generatorLabel_->setText(generator == Generator::Philox
                                 ? tr("Generator: philox (not the window's streams)")
                                 : tr("Generator: classic"));
    showChoiceDetails();
    numbers_->setPlainText(QString::fromStdString(DetailsText(details_)));
    if (details_.stopNote) {
        stopNote_->setText(QString::fromStdString(*details_.stopNote));
        stopNote_->show();
    } else {
        stopNote_->clear();
        stopNote_->hide();
    }
    const bool working = progressTimer_.isActive();
    if (details_.kind == DetailsKind::Nothing)
        numbers_->setPlainText(
            working ? tr("The figures of this analysis appear here when it ends.")
                    : tr("Nothing to show yet. After a run (F5) or a sample-size search "
                         "(F7, F8, F9) this window shows the Monte Carlo error of the "
                         "result, the normal-theory power and plots."));

    const QString seed = QString::fromStdString(program_.state().seedText);
    for (ChartPanel* panel : {meansPanel_, powerPanel_, intervalPanel_}) panel->setFileSuffix(seed);
    testsPanel_->setFileSuffix(seed);
    const QString later = tr("Drawn when the analysis ends");
    if (details_.kind == DetailsKind::Nothing && working)
        DrawNothing(*meansPanel_->chart(), later);
    else if (details_.kind == DetailsKind::Nothing || details_.kind == DetailsKind::NoResult)
        DrawNothing(*meansPanel_->chart(), tr("No sample means to draw"));
    else if (details_.kind == DetailsKind::SingleReplication)
        DrawNothing(*meansPanel_->chart(),
                    tr("One sample has no sampling distribution: its means are in the numbers"));
    else
        DrawMeansHistogram(*meansPanel_->chart(), details_.histogram);
    meansPanel_->setPlotted(details_.histogram.keptMeans > 0 &&
                            details_.kind != DetailsKind::SingleReplication);
    if (details_.kind == DetailsKind::Nothing && working)
        DrawNothing(*powerPanel_->chart(), later);
    else
        DrawPowerCurve(*powerPanel_->chart(), details_.powerCurve);
    powerPanel_->setPlotted(!details_.powerCurve.trials.empty());
    if (details_.picture)
        DrawIntervalPicture(*intervalPanel_->chart(), *details_.picture);
    else
        DrawNothing(*intervalPanel_->chart(),
                    working ? later : tr("No proportion with an interval to draw"));
    intervalPanel_->setPlotted(details_.picture.has_value());
    // A search is about its power curve; a run about its interval.
    if (details_.kind == DetailsKind::SampleSize)
        tabs_->setCurrentWidget(powerPanel_);
    else if (tabs_->currentWidget() == powerPanel_)
        tabs_->setCurrentWidget(intervalPanel_);
}

QString DetailsWindow::numbersText() const {
    return numbers_->toPlainText();
}

QString DetailsWindow::progressText() const {
    return progressLabel_->text();
}

QString DetailsWindow::stopNoteText() const {
    return stopNote_->isHidden() ? QString() : stopNote_->text();
}

void DetailsWindow::copyNumbers() const {
    QApplication::clipboard()->setText(numbers_->toPlainText());
}

}  // namespace velmor::app
