#include "support/pyftpd_server.h"

#include "support/deadline.h"
#include "support/raw_socket.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* Python = "/usr/bin/python3";
constexpr std::chrono::milliseconds TermGrace{5000};

// Reads the first line of `fd` within the deadline; empty when none came.
std::string ReadFirstLine(int fd, SupportClock::time_point deadline) {
    std::string line;
    for (;;) {
        if (WaitForEvents(fd, POLLIN, deadline) == 0)
            return {};
        char c;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return {};
        if (c == '\n')
            return line;
        line += c;
    }
}

} // namespace

PyFtpdServer::PyFtpdServer() : PyFtpdServer(Options{}) {}

PyFtpdServer::PyFtpdServer(Options options) {
    if (options.root.empty()) {
        FOwnRoot = std::make_unique<TempDir>();
        FRoot = FOwnRoot->Path();
    } else {
        FRoot = options.root;
    }
    Start(options);
}

PyFtpdServer::~PyFtpdServer() {
    Stop();
}

void PyFtpdServer::Start(const Options& options) {
    std::vector<std::string> args = {Python, SCRIVLET_PYFTPD_SCRIPT, "--root", FRoot, "--user",
                                     User,   "--password",           Password};
    args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("test peer: pipe2 failed");
    int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);

    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::setpgid(0, 0);
        if (devNull >= 0)
            ::dup2(devNull, STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::execv(Python, argv.data());
        ::_exit(127);
    }
    CloseFd(devNull);
    CloseFd(out[1]);
    if (pid < 0) {
        CloseFd(out[0]);
        throw std::runtime_error(std::string("test peer: fork: ") + std::strerror(errno));
    }
    // Also from this side, so that Stop() can signal the group at once.
    ::setpgid(pid, pid);
    FPid = pid;

    const std::string line = ReadFirstLine(out[0], SupportClock::now() + options.startWithin);
    CloseFd(out[0]);
    FPort = std::atoi(line.c_str());
    if (FPort <= 0) {
        Stop();
        throw std::runtime_error("test peer: pyftpdlib server did not report its port (got \"" +
                                 line + "\")");
    }
}

void PyFtpdServer::Stop() {
    if (FPid <= 0)
        return;
    ::kill(-FPid, SIGTERM);
    const auto deadline = SupportClock::now() + TermGrace;
    bool reaped = false;
    while (!reaped && SupportClock::now() < deadline) {
        int status = 0;
        const pid_t r = ::waitpid(FPid, &status, WNOHANG);
        if (r == FPid || (r < 0 && errno == ECHILD))
            reaped = true;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Also ends anything the server may have started in its group.
    ::kill(-FPid, SIGKILL);
    if (!reaped) {
        int status = 0;
        while (::waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    FPid = -1;
}
