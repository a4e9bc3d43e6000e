#include "app/stopping_panel.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "analysis/bands.hpp"
#include "analysis/expected_samples.hpp"
#include "analysis/stopping_text.hpp"
#include "run/number_format.hpp"

namespace velmor::app {

namespace {

// The half-width offered before one is chosen: Bradley's band is +- .005
// wide at alpha .05, so coarser intervals could not read against it.
constexpr const char* kOfferedPrecision = ".005";

}  // namespace

StoppingPanel::StoppingPanel(Program& program, QWidget* parent)
    : QGroupBox(tr("Stop the next run early (judged every %1 samples)")
                    .arg(QString::fromStdString(
                        GroupedCount(static_cast<std::int64_t>(kCheckpointSamples)))),
                parent),
      program_(program) {
    setObjectName(QStringLiteral("stoppingRule"));
    precisionBox_ = new QCheckBox(tr("When p&recise: every interval within its rate +/-"));
    precisionBox_->setObjectName(QStringLiteral("stopPrecise"));
    precisionBox_->setToolTip(
        tr("Stop at the first checkpoint where every chosen test's 95% Clopper-Pearson interval "
           "lies within its rate plus or minus this half-width. In a study file: precision = H"));
    precisionField_ = new QLineEdit(QString::fromLatin1(kOfferedPrecision));
    precisionField_->setObjectName(QStringLiteral("stopPrecision"));
    precisionField_->setMaximumWidth(70);
    precisionField_->setToolTip(tr("A half-width above 0 and below .5, such as .005"));
    decideBox_ = new QComboBox;
    decideBox_->setObjectName(QStringLiteral("stopDecide"));
    // Item data: the DecideBand, so nothing is read back from the item's text.
    decideBox_->addItem(tr("No band"), static_cast<int>(DecideBand::None));
    decideBox_->addItem(tr("Bradley's band"), static_cast<int>(DecideBand::Bradley));
    decideBox_->addItem(tr("Robey & Barcikowski's band"),
                        static_cast<int>(DecideBand::RobeyBarcikowski));
    decideBox_->setToolTip(
        tr("Stop a run with equal means at the first checkpoint where every chosen test's "
           "interval lies wholly inside or wholly outside the band. In a study file: decide = "
           "bradley or robey"));
    auto* decideLabel = new QLabel(tr("When &decided against:"));
    decideLabel->setBuddy(decideBox_);
    refusal_ = new QLabel;
    refusal_->setObjectName(QStringLiteral("stopRefusal"));
    refusal_->setWordWrap(true);
    refusal_->setStyleSheet(QStringLiteral("color: rgb(128,0,0);"));
    refusal_->hide();
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("stopStatus"));
    status_->setWordWrap(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->addWidget(precisionBox_, 0, 0);
    grid->addWidget(precisionField_, 0, 1);
    grid->addWidget(decideLabel, 0, 2, Qt::AlignRight);
    grid->addWidget(decideBox_, 0, 3);
    grid->setColumnStretch(4, 1);
    grid->addWidget(refusal_, 1, 0, 1, 5);
    grid->addWidget(status_, 2, 0, 1, 5);

    connect(precisionBox_, &QCheckBox::toggled, this, &StoppingPanel::applyPrecision);
    // Taken on Enter or on leaving the field, as a typed value is.
    connect(precisionField_, &QLineEdit::editingFinished, this, [this] {
        if (precisionBox_->isChecked()) applyPrecision();
    });
    connect(decideBox_, &QComboBox::currentIndexChanged, this, [this] {
        program_.state().choices.stopping.decide =
            static_cast<DecideBand>(decideBox_->currentData().toInt());
        showStatus();
    });
    showChoice();
}

QString StoppingPanel::refusalText() const {
    return refusal_->isHidden() ? QString() : refusal_->text();
}

QString StoppingPanel::statusText() const {
    return status_->text();
}

void StoppingPanel::showChoice() {
    const StoppingChoice& rule = program_.state().choices.stopping;
    {
        const QSignalBlocker quietBox(precisionBox_);
        const QSignalBlocker quietBand(decideBox_);
        precisionBox_->setChecked(rule.precision.has_value());
        if (rule.precision)
            precisionField_->setText(QString::fromStdString(FormatGeneral(*rule.precision)));
        decideBox_->setCurrentIndex(decideBox_->findData(static_cast<int>(rule.decide)));
    }
    refusal_->hide();
    showStatus();
}

void StoppingPanel::applyPrecision() {
    // Disabling the focused field at the start of a run ends its editing:
    // what was typed then waits for the run to end, which reads the rule.
    if (working_) return;
    StoppingChoice& rule = program_.state().choices.stopping;
    if (!precisionBox_->isChecked()) {
        rule.precision.reset();
        refusal_->hide();
        showStatus();
        return;
    }
    if (const std::optional<double> h = ReadPrecision(precisionField_->text().toStdString())) {
        rule.precision = h;
        refusal_->hide();
    } else {
        // The rule in force stays, and the box says which: ticked only when a
        // half-width is in force. The typed text stays to be put right.
        refusal_->setText(QString::fromLatin1(kPrecisionMessage));
        refusal_->show();
        const QSignalBlocker quiet(precisionBox_);
        precisionBox_->setChecked(rule.precision.has_value());
    }
    showStatus();
}

void StoppingPanel::setWorking(bool working) {
    working_ = working;
    for (QWidget* control :
         {static_cast<QWidget*>(precisionBox_), static_cast<QWidget*>(precisionField_),
          static_cast<QWidget*>(decideBox_)})
        control->setEnabled(!working);
    progress_.clear();
    if (working) outcome_.clear();
    showStatus();
}

void StoppingPanel::showProgress(std::uint64_t completed) {
    const RunState& state = program_.state();
    progress_ = state.choices.stopping.any() ? StoppingProgressText(state, completed) : "";
    showStatus();
}

void StoppingPanel::showOutcome(const std::string& outcome) {
    outcome_ = outcome;
    showStatus();
}

void StoppingPanel::showStatus() {
    std::string text = StoppingTargetText(program_.state().choices.stopping);
    // Before a run, what the normal theory of F expects the rule to take.
    const StoppingChoice& rule = program_.state().choices.stopping;
    if (rule.any() && progress_.empty() && outcome_.empty()) {
        if (const std::optional<RunSettings> settings = program_.run().settingsAsTyped(false))
            text += "\n" + ExpectedSamplesText(ExpectSamples(*settings, rule));
    }
    for (const std::string* more : {&progress_, &outcome_})
        if (!more->empty()) text += "\n" + *more;
    status_->setText(QString::fromStdString(text));
}

}  // namespace velmor::app
