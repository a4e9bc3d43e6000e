#include "app/shape_dialog.hpp"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <variant>

namespace velmor::app {

namespace {

// The combo box's first entry: no shape of its own.
constexpr int kNoShape = -1;

}  // namespace

ShapeDialog::ShapeDialog(const GroupShapes& current, QWidget* parent)
    : QDialog(parent), shapes_(current) {
    setObjectName(QStringLiteral("ShapeDialog"));
    setWindowTitle(tr("VELMOR: Population Shapes"));
    setModal(true);

    auto* intro = new QLabel(
        tr("A shape replaces a group's Normal or Uniform population. It is standardised and "
           "then given the group's mean and SD, so that means, SDs and effect sizes keep their "
           "meaning; the group's size, reliability, whole-number scores and minimum and maximum "
           "apply as for a normal group. Kurtosis is excess kurtosis (0 for the normal). "
           "The next run draws from the shapes chosen here; Reset to Defaults returns every "
           "group to normal."));
    intro->setWordWrap(true);

    auto* groups = new QHBoxLayout;
    const std::array<ShapeEntry, kGroups> start = EntriesOf(current);
    for (int g = 0; g < kGroups; ++g) {
        auto* box = new QGroupBox(tr("Group %1").arg(g + 1));
        box->setObjectName(QStringLiteral("shapeGroup%1").arg(g + 1));
        auto* form = new QGridLayout(box);
        form->setColumnStretch(1, 1);
        Row& row = rows_[g];
        row.family = new QComboBox;
        row.family->setObjectName(QStringLiteral("shapeFamily%1").arg(g + 1));
        row.family->addItem(tr("Normal or Uniform, as in the main window"), kNoShape);
        for (ShapeFamily family : kShapeFamilies)
            row.family->addItem(
                QString::fromUtf8(ShapeTitle(family).data(),
                                  static_cast<qsizetype>(ShapeTitle(family).size())),
                static_cast<int>(family));
        auto* shapeLabel = new QLabel(tr("Shape:"));
        shapeLabel->setBuddy(row.family);
        form->addWidget(shapeLabel, 0, 0);
        form->addWidget(row.family, 0, 1);
        for (int i = 0; i < 2; ++i) {
            row.labels[i] = new QLabel;
            row.fields[i] = new QLineEdit;
            row.fields[i]->setObjectName(
                QStringLiteral("shapeParameter%1_%2").arg(g + 1).arg(i + 1));
            row.labels[i]->setBuddy(row.fields[i]);
            // Room for two parameters in every group from the start: the
            // dialog keeps its size whichever family is chosen.
            for (QWidget* w :
                 {static_cast<QWidget*>(row.labels[i]), static_cast<QWidget*>(row.fields[i])}) {
                QSizePolicy policy = w->sizePolicy();
                policy.setRetainSizeWhenHidden(true);
                w->setSizePolicy(policy);
            }
            form->addWidget(row.labels[i], i + 1, 0);
            form->addWidget(row.fields[i], i + 1, 1);
        }
        const int index =
            start[g].family ? row.family->findData(static_cast<int>(*start[g].family)) : 0;
        row.family->setCurrentIndex(index);
        familyChosen(g);
        connect(row.family, &QComboBox::currentIndexChanged, this, [this, g] { familyChosen(g); });
        groups->addWidget(box);
    }

    refusal_ = new QLabel;
    refusal_->setObjectName(QStringLiteral("shapeRefusal"));
    refusal_->setWordWrap(true);
    refusal_->setStyleSheet(QStringLiteral("color: rgb(128,0,0); font-weight: bold;"));
    refusal_->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &ShapeDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ShapeDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(groups);
    layout->addWidget(refusal_);
    layout->addWidget(buttons);
    // Wide enough for the three groups side by side; the text wraps to it.
    setMinimumWidth(720);
}

void ShapeDialog::familyChosen(int group) {
    Row& row = rows_[group];
    const int data = row.family->currentData().toInt();
    std::vector<ShapeParameter> parameters;
    if (data != kNoShape) parameters = ShapeParameters(static_cast<ShapeFamily>(data));
    // The values the dialog opened with where the group had this family,
    // else the family's proposed ones.
    const std::optional<PopulationShape>& had = shapes_[group];
    const bool sameFamily =
        had && data != kNoShape && had->family == static_cast<ShapeFamily>(data);
    for (int i = 0; i < 2; ++i) {
        const bool used = i < static_cast<int>(parameters.size());
        row.labels[i]->setVisible(used);
        row.fields[i]->setVisible(used);
        if (!used) {
            row.labels[i]->clear();
            row.fields[i]->clear();
            continue;
        }
        const ShapeParameter& p = parameters[i];
        row.labels[i]->setText(
            QString::fromUtf8(p.label.data(), static_cast<qsizetype>(p.label.size())));
        row.fields[i]->setToolTip(
            tr("The study file's key: %1")
                .arg(QString::fromUtf8(p.key.data(), static_cast<qsizetype>(p.key.size()))));
        const double value = sameFamily ? (*had).*p.member : p.proposed;
        row.fields[i]->setText(QString::fromStdString(ParameterText(value)));
    }
}

std::array<ShapeEntry, kGroups> ShapeDialog::entries() const {
    std::array<ShapeEntry, kGroups> out{};
    for (int g = 0; g < kGroups; ++g) {
        const int data = rows_[g].family->currentData().toInt();
        if (data != kNoShape) out[g].family = static_cast<ShapeFamily>(data);
        for (int i = 0; i < 2; ++i) out[g].texts[i] = rows_[g].fields[i]->text().toStdString();
    }
    return out;
}

QString ShapeDialog::refusalText() const {
    return refusal_->isHidden() ? QString() : refusal_->text();
}

void ShapeDialog::accept() {
    auto read = ReadShapeEntries(entries());
    if (const auto* error = std::get_if<ShapeEntryError>(&read)) {
        // The dialog stays open with the entries as typed, so that the user
        // can put the one value right; nothing is taken.
        refusal_->setText(
            tr("Group %1: %2").arg(error->group + 1).arg(QString::fromStdString(error->message)));
        refusal_->show();
        QWidget* focus = error->parameter >= 0
                             ? static_cast<QWidget*>(rows_[error->group].fields[error->parameter])
                             : rows_[error->group].family;
        focus->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(focus)) edit->selectAll();
        return;
    }
    shapes_ = std::get<GroupShapes>(read);
    refusal_->clear();
    refusal_->hide();
    QDialog::accept();
}

}  // namespace velmor::app
