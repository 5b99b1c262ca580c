#include "edit_harness.h"

#include "app/launch_file_thread.h"

#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds within) {
    const auto deadline = Clock::now() + within;
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace

std::vector<std::string> ScriptedEditor(const Texts& steps) {
    std::vector<std::string> command = {"/usr/bin/python3",
                                        SCRIVLET_EDIT_TEST_DIR "/scripted_editor.py"};
    command.insert(command.end(), steps.begin(), steps.end());
    return command;
}

pid_t EditorPid(const std::string& pidFile, std::chrono::milliseconds within) {
    pid_t pid = -1;
    PollUntil(
        [&] {
            std::ifstream in(pidFile);
            return static_cast<bool>(in >> pid);
        },
        within);
    return pid;
}

bool ReapEditor(pid_t pid, std::chrono::milliseconds within) {
    if (pid <= 0)
        return false;
    bool gone = false;
    const bool ended = PollUntil(
        [&] {
            int status = 0;
            const pid_t r = ::waitpid(pid, &status, WNOHANG);
            gone = r == pid || (r < 0 && errno == ECHILD);
            return gone;
        },
        within);
    if (!ended) {
        ::kill(-pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    return ended;
}

EditWindow::EditWindow(const std::string& mirrorFolder, std::vector<std::string> editor,
                       std::function<uint32_t()> ticks, TEditTimings timings) {
    TFormOpenFileOptions options;
    options.Boxes = std::make_unique<RecordingBoxes>(Boxes);
    options.Icons = [](const std::string&) { return QIcon(); };
    options.Beep = [this] { ++Beeps; };
    if (ticks)
        options.Ticks = std::move(ticks);
    options.MirrorFolder = mirrorFolder;
    options.Editor = std::move(editor);
    options.Timings = timings;
    FForm = std::make_unique<TFormOpenFile>(std::move(options));
    QObject::connect(FForm->Stat, &QStatusBar::messageChanged,
                     [this](const QString& text) { Statuses.push_back(text.toStdString()); });
    // Never shown: painting would start Qt's own drawing threads, which
    // ThreadSanitizer cannot follow in an uninstrumented Qt.
}

EditWindow::~EditWindow() {
    if (FForm && !Close())
        ADD_FAILURE() << "workers still running after the window closed";
}

bool EditWindow::Close() {
    FForm.reset();
    return PollUntil([] { return TLaunchFileThread::Running() == 0; },
                     std::chrono::milliseconds(10000));
}

void EditWindow::LogIn(int port) {
    FForm->Server->setText(QString::fromStdString("127.0.0.1:" + std::to_string(port)));
    FForm->CheckBox1->setChecked(true);
    ASSERT_TRUE(LoginFailures.empty()) << LoginFailures[0];
}

bool EditWindow::DoubleClick(const std::string& name) {
    TFilesView& files = *FForm->Files;
    const int row = files.RowOfName(QString::fromStdString(name));
    if (row < 0)
        return false;
    const QModelIndex index = files.model()->index(row, 0);
    files.setCurrentIndex(index);
    // What the list view signals for a double-click on the row.
    emit files.doubleClicked(index);
    return true;
}

bool EditWindow::WaitFor(const std::function<bool()>& done, std::chrono::milliseconds within) {
    return QTest::qWaitFor(done, static_cast<int>(within.count()));
}

int EditWindow::IndexOf(const std::string& status, bool prefix) const {
    for (size_t i = 0; i < Statuses.size(); ++i)
        if (prefix ? Statuses[i].rfind(status, 0) == 0 : Statuses[i] == status)
            return static_cast<int>(i);
    return -1;
}

bool EditWindow::Shown(const std::string& status) const {
    return IndexOf(status) >= 0;
}

bool EditWindow::ShownStartingWith(const std::string& prefix) const {
    return IndexOf(prefix, true) >= 0;
}

LoggedFtpd::LoggedFtpd(std::vector<std::string> extraArgs) {
    PyFtpdServer::Options options;
    options.extraArgs = std::move(extraArgs);
    options.extraArgs.push_back("--verbose");
    // The server logs to the standard error it inherits: this file, for as
    // long as it takes to start it.
    const int log =
        ::open(FLogDir.File("ftpd.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const int saved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    ::dup2(log, STDERR_FILENO);
    try {
        FServer = std::make_unique<PyFtpdServer>(options);
    } catch (...) {
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        ::close(log);
        throw;
    }
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(log);
}

Texts LoggedFtpd::Commands() const {
    Texts commands;
    std::ifstream in(FLogDir.File("ftpd.log"));
    std::string line;
    while (std::getline(in, line)) {
        const size_t at = line.find("] <- ");
        if (at != std::string::npos)
            commands.push_back(line.substr(at + 5));
    }
    return commands;
}

int LoggedFtpd::Count(const std::string& command) const {
    const Texts commands = Commands();
    return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}
