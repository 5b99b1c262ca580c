// The two kinds of message box the window shows. Injected into the window so
// that tests can record what would be shown instead of blocking on a dialog.
#pragma once

#include <memory>
#include <string>

class QWidget;

class TMessageBoxes {
public:
    virtual ~TMessageBoxes() = default;
    // A failed login: the message as it is, one OK button, no icon. Returns
    // when the user has closed it.
    virtual void ShowLoginFailure(const std::string& message) = 0;
    // The default error report: ErrorReportText of the message, the error
    // icon, one OK button.
    virtual void ShowErrorReport(const std::string& message) = 0;
};

// Modal Qt message boxes captioned with the application title.
std::unique_ptr<TMessageBoxes> MakeQtMessageBoxes(QWidget* parent);
