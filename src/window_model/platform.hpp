#pragma once
// What the program needs from a windowing toolkit, and nothing more. The Qt
// front end implements it; tests and the batch runner pass their own.

#include <optional>
#include <string>

namespace velmor::ui {

enum class DialogId { About, Information, SetPower, UserAgreement };
enum class ModalResult { Ok, Cancel };

// The options of the one file-save dialog. The dialog asks before it replaces
// an existing file, hides the read-only option and can be resized.
struct SaveDialogRequest {
    std::string defaultExtension;  // "OUT", "TXT", "DAT"
    std::string filter;            // "Text files (*.out,...)|*.out;*.dat;..."
    std::string fileName;          // proposed name
};

class Platform {
  public:
    virtual ~Platform() = default;
    // A plain message box with an OK button; returns when it is closed.
    virtual void showPlainMessage(const std::string& text) = 0;
    // Shows a dialog of the window set modally; its contents are in the model.
    virtual ModalResult showModal(DialogId dialog) = 0;
    // The save dialog; the chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> askSaveFileName(const SaveDialogRequest& request) = 0;
    // Lets waiting window events run (the stop button above all). Called once
    // per replication, so it may return at once when it did real work only a
    // moment ago.
    virtual void processPendingEvents() = 0;
    // Closes the main window, which ends the program (Exit). A front end
    // whose window is busy with a run takes this as a stop and closes after.
    virtual void closeMainWindow() = 0;
};

}  // namespace velmor::ui
