// Message boxes for window tests: what would be shown is recorded, in order,
// and the test goes on instead of blocking on a dialog. Questions take their
// answers from queues the test fills, with a default once a queue is empty.
#pragma once

#include "app/message_boxes.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct BoxLog {
    std::vector<std::string> LoginFailures;
    std::vector<std::string> ErrorReports;
    // Runs while a login failure dialog would be open.
    std::function<void(const std::string&)> WhileLoginFailureOpen;
    // Conflict boxes shown (the remote path of each) and the answers given in
    // turn; Cancel once they run out.
    std::vector<std::string> ConflictQuestions;
    std::deque<TConflictChoice> ConflictAnswers;
    // The files counted by each "Close anyway?" box and the answers; yes once
    // they run out.
    std::vector<int> CloseQuestions;
    std::deque<bool> CloseAnswers;
    // Remote paths offered after login as left unsynced by an earlier run and
    // the answers; Leave once they run out.
    std::vector<std::string> UnsyncedOffers;
    std::deque<TUnsyncedChoice> UnsyncedAnswers;
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
    TConflictChoice AskConflict(const std::string& remotePath, const std::string&) override {
        FLog.ConflictQuestions.push_back(remotePath);
        return Next(FLog.ConflictAnswers, TConflictChoice::Cancel);
    }
    TUnsyncedChoice AskUploadUnsynced(const std::string& remotePath, const std::string&) override {
        FLog.UnsyncedOffers.push_back(remotePath);
        return Next(FLog.UnsyncedAnswers, TUnsyncedChoice::Leave);
    }
    bool AskCloseAnyway(int files) override {
        FLog.CloseQuestions.push_back(files);
        return Next(FLog.CloseAnswers, true);
    }

private:
    template <typename T> static T Next(std::deque<T>& answers, T otherwise) {
        if (answers.empty())
            return otherwise;
        const T answer = answers.front();
        answers.pop_front();
        return answer;
    }

    BoxLog& FLog;
};
