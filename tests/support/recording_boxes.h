// Message boxes for window tests: what would be shown is recorded, in order,
// and the test goes on instead of blocking on a dialog.
#pragma once

#include "app/message_boxes.h"

#include <functional>
#include <string>
#include <vector>

struct BoxLog {
    std::vector<std::string> LoginFailures;
    std::vector<std::string> ErrorReports;
    // Runs while a login failure dialog would be open.
    std::function<void(const std::string&)> WhileLoginFailureOpen;
};

class RecordingBoxes : public TMessageBoxes {
public:
    explicit RecordingBoxes(BoxLog& log) : FLog(log) {}
    void ShowLoginFailure(const std::string& message) override {
        FLog.LoginFailures.push_back(message);
        if (FLog.WhileLoginFailureOpen)
            FLog.WhileLoginFailureOpen(message);
    }
    void ShowErrorReport(const std::string& message) override {
        FLog.ErrorReports.push_back(message);
    }

private:
    BoxLog& FLog;
};
