// The platform interface on Qt: the throttled event pump, the message box,
// the save dialog hook, and what a pending close does to dialogs and stops.

#include "app/qt_platform.hpp"

#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <thread>

#include "app/dialogs.hpp"
#include "app/main_window_view.hpp"
#include "app_fixture.hpp"

namespace velmor::testing {
namespace {

class QtPlatformTest : public ::testing::Test {
  protected:
    void SetUp() override { TestToolkit(); }
    app::QtPlatform platform;
};

TEST_F(QtPlatformTest, EventPumpHandlesEventsAtMostOncePerInterval) {
    int handled = 0;
    platform.processPendingEvents();  // the first call always handles events
    EXPECT_EQ(platform.eventPasses(), 1);
    QTimer::singleShot(0, [&] { ++handled; });
    platform.processPendingEvents();  // at once again: returns without handling
    EXPECT_EQ(platform.eventPasses(), 1);
    EXPECT_EQ(handled, 0);
    std::this_thread::sleep_for(app::QtPlatform::kEventInterval + std::chrono::milliseconds(2));
    platform.processPendingEvents();
    EXPECT_EQ(platform.eventPasses(), 2);
    EXPECT_EQ(handled, 1);
}

TEST_F(QtPlatformTest, EventIntervalIsWithinAFrame) {
    EXPECT_LE(app::QtPlatform::kEventInterval, std::chrono::milliseconds(16));
}

TEST_F(QtPlatformTest, PlainMessageIsAModalBoxWithTheText) {
    QString text, title;
    bool modal = false;
    WhenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        text = box->text();
        title = box->windowTitle();
        modal = box->isModal();
        box->button(QMessageBox::Ok)->click();
    });
    platform.showPlainMessage("You must entire an appropriate numeric value");
    EXPECT_EQ(text, QStringLiteral("You must entire an appropriate numeric value"));
    EXPECT_EQ(title, QStringLiteral("VELMOR"));
    EXPECT_TRUE(modal);
}

TEST_F(QtPlatformTest, SaveDialogHookGetsTheRequestAndItsAnswerIsReturned) {
    ui::SaveDialogRequest seen;
    platform.setSaveDialogHook([&](const ui::SaveDialogRequest& request) {
        seen = request;
        return std::optional<std::string>("/tmp/chosen.OUT");
    });
    const ui::SaveDialogRequest request{"OUT", "Text files (*.out)|*.out",
                                        "DORVEN_out_1432449975.OUT"};
    EXPECT_EQ(platform.askSaveFileName(request), std::optional<std::string>("/tmp/chosen.OUT"));
    EXPECT_EQ(seen.defaultExtension, "OUT");
    EXPECT_EQ(seen.filter, "Text files (*.out)|*.out");
    EXPECT_EQ(seen.fileName, "DORVEN_out_1432449975.OUT");
    platform.setSaveDialogHook([](const ui::SaveDialogRequest&) { return std::nullopt; });
    EXPECT_EQ(platform.askSaveFileName(request), std::nullopt);  // cancelled
}

TEST_F(QtPlatformTest, RealSaveDialogCarriesTheRequestsOptions) {
    app::MainWindowView::Commands none;
    ui::WindowSet models;
    app::MainWindowView window(models.mainWindow, none);
    platform.attach({&window, nullptr, nullptr, nullptr, nullptr});
    QString suffix, selected, filter, shownFilter;
    bool confirms = false, asSave = false;
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        suffix = dialog->defaultSuffix();
        filter = dialog->nameFilters().value(0);  // with the patterns the dialog applies
        asSave = dialog->acceptMode() == QFileDialog::AcceptSave;
        confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        selected = dialog->selectedFiles().value(0);
        // What the user reads in the file-type box: the patterns once.
        if (auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
            shownFilter = types->currentText();
        dialog->reject();
    });
    const auto chosen = platform.askSaveFileName(
        {"DAT", "Text files (*.dat,*.csv)|*.dat;*.csv", "DORVEN_means_7.DAT"});
    EXPECT_EQ(chosen, std::nullopt);
    EXPECT_EQ(suffix, QStringLiteral("DAT"));
    EXPECT_EQ(filter, QStringLiteral("Text files (*.dat,*.csv) (*.dat *.csv)"));
    EXPECT_EQ(shownFilter, QStringLiteral("Text files (*.dat,*.csv)"));
    EXPECT_TRUE(asSave);
    EXPECT_TRUE(confirms);
    EXPECT_TRUE(selected.endsWith(QStringLiteral("/DORVEN_means_7.DAT")));
}

TEST_F(QtPlatformTest, WhileACloseWaitsDialogsAreAnsweredAndEveryPassRepeatsTheStop) {
    ui::WindowSet models;
    int stops = 0, saveAsked = 0;
    app::MainWindowView::Commands commands;
    commands.commandInProgress = [] { return true; };  // a run that never ends here
    commands.stop = [&] { ++stops; };
    app::MainWindowView window(models.mainWindow, commands);
    app::RunDialog information(models.runBox, &window);
    app::PowerDialog power(models.powerBox, &window);
    platform.attach({&window, nullptr, &information, &power, nullptr});
    platform.setSaveDialogHook([&](const ui::SaveDialogRequest&) {
        ++saveAsked;
        return std::optional<std::string>("x");
    });
    window.show();
    EXPECT_FALSE(window.close());
    EXPECT_EQ(stops, 1);

    EXPECT_EQ(platform.showModal(ui::DialogId::Information), ui::ModalResult::Ok);
    EXPECT_EQ(platform.showModal(ui::DialogId::SetPower), ui::ModalResult::Cancel);
    platform.showPlainMessage("nobody reads this");
    EXPECT_EQ(platform.askSaveFileName({}), std::nullopt);
    EXPECT_EQ(saveAsked, 0);
    EXPECT_FALSE(information.isVisible());
    platform.processPendingEvents();
    EXPECT_GE(stops, 2);
    platform.attach({});
}

TEST_F(QtPlatformTest, ExitClosesTheWindowOnceBackInTheEventLoop) {
    ui::WindowSet models;
    app::MainWindowView window(models.mainWindow, {});
    platform.attach({&window, nullptr, nullptr, nullptr, nullptr});
    window.show();
    platform.closeMainWindow();
    EXPECT_TRUE(window.isVisible());  // Exit itself is still running
    EXPECT_EVENTUALLY_TRUE(!window.isVisible());
    platform.attach({});
}

}  // namespace
}  // namespace velmor::testing
