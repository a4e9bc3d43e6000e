#include "app/main_window_view.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "app/key_text.hpp"

namespace velmor::app {

using ui::ControlKind;

namespace {

// Pixel sizes of the window's grid; the boxes share one width.
constexpr int kGroupFieldWidth = 46;
constexpr int kResultFieldWidth = 48;
constexpr int kSeedFieldWidth = 70;
constexpr int kBoxSpacing = 3;
constexpr int kEditHeight = 20;
constexpr int kMemoMinimumHeight = 80;

QString menuText(const ui::MenuItem& item) {
    QString text = QString::fromStdString(item.caption());
    // The shortcut is shown after a tab, which Qt's menus draw in the key
    // column; it is not registered with Qt, so the model's rule alone decides
    // what a key does (two items carry F2).
    if (!item.shortcut().empty())
        text += QLatin1Char('\t') + QString::fromStdString(item.shortcut());
    return text;
}

// Gives a field the caption beside it as the name assistive tools read: a
// label becomes its buddy (its text is read as it changes), a check box's
// caption becomes its accessible name.
void nameAfter(QWidget* caption, QWidget* field) {
    if (auto* label = qobject_cast<QLabel*>(caption)) {
        label->setBuddy(field);
    } else if (auto* button = qobject_cast<QAbstractButton*>(caption)) {
        QString text = button->text();
        text.remove(QLatin1Char('&'));
        field->setAccessibleName(text);
    }
}

std::vector<const ui::Control*> childrenOf(const ui::Form& form, const std::string& parent) {
    std::vector<const ui::Control*> out;
    for (const ui::Control& c : form.controls())
        if (c.parent() == parent) out.push_back(&c);
    return out;
}

}  // namespace

MainWindowView::MainWindowView(ui::MainWindow& model, Commands commands, QWidget* parent)
    : QMainWindow(parent), model_(model), commands_(std::move(commands)), view_(model) {
    setObjectName(QString::fromStdString(model.name()));
    setWindowTitle(QString::fromStdString(model.caption()));
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(p);
    setAutoFillBackground(true);

    createControls();
    createLayout();
    createMenus();
    view_.applyTabOrder();

    closeRetry_.setInterval(10);
    connect(&closeRetry_, &QTimer::timeout, this, &MainWindowView::retryClose);
    qApp->installEventFilter(this);
}

MainWindowView::~MainWindowView() {
    qApp->removeEventFilter(this);
    model_.menus().setListener(nullptr);
}

void MainWindowView::createControls() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("clientArea"));
    setCentralWidget(central);
    // In creation order, which Qt also takes as the first focus chain.
    for (const ui::Control& c : model_.controls()) {
        QWidget* parent = c.parent().empty() ? central : view_.widget(c.parent());
        view_.create(c.name(), parent);
    }
    // Labels that the window shows on two lines.
    for (const char* name : {"Label7", "lblseed", "Label5"})
        view_.widgetAs<QLabel>(name)->setWordWrap(true);
    // Nothing ever shows the two-tailed choice; it takes no room.
    QWidget* twoTail = view_.widget("rdoTwotail");
    QSizePolicy policy = twoTail->sizePolicy();
    policy.setRetainSizeWhenHidden(false);
    twoTail->setSizePolicy(policy);
    auto* memo = view_.widgetAs<QPlainTextEdit>("memoresults");
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The memo takes the room its column gives it; it does not widen the column.
    memo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    memo->setMinimumHeight(kMemoMinimumHeight);
    memo->setAccessibleDescription(
        tr("Page Up and Page Down scroll the results from anywhere in the window"));
    // Compact rows, as in a dense dialog-unit layout.
    for (const ui::Control& c : model_.controls())
        if (c.kind() == ControlKind::Edit) view_.widget(c.name())->setFixedHeight(kEditHeight);
    seedField_ = view_.widget("txtseed");
}

void MainWindowView::layoutInRows(const std::string& box, int fieldWidth) {
    // Rows read from the model's order: a label or check box followed by an
    // edit shares a row with it (the edit at the right edge); a label followed
    // by radio buttons shares a row with them; anything else spans the box.
    QWidget* boxWidget = view_.widget(box);
    auto* grid = new QGridLayout(boxWidget);
    grid->setContentsMargins(4, 2, 4, 3);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    grid->setColumnStretch(0, 1);
    const std::vector<const ui::Control*> children = childrenOf(model_, box);
    int row = 0;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const ui::Control& c = *children[i];
        QWidget* w = view_.widget(c.name());
        const ui::Control* next = i + 1 < children.size() ? children[i + 1] : nullptr;
        const bool leftOfField =
            c.kind() == ControlKind::Label || c.kind() == ControlKind::CheckBox;
        if (leftOfField && next && next->kind() == ControlKind::Edit) {
            QWidget* field = view_.widget(next->name());
            field->setFixedWidth(fieldWidth);
            nameAfter(w, field);
            grid->addWidget(w, row, 0);
            grid->addWidget(field, row, 1, Qt::AlignRight);
            ++i;
        } else if (c.kind() == ControlKind::Label && next &&
                   next->kind() == ControlKind::RadioButton) {
            auto* line = new QHBoxLayout;
            line->setSpacing(6);
            line->addWidget(w);
            while (i + 1 < children.size() && children[i + 1]->kind() == ControlKind::RadioButton)
                line->addWidget(view_.widget(children[++i]->name()));
            line->addStretch(1);
            grid->addLayout(line, row, 0, 1, 2);
        } else if (c.kind() == ControlKind::Edit) {
            w->setFixedWidth(fieldWidth);
            grid->addWidget(w, row, 1, Qt::AlignRight);
        } else {
            grid->addWidget(w, row, 0, 1, 2);
        }
        ++row;
    }
    grid->setRowStretch(row, 1);
}

void MainWindowView::layoutResults() {
    auto* grid = new QGridLayout(view_.widget("boxresults"));
    grid->setContentsMargins(4, 2, 4, 3);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    const char* heads[] = {"Label8", "Label9", "Label13"};
    const char* fields[] = {"txtrej1", "txtprop1", "txtalphaused"};
    // The middle head is the widest when a run names it "Actual POWER".
    const int stretch[] = {10, 12, 10};
    for (int col = 0; col < 3; ++col) {
        // Three heads and fields share the column's width in fixed parts,
        // whatever the heads read ("Proportion", "Actual POWER").
        QWidget* head = view_.widget(heads[col]);
        head->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        grid->addWidget(head, 0, col);
        QWidget* field = view_.widget(fields[col]);
        field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        nameAfter(head, field);
        field->setMinimumWidth(kGroupFieldWidth);
        grid->addWidget(field, 1, col);
        grid->setColumnStretch(col, stretch[col]);
    }
    grid->addWidget(view_.widget("memoresults"), 2, 0, 1, 3);
    grid->setRowStretch(2, 1);
}

void MainWindowView::layoutRunPanel() {
    auto* grid = new QGridLayout(view_.widget("pnlCount"));
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(3);
    grid->addWidget(view_.widget("Label7"), 0, 0);
    QWidget* run = view_.widget("SpeedButtonRun");
    run->setMinimumWidth(36);
    grid->addWidget(run, 0, 1);
    grid->addWidget(view_.widget("btnStopRun"), 1, 0, 1, 2);
    grid->setColumnStretch(0, 1);
}

void MainWindowView::createLayout() {
    for (int g = 1; g <= 3; ++g) layoutInRows("boxgroup" + std::to_string(g), kGroupFieldWidth);
    layoutInRows("boxsamplingdistributions", kResultFieldWidth);
    layoutInRows("boxhypothesistesting", kGroupFieldWidth);
    layoutInRows("boxmontecarlo", kSeedFieldWidth);
    layoutResults();
    layoutRunPanel();
    // "Seeds for Successive Analyses" reads as the second line of the check
    // box's caption: indent it to the caption's text.
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                          style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    view_.widget("Label1")->setContentsMargins(indicator, 0, 0, 0);

    auto* grid = new QGridLayout(centralWidget());
    grid->setContentsMargins(kBoxSpacing, kBoxSpacing, kBoxSpacing, kBoxSpacing);
    grid->setSpacing(kBoxSpacing);
    for (int g = 1; g <= 2; ++g)
        grid->addWidget(view_.widget("boxgroup" + std::to_string(g)), 0, g - 1);
    grid->addWidget(view_.widget("boxsamplingdistributions"), 1, 0);
    auto* middle = new QVBoxLayout;
    middle->setSpacing(kBoxSpacing);
    middle->addWidget(view_.widget("boxhypothesistesting"));
    middle->addWidget(view_.widget("boxmontecarlo"), 1);
    grid->addLayout(middle, 1, 1);
    auto* right = new QVBoxLayout;
    right->setSpacing(kBoxSpacing);
    right->addWidget(view_.widget("boxresults"), 1);
    right->addWidget(view_.widget("pnlCount"));
    // The right column reaches the bottom edge: the room a larger window
    // adds below the inputs goes to the results box.
    grid->addLayout(right, 1, 2, 2, 1);

    // Three columns of one width: the widest box of inputs sets it; the
    // results box and the run panel fit themselves into their column.
    int width = 0;
    for (const char* box : {"boxgroup1", "boxgroup2", "boxgroup3", "boxsamplingdistributions",
                            "boxhypothesistesting", "boxmontecarlo"})
        width = std::max(width, view_.widget(box)->sizeHint().width());
    for (int col = 0; col < 3; ++col) grid->setColumnMinimumWidth(col, width);
    // At its smallest the window is the grid as drawn at start; the inputs
    // keep their size in a larger one, and the results take the room.
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(2, 1);
    for (const char* box : {"boxgroup1", "boxgroup2", "boxgroup3", "boxsamplingdistributions",
                            "boxhypothesistesting", "boxmontecarlo"})
        view_.widget(box)->setFixedWidth(width);
    grid->addWidget(view_.widget("boxgroup3"), 0, 2, Qt::AlignLeft);
    grid->setSizeConstraint(QLayout::SetMinimumSize);
}

void MainWindowView::createMenus() {
    QMenuBar* bar = menuBar();
    std::map<std::pair<const ui::MenuItem*, int>, QActionGroup*> radioGroups;
    for (const auto& top : model_.menus().root().items()) {
        ui::MenuItem* menuItem = top.get();
        QAction* topAction = nullptr;
        if (menuItem->items().empty()) {
            // The blank last entry: a menu with nothing in it.
            topAction = bar->addAction(QString::fromStdString(menuItem->caption()));
        } else {
            QMenu* menu = bar->addMenu(QString::fromStdString(menuItem->caption()));
            menu->setObjectName(QString::fromStdString(menuItem->name()));
            // Qt hides a separator that opens a menu unless told not to; the
            // File menu opens with its divider. Hidden separators stay hidden.
            menu->setSeparatorsCollapsible(false);
            menus_.emplace(menuItem, menu);
            topAction = menu->menuAction();
            for (const auto& child : menuItem->items()) {
                ui::MenuItem* item = child.get();
                QAction* action = item->kind() == ui::MenuItemKind::Separator
                                      ? menu->addSeparator()
                                      : menu->addAction(menuText(*item));
                action->setObjectName(QString::fromStdString(item->name()));
                action->setStatusTip(QString::fromStdString(item->hint()));
                if (item->checkable()) {
                    action->setCheckable(true);
                    if (item->radioGroup() != 0) {
                        QActionGroup*& group = radioGroups[{menuItem, item->radioGroup()}];
                        if (!group) group = new QActionGroup(menu);
                        group->addAction(action);
                    }
                }
                if (item->kind() == ui::MenuItemKind::Command)
                    connect(action, &QAction::triggered, this,
                            [this, item] { triggerMenuItem(*item); });
                actions_.emplace(item, action);
                applyMenuItem(*item);
            }
        }
        topAction->setObjectName(QString::fromStdString(menuItem->name()));
        topAction->setStatusTip(QString::fromStdString(menuItem->hint()));
        actions_.emplace(menuItem, topAction);
        applyMenuItem(*menuItem);
    }
    // Menu changes made by code are drawn by the controls' own refresh: a run
    // hides the menus and locks the controls in one pass, so the window never
    // shows one without the other, and a short run need not draw either.
    menuDirty_.reserve(actions_.size());
    connect(&view_, &FormView::refreshed, this, &MainWindowView::refreshMenus);
    model_.menus().setListener([this](const ui::MenuItem& item) {
        if (std::find(menuDirty_.begin(), menuDirty_.end(), &item) == menuDirty_.end())
            menuDirty_.push_back(&item);
        view_.scheduleRefresh();
    });
}

void MainWindowView::applyMenuItem(const ui::MenuItem& item) {
    auto it = actions_.find(&item);
    if (it == actions_.end()) return;
    QAction* action = it->second;
    const QSignalBlocker block(action);
    if (auto menu = menus_.find(&item); menu != menus_.end())
        menu->second->setTitle(QString::fromStdString(item.caption()));
    else if (item.kind() != ui::MenuItemKind::Separator)
        action->setText(menuText(item));
    action->setEnabled(item.enabled());
    action->setVisible(item.visible());
    if (item.checkable()) action->setChecked(item.checked());
}

void MainWindowView::triggerMenuItem(ui::MenuItem& item) {
    item.trigger();
    // Qt ticked the item itself; the model's marks are what the menu shows.
    applyMenuItem(item);
    if (item.parent())
        for (const auto& sibling : item.parent()->items()) applyMenuItem(*sibling);
    refresh();
}

QAction* MainWindowView::action(std::string_view item) const {
    for (const auto& [menuItem, action] : actions_)
        if (menuItem->name() == item) return action;
    return nullptr;
}

QMenu* MainWindowView::menu(std::string_view item) const {
    for (const auto& [menuItem, menu] : menus_)
        if (menuItem->name() == item) return menu;
    return nullptr;
}

void MainWindowView::refresh() {
    view_.refresh();
}

void MainWindowView::refreshMenus() {
    for (const ui::MenuItem* item : menuDirty_) applyMenuItem(*item);
    menuDirty_.clear();
}

void MainWindowView::showShapeNote(const QString& text, const QString& brief, const QString& tip) {
    if (text.isEmpty()) {
        if (shapeNote_) shapeNote_->hide();
        return;
    }
    if (!shapeNote_) {
        // Made on first use, beside the menus in the menu bar's free right
        // end: it takes none of the form's room, so the window keeps its
        // size and layout, and the form's controls stay as they are.
        shapeNote_ = new QLabel(menuBar());
        shapeNote_->setObjectName(QStringLiteral("shapeNote"));
        // By name: the tool tip, a label too, keeps the usual look.
        shapeNote_->setStyleSheet(
            QStringLiteral("QLabel#shapeNote { color: rgb(128,0,0); font-weight: bold; }"));
        shapeNote_->setContentsMargins(6, 0, 6, 0);
        shapeNote_->setTextFormat(Qt::PlainText);
        shapeNote_->setAlignment(Qt::AlignVCenter | Qt::AlignRight);
        shapeNote_->setCursor(Qt::PointingHandCursor);
        menuBar()->setCornerWidget(shapeNote_, Qt::TopRightCorner);
    }
    // The menus keep their room: a note too long for the rest of the bar
    // gives way to the brief one (which still names every shaped group),
    // and that, at worst, is shortened; the tip has it all.
    const int room =
        std::max(80, width() - menuBar()->actionGeometry(menuBar()->actions().last()).right() - 36);
    const QFontMetrics metrics = shapeNote_->fontMetrics();
    const QString shown = metrics.horizontalAdvance(text) <= room || brief.isEmpty() ? text : brief;
    shapeNote_->setText(metrics.elidedText(shown, Qt::ElideRight, room));
    shapeNote_->setToolTip((tip.isEmpty() ? text : tip) +
                           tr("\nClick to choose the shapes (also in View, Details, Shapes)."));
    shapeNote_->show();
    menuBar()->adjustSize();
    menuBar()->update();
}

void MainWindowView::repeatStop() {
    if (closePending_ && commands_.stop) commands_.stop();
}

bool MainWindowView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == shapeNote_ && event->type() == QEvent::MouseButtonRelease) {
        // Not while a run works: its shapes were fixed when it began.
        if (commands_.chooseShapes &&
            !(commands_.commandInProgress && commands_.commandInProgress()))
            commands_.chooseShapes();
        return true;
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* target = static_cast<QWidget*>(watched);
    if (target->window() != this) return false;
    // A key starts at the focus widget (the window itself when nothing in it
    // has the focus); Qt hands a key the widget leaves on to its parents.
    // Take it once, where it starts.
    QWidget* focus = QApplication::focusWidget();
    QWidget* start = focus && focus->window() == this ? focus : this;
    if (target != start) return false;
    return handleKeyPress(target, *static_cast<QKeyEvent*>(event));
}

bool MainWindowView::handleKeyPress(QWidget* target, const QKeyEvent& key) {
    const std::string shortcut = ShortcutText(key.key(), key.modifiers());
    if (!shortcut.empty() && commands_.pressShortcut) {
        const bool ran = commands_.pressShortcut(shortcut);
        refresh();
        if (ran) return true;  // the command had the key; the field never sees it
    }
    // The results box stays out of the Tab chain, so Page Up and Page Down
    // scroll it from wherever the focus is (no field of the window uses them).
    if ((key.key() == Qt::Key_PageUp || key.key() == Qt::Key_PageDown) &&
        (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        auto* memo = view_.widgetAs<QPlainTextEdit>("memoresults");
        if (memo && target != memo) {
            memo->verticalScrollBar()->triggerAction(key.key() == Qt::Key_PageUp
                                                         ? QAbstractSlider::SliderPageStepSub
                                                         : QAbstractSlider::SliderPageStepAdd);
            return true;
        }
    }
    if (target == seedField_ && commands_.seedKeyPress &&
        ProducesCharacter(key.key(), key.modifiers(), key.text())) {
        commands_.seedKeyPress(true);
        refresh();
    }
    return false;  // the key goes on to the field unchanged
}

void MainWindowView::closeEvent(QCloseEvent* event) {
    if (commands_.commandInProgress && commands_.commandInProgress()) {
        // The running loop still uses the controls: stop it, and close once it
        // has unwound.
        closePending_ = true;
        repeatStop();
        event->ignore();
        closeRetry_.start();
        return;
    }
    closePending_ = false;
    closeRetry_.stop();
    event->accept();
    emit closed();
}

void MainWindowView::retryClose() {
    if (commands_.commandInProgress && commands_.commandInProgress()) {
        repeatStop();
        return;
    }
    closeRetry_.stop();
    close();
}

void MainWindowView::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (centred_) return;
    centred_ = true;
    // The run rewrites the prompt with its progress many times a second. At
    // a fixed size the label repaints only itself; otherwise every new text
    // would have the whole window lay itself out again.
    QWidget* prompt = view_.widget("Label7");
    prompt->setFixedSize(prompt->size());
    // The window as first drawn is its smallest: larger ones give the room
    // to the results.
    setMinimumSize(size());
    // At the centre of the desktop when first shown.
    if (QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace velmor::app
