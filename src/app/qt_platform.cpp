#include "app/qt_platform.hpp"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "app/dialogs.hpp"
#include "app/key_text.hpp"
#include "app/main_window_view.hpp"

namespace velmor::app {

namespace {

// Title of the plain message box: the program's name, as the toolkit's own
// message boxes carry the application's title.
const char* const kMessageTitle = "VELMOR";

}  // namespace

void QtPlatform::refreshWindows() {
    if (windows_.mainWindow) windows_.mainWindow->refresh();
    for (ModelDialog* dialog :
         {windows_.about, windows_.information, windows_.setPower, windows_.userAgreement})
        if (dialog) dialog->view().refresh();
}

bool QtPlatform::closing() const {
    return windows_.mainWindow && windows_.mainWindow->closePending();
}

void QtPlatform::showPlainMessage(const std::string& text) {
    if (closing()) return;  // the user has asked to quit; nobody would read it
    refreshWindows();
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent) parent = windows_.mainWindow;
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kMessageTitle),
                    QString::fromStdString(text), QMessageBox::Ok, parent);
    box.exec();
}

ui::ModalResult QtPlatform::showModal(ui::DialogId dialog) {
    ModelDialog* window = nullptr;
    switch (dialog) {
        case ui::DialogId::About:
            window = windows_.about;
            break;
        case ui::DialogId::Information:
            window = windows_.information;
            break;
        case ui::DialogId::SetPower:
            window = windows_.setPower;
            break;
        case ui::DialogId::UserAgreement:
            window = windows_.userAgreement;
            break;
    }
    // While the window waits to close, a question would only hold it open:
    // messages count as read and Set Power as cancelled.
    if (!window || closing())
        return dialog == ui::DialogId::SetPower ? ui::ModalResult::Cancel : ui::ModalResult::Ok;
    refreshWindows();
    return window->showModal();
}

std::optional<std::string> QtPlatform::askSaveFileName(const ui::SaveDialogRequest& request) {
    if (closing()) return std::nullopt;
    refreshWindows();
    if (saveDialogHook_) return saveDialogHook_(request);
    QFileDialog dialog(windows_.mainWindow);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setSizeGripEnabled(true);
    dialog.setDirectory(QDir::current());
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    // The descriptions name their patterns already ("Text files (*.out,...)");
    // Qt would show its own copy of them after it.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(QtNameFilters(request.filter).split(QStringLiteral(";;")));
    dialog.selectFile(QString::fromStdString(request.fileName));
    // The dialog itself asks before an existing file is replaced (Qt's
    // default for save dialogs); there is no other question.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

void QtPlatform::processPendingEvents() {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPass_ < kEventInterval) return;
    ++eventPasses_;
    // The user's clicks are handled on every pass. What the run changed is
    // drawn by the views' own refresh timers, less often (FormView).
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // A close that waits for the command repeats its stop, so that a search
    // starting its next trial stops that one too.
    if (windows_.mainWindow) windows_.mainWindow->repeatStop();
    lastPass_ = std::chrono::steady_clock::now();
    eventTime_ += lastPass_ - now;
}

void QtPlatform::closeMainWindow() {
    // Exit is itself a command in progress; the close comes once it returns
    // to the event loop, which is at once.
    if (windows_.mainWindow)
        QMetaObject::invokeMethod(windows_.mainWindow, &QWidget::close, Qt::QueuedConnection);
}

}  // namespace velmor::app
