#include "app/shapes_panel.hpp"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "analysis/choice_tables.hpp"
#include "app/shape_dialog.hpp"

namespace velmor::app {

ShapesPanel::ShapesPanel(Program& program, QWidget* parent) : QWidget(parent), program_(program) {
    choice_ = new QLabel;
    choice_->setObjectName(QStringLiteral("shapeChoice"));
    choice_->setWordWrap(true);
    choose_ = new QPushButton(tr("C&hoose Shapes..."));
    choose_->setObjectName(QStringLiteral("chooseShapes"));
    choose_->setToolTip(
        tr("Give any group a skewed or heavy-tailed population instead of normal or uniform"));
    connect(choose_, &QPushButton::clicked, this, [this] { chooseShapes(); });

    note_ = new QLabel;
    note_->setObjectName(QStringLiteral("shapesNote"));
    note_->setWordWrap(true);
    table_ = new QTableWidget;
    table_->setObjectName(QStringLiteral("shapesTable"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->setWordWrap(false);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);

    auto* top = new QHBoxLayout;
    top->addWidget(choice_, 1);
    top->addWidget(choose_, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(note_);
    layout->addWidget(table_, 1);
    showChoices();
    showAchieved(RunResult(), GroupShapes{}, false);
}

QString ShapesPanel::choiceText() const {
    return choice_->text();
}

QString ShapesPanel::noteText() const {
    return note_->text();
}

void ShapesPanel::showChoices() {
    const std::string chosen = ShapeChoiceText(program_.state().choices.shapes);
    choice_->setText(chosen.empty() ? tr("Next run: every group normal or uniform, as the main "
                                         "window sets it.")
                                    : tr("Next run: %1; any other group as the main window "
                                         "sets it.")
                                          .arg(QString::fromStdString(chosen)));
}

void ShapesPanel::setWorking(bool working) {
    choose_->setEnabled(!working);
}

void ShapesPanel::chooseShapes(QWidget* over) {
    // The dialog stands over the window it was asked from.
    ShapeDialog dialog(program_.state().choices.shapes, over ? over : this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (dialog.shapes() == program_.state().choices.shapes) return;
    program_.state().choices.shapes = dialog.shapes();
    showChoices();
    emit shapesChanged();
}

void ShapesPanel::showAchieved(const RunResult& result, const GroupShapes& shapesOfRun,
                               bool hasResult) {
    const TextTable table = AchievedShapeTable(result, shapesOfRun);
    table_->clear();
    table_->setColumnCount(static_cast<int>(table.columns.size()));
    table_->setRowCount(static_cast<int>(table.rows.size()));
    QStringList heads;
    for (const std::string& c : table.columns) heads << QString::fromStdString(c);
    table_->setHorizontalHeaderLabels(heads);
    for (int r = 0; r < static_cast<int>(table.rows.size()); ++r)
        for (int c = 0; c < static_cast<int>(table.rows[r].size()); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(table.rows[r][c]));
            item->setTextAlignment(Qt::AlignVCenter | (c == 1 ? Qt::AlignLeft : Qt::AlignRight));
            table_->setItem(r, c, item);
        }
    table_->resizeColumnsToContents();
    if (!hasResult)
        note_->setText(
            tr("After a run, each shaped group's target skewness and excess kurtosis "
               "stand here beside those its true scores achieved."));
    else if (table.rows.empty())
        note_->setText(tr("The last run drew every group from a normal or uniform population."));
    else
        note_->setText(
            tr("The last run: target and achieved moments of the true scores of each "
               "shaped group, over every score it generated."));
}

}  // namespace velmor::app
