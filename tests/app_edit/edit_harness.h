// The window under test for editing: a mirror folder of the test's own, a
// scripted editor, a tick counter the test may set, and a record of what the
// user would see (status texts, beeps, error reports). Plus a pyftpdlib server
// whose received commands can be read back, and the scripted editor's helpers.
#pragma once

#include "app/open_file_form.h"
#include "support/pyftpd_server.h"
#include "support/recording_boxes.h"
#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

using Texts = std::vector<std::string>;

// The scripted editor (tests/app_edit/scripted_editor.py) with its steps.
std::vector<std::string> ScriptedEditor(const Texts& steps);
// The id the scripted editor wrote to `pidFile`; -1 when it did not within
// the deadline.
pid_t EditorPid(const std::string& pidFile,
                std::chrono::milliseconds within = std::chrono::milliseconds(15000));
// Waits for the editor to end (reaping it unless its worker did); ends its
// group when it is still running at the deadline. True when it ended by itself.
bool ReapEditor(pid_t pid, std::chrono::milliseconds within = std::chrono::milliseconds(15000));

class EditWindow {
public:
    // Ticks come from `ticks` when given, else from the system's counter.
    EditWindow(const std::string& mirrorFolder, std::vector<std::string> editor,
               std::function<uint32_t()> ticks = {}, TEditTimings timings = {});
    // Closes the window, then waits for its workers to end.
    ~EditWindow();
    EditWindow(const EditWindow&) = delete;
    EditWindow& operator=(const EditWindow&) = delete;

    TFormOpenFile& Form() { return *FForm; }
    // Destroys the window now (as closing it does); true when every worker
    // has ended within the deadline afterwards.
    bool Close();

    void LogIn(int port);
    // Selects the row and double-clicks it; false when there is no such row.
    bool DoubleClick(const std::string& name);
    // Runs the event loop until `done` holds; false at the deadline.
    bool WaitFor(const std::function<bool()>& done,
                 std::chrono::milliseconds within = std::chrono::milliseconds(15000));
    bool Shown(const std::string& status) const;
    bool ShownStartingWith(const std::string& prefix) const;
    // Index of the first status equal to `status` (starting with it when
    // `prefix`), -1 when none.
    int IndexOf(const std::string& status, bool prefix = false) const;

    Texts Statuses;
    BoxLog Boxes;
    Texts& ErrorReports = Boxes.ErrorReports;
    Texts& LoginFailures = Boxes.LoginFailures;
    Texts& ConflictQuestions = Boxes.ConflictQuestions;
    std::deque<TConflictChoice>& ConflictAnswers = Boxes.ConflictAnswers;
    std::vector<int>& CloseQuestions = Boxes.CloseQuestions;
    std::deque<bool>& CloseAnswers = Boxes.CloseAnswers;
    Texts& UnsyncedOffers = Boxes.UnsyncedOffers;
    std::deque<TUnsyncedChoice>& UnsyncedAnswers = Boxes.UnsyncedAnswers;
    int Beeps = 0;

private:
    std::unique_ptr<TFormOpenFile> FForm;
};

// A pyftpdlib server that logs every command it receives.
class LoggedFtpd {
public:
    explicit LoggedFtpd(std::vector<std::string> extraArgs = {});
    PyFtpdServer& Server() { return *FServer; }
    int Port() const { return FServer->Port(); }
    std::string RootFile(const std::string& relative) const { return FServer->RootFile(relative); }
    // The commands received so far, in order ("STOR /notes.txt").
    Texts Commands() const;
    int Count(const std::string& command) const;

private:
    TempDir FLogDir;
    std::unique_ptr<PyFtpdServer> FServer;
};
