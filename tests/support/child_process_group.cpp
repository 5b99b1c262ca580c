#include "support/child_process_group.h"

#include "support/deadline.h"
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
constexpr std::chrono::milliseconds ReapPoll{20};

} // namespace

ChildProcessGroup::ChildProcessGroup(const std::vector<std::string>& argv, int stdoutFd,
                                     int stderrFd, StopSignalTo stopSignalTo)
    : FStopSignalTo(stopSignalTo) {
    std::vector<std::string> args = argv;
    std::vector<char*> pointers;
    for (auto& arg : args)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::setpgid(0, 0);
        if (devNull >= 0)
            ::dup2(devNull, STDIN_FILENO);
        const int targets[2] = {STDOUT_FILENO, STDERR_FILENO};
        const int sources[2] = {stdoutFd, stderrFd};
        for (int i = 0; i < 2; ++i) {
            const int source = sources[i] == ToDevNull ? devNull : sources[i];
            if (source >= 0)
                ::dup2(source, targets[i]);
        }
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    const int forkError = errno;
    CloseFd(devNull);
    if (pid < 0)
        throw std::runtime_error(std::string("test peer: fork: ") + std::strerror(forkError));
    // Also from this side, so that Stop() can signal the group at once.
    ::setpgid(pid, pid);
    FPid = pid;
    FGroup = pid;
}

ChildProcessGroup::~ChildProcessGroup() {
    Stop();
}

bool ChildProcessGroup::HasEnded() {
    if (FPid <= 0)
        return true;
    int status = 0;
    const pid_t r = ::waitpid(FPid, &status, WNOHANG);
    if (r == FPid || (r < 0 && errno == ECHILD))
        FPid = -1;
    return FPid <= 0;
}

void ChildProcessGroup::Stop() {
    if (FGroup <= 0)
        return;
    if (FPid > 0)
        ::kill(FStopSignalTo == StopSignalTo::Group ? -FGroup : FPid, SIGTERM);
    const auto deadline = SupportClock::now() + TermGrace;
    while (!HasEnded() && SupportClock::now() < deadline)
        std::this_thread::sleep_for(ReapPoll);
    // Also ends anything the child started in its group.
    ::kill(-FGroup, SIGKILL);
    if (FPid > 0) {
        int status = 0;
        while (::waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    FPid = -1;
    FGroup = -1;
}
