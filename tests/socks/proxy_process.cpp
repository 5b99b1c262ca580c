#include "proxy_process.h"

#include "support/deadline.h"
#include "support/raw_connection.h"
#include "support/raw_socket.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds TermGrace{5000};
constexpr std::chrono::milliseconds Poll{50};

} // namespace

ProxyProcess::ProxyProcess(const std::vector<std::string>& argv, const std::string& logPath) {
    std::vector<std::string> args = argv;
    std::vector<char*> pointers;
    for (auto& arg : args)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int log = logPath.empty()
                        ? -1
                        : ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::setpgid(0, 0);
        if (devNull >= 0)
            ::dup2(devNull, STDIN_FILENO);
        const int out = log >= 0 ? log : devNull;
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    const int forkError = errno;
    int closing = devNull;
    CloseFd(closing);
    closing = log;
    CloseFd(closing);
    if (pid < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(forkError));
    // Also from this side, so that Stop() can signal the group at once.
    ::setpgid(pid, pid);
    FPid = pid;
    FGroup = pid;
}

ProxyProcess::~ProxyProcess() {
    Stop();
}

bool ProxyProcess::WaitUntilListening(int port, std::chrono::milliseconds within) {
    const auto deadline = SupportClock::now() + within;
    while (SupportClock::now() < deadline) {
        int status = 0;
        if (::waitpid(FPid, &status, WNOHANG) == FPid) {
            FPid = -1;
            return false;
        }
        try {
            RawConnection probe = RawConnection::Connect(port, Poll);
            return true;
        } catch (const std::runtime_error&) {
            std::this_thread::sleep_for(Poll);
        }
    }
    return false;
}

void ProxyProcess::Stop() {
    if (FGroup <= 0)
        return;
    // The leader first: danted stops and reaps its own helpers on SIGTERM.
    if (FPid > 0)
        ::kill(FPid, SIGTERM);
    const auto deadline = SupportClock::now() + TermGrace;
    bool reaped = FPid <= 0;
    while (!reaped && SupportClock::now() < deadline) {
        int status = 0;
        const pid_t r = ::waitpid(FPid, &status, WNOHANG);
        if (r == FPid || (r < 0 && errno == ECHILD))
            reaped = true;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Also ends the helpers a proxy forks into its group.
    ::kill(-FGroup, SIGKILL);
    if (!reaped) {
        int status = 0;
        while (::waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    FPid = -1;
    FGroup = -1;
}

int FreeLoopbackPort() {
    int port = 0;
    int fd = ListenOnLoopback(1, port);
    CloseFd(fd);
    return port;
}
