#include "app/form_view.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QToolButton>
#include <QToolTip>
#include <stdexcept>
#include <string>

namespace velmor::app {

using ui::Aspect;
using ui::ControlKind;

namespace {

constexpr unsigned bit(Aspect aspect) {
    return 1u << static_cast<unsigned>(aspect);
}

QColor toQColor(ui::Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QString toQString(const std::string& text) {
    return QString::fromStdString(text);
}

// The title of a group box whose caption is empty: a zero-width space, which
// takes a line's height and no width.
const QString kCaptionRoom = QString(QChar(0x200B));

// A group box that keeps its caption's room when it has no caption (see
// applyText) and then draws its frame unbroken, as a box without a caption
// looks, at the place it has with one.
class GroupBox : public QGroupBox {
  public:
    using QGroupBox::QGroupBox;

  protected:
    void paintEvent(QPaintEvent* event) override {
        if (title() != kCaptionRoom) {
            QGroupBox::paintEvent(event);
            return;
        }
        QStylePainter painter(this);
        QStyleOptionGroupBox box;
        initStyleOption(&box);
        QStyleOptionFrame frame;
        frame.QStyleOption::operator=(box);
        frame.features = box.features;
        frame.lineWidth = box.lineWidth;
        frame.midLineWidth = box.midLineWidth;
        frame.rect =
            style()->subControlRect(QStyle::CC_GroupBox, &box, QStyle::SC_GroupBoxFrame, this);
        painter.drawPrimitive(QStyle::PE_FrameGroupBox, frame);
    }
};

// A single-line field that shows a number from its first character. Qt
// scrolls a line edit to its cursor, which setText puts at the end, so a
// number wider than the field lost its leading digits ("500.650" for
// 2500.650) and a typed seed its minus sign. Out of focus the field shows
// its start; where the text is wider than the field it draws a mark at the
// cut, and its tool tip gives the whole text above the field's hint.
class FieldEdit : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;

    // Whether the text is wider than the room the field gives it.
    bool cut() const {
        QStyleOptionFrame option;
        initStyleOption(&option);
        const QRect room = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                               .marginsRemoved(textMargins());
        // Qt keeps two pixels free at either side of the text.
        return fontMetrics().horizontalAdvance(text()) > room.width() - 4;
    }

    // The tool tip as shown: the whole text first when it is cut.
    QString shownToolTip() const {
        if (!cut()) return toolTip();
        return toolTip().isEmpty() ? text() : text() + QLatin1Char('\n') + toolTip();
    }

  protected:
    void focusOutEvent(QFocusEvent* event) override {
        QLineEdit::focusOutEvent(event);
        setCursorPosition(0);
    }

    void paintEvent(QPaintEvent* event) override {
        QLineEdit::paintEvent(event);
        if (hasFocus() || !cut()) return;
        // An ellipsis on the field's own background in place of the
        // characters that do not fit whole: the reader sees that more follows.
        QStyleOptionFrame option;
        initStyleOption(&option);
        const QRect room = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                               .marginsRemoved(textMargins());
        const QString mark(QChar(0x2026));
        const int markWidth = fontMetrics().horizontalAdvance(mark);
        const int left = room.left() + 2;  // where Qt starts the text
        const QString shown = text();
        qsizetype whole = 0;
        while (whole < shown.size() &&
               fontMetrics().horizontalAdvance(shown.left(whole + 1)) + markWidth <=
                   room.width() - 4)
            ++whole;
        const int cutAt = left + fontMetrics().horizontalAdvance(shown.left(whole));
        const QRect markRect(cutAt, room.top(), room.right() - cutAt + 1, room.height());
        const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
        QPainter painter(this);
        painter.fillRect(markRect, palette().color(group, QPalette::Base));
        painter.setPen(palette().color(group, QPalette::Text));
        painter.drawText(markRect, Qt::AlignLeft | Qt::AlignVCenter, mark);
    }

    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip && cut()) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), shownToolTip(), this);
            return true;
        }
        return QLineEdit::event(event);
    }
};

// Memos keep their lines separated by CR LF in the model; Qt's text boxes use LF.
QString memoText(const std::string& text) {
    QString s = toQString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

// Shows the model's check state on a button without a signal. Qt would refuse
// to uncheck the checked button of an exclusive pair (the model may leave both
// off) and would uncheck its partner by itself; the model decides both.
void showChecked(QAbstractButton* button, bool checked) {
    const QSignalBlocker block(button);
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(checked);
    button->setAutoExclusive(exclusive);
}

bool takesKeyboardFocus(ControlKind kind) {
    switch (kind) {
        case ControlKind::Edit:
        case ControlKind::Memo:
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
        case ControlKind::Button:
        case ControlKind::FlatButton:
            return true;
        default:
            return false;
    }
}

QWidget* makeWidget(const ui::Control& control, QWidget* parent) {
    switch (control.kind()) {
        case ControlKind::GroupBox:
            return new GroupBox(parent);
        case ControlKind::Panel:
            if (control.text().empty()) return new QFrame(parent);
            return new QLabel(parent);
        case ControlKind::Label:
            return new QLabel(parent);
        case ControlKind::Edit:
            return new FieldEdit(parent);
        case ControlKind::CheckBox:
            return new QCheckBox(parent);
        case ControlKind::RadioButton: {
            // An exclusive pair in Qt's sense too (the two buttons of a pair
            // are the only ones in their box), so that assistive tools report
            // radio buttons and the arrow keys move within the pair. The model
            // decides what is checked: applyChecked overrides Qt's grouping.
            auto* radio = new QRadioButton(parent);
            radio->setAutoExclusive(true);
            return radio;
        }
        case ControlKind::Memo:
            return new QPlainTextEdit(parent);
        case ControlKind::Button:
            return new QPushButton(parent);
        case ControlKind::FlatButton: {
            auto* button = new QToolButton(parent);
            button->setAutoRaise(true);
            return button;
        }
    }
    return new QWidget(parent);
}

}  // namespace

FormView::FormView(ui::Form& form, QObject* parent) : QObject(parent), form_(form) {
    entries_.reserve(form_.controls().size());
    for (const ui::Control& c : form_.controls()) {
        byControl_.emplace(&c, entries_.size());
        entries_.push_back({const_cast<ui::Control*>(&c), nullptr, 0});
    }
    dirty_.reserve(entries_.size());
    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(kRefreshDelayMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &FormView::refresh);
    form_.setListener([this](const ui::Control& c, Aspect a) { markDirty(c, a); });
    form_.setFocusListener([this](const ui::Control*) { markFocusDirty(); });
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { onFocusChanged(now); });
}

FormView::~FormView() {
    form_.setListener(nullptr);
    form_.setFocusListener(nullptr);
}

QWidget* FormView::create(std::string_view name, QWidget* parent) {
    ui::Control& control = form_.control(name);
    Entry& entry = entries_[byControl_.at(&control)];
    if (entry.widget) throw std::logic_error("widget created twice for " + control.name());
    QWidget* w = makeWidget(control, parent);
    w->setObjectName(toQString(control.name()));
    entry.widget = w;
    byWidget_.emplace(w, byControl_.at(&control));

    QFont font = QApplication::font();
    font.setBold(control.bold());
    w->setFont(font);
    // Hidden controls keep their place, so the layout does not jump when a
    // run shows the stop button or a bound field appears.
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);

    if (takesKeyboardFocus(control.kind()))
        w->setFocusPolicy(control.tabStop() ? Qt::StrongFocus : Qt::ClickFocus);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setTextFormat(Qt::PlainText);
        Qt::Alignment horizontal = Qt::AlignLeft;
        if (control.alignRight()) horizontal = Qt::AlignRight;
        if (control.centred()) horizontal = Qt::AlignHCenter;
        label->setAlignment(horizontal | Qt::AlignVCenter);
    }
    // Boxes and panels paint their own background (aqua for the results once
    // a run has judged them); the labels in them show it through.
    if (control.kind() == ControlKind::GroupBox || control.kind() == ControlKind::Panel)
        w->setAutoFillBackground(true);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setReadOnly(control.readOnly());
    if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) memo->setReadOnly(control.readOnly());

    const bool wasMirroring = mirroring_;
    mirroring_ = true;
    apply(entry, ~0u);
    mirroring_ = wasMirroring;
    wireUserActions(entry);
    return w;
}

QWidget* FormView::widget(std::string_view name) const {
    for (const Entry& e : entries_)
        if (e.control->name() == name) return e.widget;
    return nullptr;
}

ui::Control* FormView::controlOf(const QWidget* widget) const {
    auto it = byWidget_.find(widget);
    return it == byWidget_.end() ? nullptr : entries_[it->second].control;
}

void FormView::applyTabOrder() {
    QWidget* previous = nullptr;
    for (const Entry& e : entries_) {
        if (!e.widget || !takesKeyboardFocus(e.control->kind()) || !e.control->tabStop()) continue;
        if (previous) QWidget::setTabOrder(previous, e.widget);
        previous = e.widget;
    }
}

FormView::Entry* FormView::entryOf(const ui::Control& control) {
    auto it = byControl_.find(&control);
    return it == byControl_.end() ? nullptr : &entries_[it->second];
}

void FormView::markDirty(const ui::Control& control, Aspect aspect) {
    Entry* entry = entryOf(control);
    if (!entry || !entry->widget) return;
    if (entry->pending == 0) dirty_.push_back(static_cast<std::size_t>(entry - entries_.data()));
    entry->pending |= bit(aspect);
    scheduleRefresh();
}

void FormView::markFocusDirty() {
    if (mirroring_) return;  // the user moved the focus; the widget has it already
    focusDirty_ = true;
    scheduleRefresh();
}

void FormView::scheduleRefresh() {
    if (!refreshTimer_.isActive()) refreshTimer_.start();
}

void FormView::refresh() {
    // Everything pending is applied now: the next change starts a new delay.
    refreshTimer_.stop();
    if (pending()) applyPending();
    emit refreshed();
}

void FormView::applyPending() {
    const bool wasMirroring = mirroring_;
    mirroring_ = true;
    // Entries may be marked again while widgets change (Qt moving the focus
    // off a hidden widget); index loop, since dirty_ may grow meanwhile.
    for (std::size_t i = 0; i < dirty_.size(); ++i) {
        Entry& entry = entries_[dirty_[i]];
        const unsigned aspects = entry.pending;
        entry.pending = 0;
        apply(entry, aspects);
    }
    dirty_.clear();
    // Focus last: the field a rule focuses has usually just been enabled.
    if (focusDirty_) {
        focusDirty_ = false;
        if (const ui::Control* focus = form_.focus())
            if (Entry* entry = entryOf(*focus); entry && entry->widget)
                entry->widget->setFocus(Qt::OtherFocusReason);
    }
    mirroring_ = wasMirroring;
}

void FormView::apply(Entry& entry, unsigned aspects) {
    QWidget* w = entry.widget;
    const ui::Control& c = *entry.control;
    if (aspects & bit(Aspect::Text)) applyText(entry);
    if (aspects & bit(Aspect::Checked)) applyChecked(entry);
    if (aspects & (bit(Aspect::Background) | bit(Aspect::FontColor))) applyColours(entry);
    if (aspects & bit(Aspect::Hint)) w->setToolTip(toQString(c.hint()));
    if (aspects & bit(Aspect::Enabled)) w->setEnabled(c.enabled());
    // Child widgets only: a visible child of a window not yet shown appears
    // with the window.
    if (aspects & bit(Aspect::Visible)) w->setVisible(c.visible());
}

void FormView::applyText(const Entry& entry) {
    QWidget* w = entry.widget;
    const std::string& text = entry.control->text();
    const QSignalBlocker block(w);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        const QString s = toQString(text);
        if (edit->text() != s) {
            edit->setText(s);
            // setText leaves the cursor, and the view, at the end.
            if (!edit->hasFocus()) edit->setCursorPosition(0);
        }
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
        const QString s = memoText(text);
        if (memo->toPlainText() != s) memo->setPlainText(s);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(toQString(text));
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
        // A box without a caption keeps the caption's room, so that neither
        // the box nor what it holds moves when a caption comes or goes.
        box->setTitle(text.empty() ? kCaptionRoom : toQString(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(toQString(text));
    }
}

void FormView::applyChecked(const Entry& entry) {
    if (auto* button = qobject_cast<QAbstractButton*>(entry.widget))
        if (button->isCheckable()) showChecked(button, entry.control->checked());
}

void FormView::applyColours(const Entry& entry) {
    const ui::Control& c = *entry.control;
    const QColor background = toQColor(c.background());
    const QColor foreground = toQColor(c.fontColor());
    // Every role a widget paints with is set, so nothing is inherited from the
    // enclosing box (whose caption is green) by accident.
    QPalette p = entry.widget->palette();
    const QPalette base = QApplication::palette();
    const QColor greyText = base.color(QPalette::Disabled, QPalette::WindowText);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor text = group == QPalette::Disabled ? greyText : foreground;
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::ButtonText, text);
        switch (c.kind()) {
            case ControlKind::Edit:
            case ControlKind::Memo:
                p.setColor(group, QPalette::Base, background);
                p.setColor(group, QPalette::Window, base.color(group, QPalette::Window));
                p.setColor(group, QPalette::Button, base.color(group, QPalette::Button));
                break;
            default:
                p.setColor(group, QPalette::Window, background);
                p.setColor(group, QPalette::Button, background);
                p.setColor(group, QPalette::Base, base.color(group, QPalette::Base));
                break;
        }
    }
    entry.widget->setPalette(p);
}

template <class Action>
void FormView::forward(Action&& action) {
    action();
    refresh();
}

void FormView::wireUserActions(Entry& entry) {
    ui::Control* control = entry.control;
    QWidget* w = entry.widget;
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        // textEdited comes from the user only, never from setText.
        connect(edit, &QLineEdit::textEdited, this, [this, control](const QString& text) {
            forward([&] { control->setText(text.toStdString()); });
        });
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
        connect(memo, &QPlainTextEdit::textChanged, this, [this, control, memo] {
            if (mirroring_ || memo->isReadOnly()) return;
            forward([&] { control->setText(memo->toPlainText().toStdString()); });
        });
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        connect(button, &QAbstractButton::clicked, this, [this, control, button] {
            forward([&] { control->click(); });
            // Qt toggled the box itself; the model decides what it shows (a
            // click on a checked radio button leaves it checked, for one).
            if (button->isCheckable()) showChecked(button, control->checked());
        });
    }
}

void FormView::onFocusChanged(QWidget* now) {
    if (mirroring_ || !now) return;
    auto it = byWidget_.find(now);
    if (it == byWidget_.end()) return;
    mirroring_ = true;
    form_.setFocus(entries_[it->second].control);
    mirroring_ = false;
}

}  // namespace velmor::app
