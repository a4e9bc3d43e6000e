#include "app/dialogs.hpp"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmor::app {

namespace {

const QColor kSilver(192, 192, 192);
const QColor kWhite(255, 255, 255);

void fillBackground(QWidget* widget, const QColor& colour) {
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

// A row holding one button in its middle.
QHBoxLayout* centred(QWidget* button) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button);
    row->addStretch(1);
    return row;
}

}  // namespace

ModelDialog::ModelDialog(ui::Form& form, bool fixedFrame, QWidget* parent)
    : QDialog(parent), view_(form), fixedFrame_(fixedFrame) {
    setObjectName(QString::fromStdString(form.name()));
    setWindowTitle(QString::fromStdString(form.caption()));
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(true);
    fillBackground(this, kSilver);
    if (fixedFrame_) setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
}

ui::ModalResult ModelDialog::showModal() {
    view_.refresh();
    return exec() == QDialog::Accepted ? ui::ModalResult::Ok : ui::ModalResult::Cancel;
}

void ModelDialog::closeEvent(QCloseEvent* event) {
    if (fixedFrame_) {
        event->ignore();  // only the dialog's own buttons close it
        return;
    }
    QDialog::closeEvent(event);
}

void ModelDialog::reject() {
    if (escapeButton_) {
        escapeButton_->click();
        return;
    }
    if (!fixedFrame_) QDialog::reject();
}

AboutDialog::AboutDialog(ui::AboutBox& model, QWidget* parent) : ModelDialog(model, true, parent) {
    FormView& v = view();
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("whitePanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    fillBackground(panel, kWhite);
    auto* name = v.create<QLabel>("Panel6", panel);
    QFont big = name->font();
    big.setPixelSize(72);
    big.setUnderline(true);
    name->setFont(big);
    auto* title = v.create<QLabel>("Panel1", panel);
    auto* owner = v.create<QLabel>("Panel2", panel);
    auto* contact = v.create<QLabel>("Panel3", panel);
    auto* web = v.create<QLabel>("Panel5", panel);
    web->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    web->setMargin(2);
    auto* texts = new QVBoxLayout(panel);
    texts->setContentsMargins(12, 8, 12, 12);
    for (QLabel* label : {name, title, owner, contact, web}) {
        label->setAlignment(Qt::AlignCenter);
        texts->addWidget(label);
    }
    auto* close = v.create<QPushButton>("BitBtn1", this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    close->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addLayout(centred(close));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    v.applyTabOrder();
}

RunDialog::RunDialog(ui::RunBox& model, QWidget* parent) : ModelDialog(model, true, parent) {
    FormView& v = view();
    auto* band = v.create<QLabel>("Panel1", this);
    band->setAlignment(Qt::AlignCenter);
    band->setFrameStyle(QFrame::Panel | QFrame::Raised);
    band->setMinimumHeight(28);
    QFont bandFont = band->font();
    bandFont.setPixelSize(14);
    bandFont.setBold(true);
    band->setFont(bandFont);
    band->setAutoFillBackground(true);
    auto* memo = v.create<QPlainTextEdit>("Memo1", this);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setFocusPolicy(Qt::NoFocus);
    memo->setFixedSize(380, 120);
    auto* ok = v.create<QPushButton>("BitBtn1", this);
    ok->setDefault(true);  // Enter presses OK
    ok->setMinimumWidth(80);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(band);
    layout->addWidget(memo);
    layout->addLayout(centred(ok));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    v.applyTabOrder();
}

PowerDialog::PowerDialog(ui::PowerBox& model, QWidget* parent) : ModelDialog(model, true, parent) {
    FormView& v = view();
    auto* grid = new QGridLayout;
    grid->addWidget(v.create("lblPower", this), 0, 0);
    auto* power = v.create<QLineEdit>("txtPower", this);
    power->setFixedWidth(70);
    grid->addWidget(power, 0, 1);
    auto* explanation = v.create<QLabel>("Label1", this);
    explanation->setWordWrap(true);
    explanation->setFixedWidth(300);
    grid->addWidget(explanation, 1, 0, 1, 2);
    grid->addWidget(v.create("lblssiter", this), 2, 0);
    auto* iterations = v.create<QLineEdit>("ssiterations", this);
    iterations->setFixedWidth(70);
    grid->addWidget(iterations, 2, 1);

    auto* ok = v.create<QPushButton>("btnOK", this);
    auto* cancel = v.create<QPushButton>("btnCancel", this);
    ok->setDefault(true);
    // The model's btnOKClick has run by the time this is called (the view's
    // connection comes first): it reads the power, even when it then reports
    // a text that is not a number, and the dialog still closes with OK.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, [this] { QDialog::reject(); });
    setEscapeButton(cancel);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    v.applyTabOrder();
}

UserDialog::UserDialog(ui::UserBox& model, QWidget* parent) : ModelDialog(model, false, parent) {
    FormView& v = view();
    auto* memo = v.create<QPlainTextEdit>("Memo1", this);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* close = v.create<QPushButton>("BitBtn1", this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(memo, 1);
    layout->addLayout(centred(close));
    resize(500, 350);
    v.applyTabOrder();
}

}  // namespace velmor::app
