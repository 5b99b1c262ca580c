#include "app/xdg_mime_query.h"

#include "core/text.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Both ends of a pipe, closed on every way out.
struct TPipe {
    int Ends[2] = {-1, -1};
    bool Open() { return ::pipe2(Ends, O_CLOEXEC) == 0; }
    void Close(int end) {
        if (Ends[end] >= 0)
            ::close(Ends[end]);
        Ends[end] = -1;
    }
    ~TPipe() {
        Close(0);
        Close(1);
    }
};

// Collects the child whatever happens, stopping it first when it still runs.
struct TChild {
    pid_t Pid = -1;
    ~TChild() {
        if (Pid <= 0)
            return;
        ::kill(Pid, SIGKILL);
        while (::waitpid(Pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
};

} // namespace

std::string QueryDefaultApplication(const std::string& mimeType, std::chrono::milliseconds within) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + within;
    TPipe output;
    if (!output.Open())
        return {};
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return {};
    posix_spawn_file_actions_adddup2(&actions, output.Ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // The client's sockets and every other descriptor stay here.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    std::vector<std::string> words = {"xdg-mime", "query", "default", mimeType};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    TChild child;
    const int spawned = posix_spawnp(&child.Pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        child.Pid = -1;
        return {};
    }
    output.Close(1);

    std::string text;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return {};
        pollfd ready{output.Ends[0], POLLIN, 0};
        const int n = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return {};
        char block[512];
        const ssize_t got = ::read(output.Ends[0], block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(block, static_cast<size_t>(got));
    }
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(child.Pid, &status, WNOHANG);
        if (ended == child.Pid)
            break;
        if ((ended < 0 && errno != EINTR) || Clock::now() >= deadline)
            return {};
        ::usleep(5000);
    }
    child.Pid = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    const std::string id = Trim(text);
    // One desktop file id, nothing else: no folders, no second line.
    if (id.find_first_of("/\n") != std::string::npos)
        return {};
    return id;
}
