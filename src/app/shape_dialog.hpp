#pragma once
// The Population Shapes dialog: for each group, normal or uniform as the
// main window sets it, or one of the shapes a study file can choose, with its
// parameters. OK takes the three groups' entries only when every one can be
// drawn; a shape no distribution has is refused in the dialog with the
// message a study file gets, and the earlier choice stays. The dialog shows
// and forwards; reading and refusing are the program's (shape_choices).

#include <QDialog>
#include <array>

#include "program/shape_choices.hpp"

class QComboBox;
class QLabel;
class QLineEdit;

namespace velmor::app {

class ShapeDialog : public QDialog {
    Q_OBJECT
  public:
    ShapeDialog(const GroupShapes& current, QWidget* parent = nullptr);

    // The shapes taken by OK; the ones the dialog opened with until then.
    const GroupShapes& shapes() const { return shapes_; }

    QComboBox* familyBox(int group) const { return rows_[group].family; }
    QLineEdit* field(int group, int parameter) const { return rows_[group].fields[parameter]; }
    QLabel* fieldLabel(int group, int parameter) const { return rows_[group].labels[parameter]; }
    // The refusal of the last OK, as shown in the dialog; empty when none.
    QString refusalText() const;

    void accept() override;

  private:
    struct Row {
        QComboBox* family = nullptr;
        std::array<QLabel*, 2> labels{};
        std::array<QLineEdit*, 2> fields{};
    };
    // Shows the parameters of the row's family, proposing its values where
    // the row held another family.
    void familyChosen(int group);
    std::array<ShapeEntry, kGroups> entries() const;

    GroupShapes shapes_;
    std::array<Row, kGroups> rows_;
    QLabel* refusal_ = nullptr;
};

}  // namespace velmor::app
