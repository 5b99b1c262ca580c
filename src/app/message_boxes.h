// The two kinds of message box the window shows. Injected into the window so
// that tests can record what would be shown instead of blocking on a dialog.
#pragma once

#include <memory>
#include <string>

class QWidget;

// The answers to someone else's change of a file about to be uploaded.
enum class TConflictChoice { Overwrite, KeepBoth, Cancel };

// What to do with a copy an earlier run left unsynced.
enum class TUnsyncedChoice { Upload, Leave, Forget };

class TMessageBoxes {
public:
    virtual ~TMessageBoxes() = default;
    // A failed login: the message as it is, one OK button, no icon. Returns
    // when the user has closed it.
    virtual void ShowLoginFailure(const std::string& message) = 0;
    // The default error report: ErrorReportText of the message, the error
    // icon, one OK button.
    virtual void ShowErrorReport(const std::string& message) = 0;
    // The file changed on the server: Overwrite, Keep both or Cancel, Escape
    // and closing the box being Cancel. Without a box nothing is overwritten.
    virtual TConflictChoice AskConflict(const std::string& /*remotePath*/,
                                        const std::string& /*localPath*/) {
        return TConflictChoice::Cancel;
    }
    // Closing the window while `files` are unsynced or still open in an
    // editor: true closes, false keeps the window open.
    virtual bool AskCloseAnyway(int /*files*/) { return true; }
    // A copy left unsynced by an earlier run (killed, crashed): Upload,
    // Leave (asked again at the next login) or Forget.
    virtual TUnsyncedChoice AskUploadUnsynced(const std::string& /*remotePath*/,
                                              const std::string& /*localPath*/) {
        return TUnsyncedChoice::Leave;
    }
};

// Modal Qt message boxes captioned with the application title.
std::unique_ptr<TMessageBoxes> MakeQtMessageBoxes(QWidget* parent);
