#pragma once
// Shared by the GUI tests: one QApplication for the test process (offscreen
// unless the environment chose a platform), a way to act on a modal window
// while the command that opened it waits, and small helpers for typing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/application.hpp"

namespace velmor::testing {

inline QApplication& TestToolkit() {
    static QApplication* toolkit = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "velmor-app-test";
        static char* argv[] = {name, nullptr};
        auto* created = new QApplication(argc, argv);  // lives until the process ends
        app::ConfigureToolkit(*created);
        // Tests close the main window many times; that must not end anything.
        created->setQuitOnLastWindowClosed(false);
        return created;
    }();
    return *toolkit;
}

// Calls `act` with the modal window once one is up (`expected` when given):
// a modal dialog blocks the command that opened it in the dialog's own event
// loop, where this runs. The polling timer owns the check and deletes itself
// once it has acted or given up.
inline void WhenModal(std::function<void(QWidget*)> act, const QWidget* expected = nullptr,
                      int timeoutMs = 10000) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QElapsedTimer clock;
    clock.start();
    QObject::connect(
        poll, &QTimer::timeout, [poll, clock, act = std::move(act), expected, timeoutMs] {
            QWidget* modal = QApplication::activeModalWidget();
            const bool found = modal && modal->isVisible() && (!expected || modal == expected);
            if (!found && clock.elapsed() <= timeoutMs) return;
            poll->stop();
            poll->deleteLater();
            if (found)
                act(modal);
            else
                ADD_FAILURE() << "no modal window appeared";
        });
    poll->start();
}

// How long a wait for the window may take on a loaded machine before the
// expectation fails; a condition that holds ends the wait at once.
inline constexpr int kEventuallyMs = 10000;

// Lets the event loop run until `condition` holds or `timeoutMs` has passed.
// Returns whether it held.
template <class Condition>
bool WaitFor(Condition&& condition, int timeoutMs = kEventuallyMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) return false;
        QTest::qWait(5);
    }
    return true;
}

// Expectations on what the window does by itself, once its event loop has
// run: each waits until the condition holds, then checks it as GoogleTest
// does, so a condition that never holds is a failure (QtTest's QTRY_ macros
// only return from the test). The _WITHIN forms take the wait in ms.
#define EXPECT_EVENTUALLY_TRUE_WITHIN(ms, condition)                                  \
    do {                                                                              \
        ::velmor::testing::WaitFor([&] { return static_cast<bool>(condition); }, ms); \
        EXPECT_TRUE(condition) << "still false after " << (ms) << " ms";              \
    } while (0)
#define EXPECT_EVENTUALLY_EQ_WITHIN(ms, actual, expected)                         \
    do {                                                                          \
        ::velmor::testing::WaitFor([&] { return (actual) == (expected); }, ms);   \
        EXPECT_EQ(actual, expected) << "still different after " << (ms) << " ms"; \
    } while (0)
#define EXPECT_EVENTUALLY_TRUE(condition) \
    EXPECT_EVENTUALLY_TRUE_WITHIN(::velmor::testing::kEventuallyMs, condition)
#define EXPECT_EVENTUALLY_EQ(actual, expected) \
    EXPECT_EVENTUALLY_EQ_WITHIN(::velmor::testing::kEventuallyMs, actual, expected)

// Replaces the text of a line edit as a user does: select all, then type.
inline void TypeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, text);
}

// A fresh program with its windows, the main window shown.
class AppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestToolkit();
        app_ = std::make_unique<app::Application>();
        app_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&app_->mainWindow()));
        app_->mainWindow().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&app_->mainWindow()));
    }
    void TearDown() override { app_.reset(); }

    app::MainWindowView& window() { return app_->mainWindow(); }
    ui::MainWindow& model() { return app_->program().windows().mainWindow; }
    ui::Control& control(const char* name) { return model().control(name); }
    template <class W = QWidget>
    W* widget(const char* name) {
        W* w = window().view().widgetAs<W>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString shown(const char* name) { return widget<QLineEdit>(name)->text(); }

    // A key as the keyboard delivers it: to the widget that has the focus.
    void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        if (!target || target->window() != &window()) target = &window();
        QTest::keyClick(target, key, modifiers);
    }

    std::unique_ptr<app::Application> app_;
};

}  // namespace velmor::testing
