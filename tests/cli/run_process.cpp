#include "run_process.h"

#include "support/raw_socket.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Pipe {
    int Read = -1;
    int Write = -1;
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2 failed");
        Read = fds[0];
        Write = fds[1];
    }
    ~Pipe() {
        CloseFd(Read);
        CloseFd(Write);
    }
};

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ProcessResult RunProcess(const std::vector<std::string>& argvIn,
                         const std::vector<std::string>& environment,
                         std::chrono::milliseconds within) {
    std::vector<std::string> args = argvIn;
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry)
        env.emplace_back(*entry);
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);

    Pipe out;
    Pipe err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.Write, 1);
    posix_spawn_file_actions_adddup2(&actions, err.Write, 2);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("posix_spawn failed for " + args[0]);
    CloseFd(out.Write);
    CloseFd(err.Write);

    ProcessResult result;
    const auto deadline = SupportClock::now() + within;
    int* fds[2] = {&out.Read, &err.Read};
    std::string* sinks[2] = {&result.Out, &result.Err};
    while (out.Read >= 0 || err.Read >= 0) {
        pollfd polls[2];
        int count = 0;
        int which[2];
        for (int i = 0; i < 2; ++i)
            if (*fds[i] >= 0) {
                polls[count] = pollfd{*fds[i], POLLIN, 0};
                which[count++] = i;
            }
        const int left = MillisLeft(deadline);
        if (left == 0 || ::poll(polls, static_cast<nfds_t>(count), left) == 0) {
            result.TimedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        for (int k = 0; k < count; ++k) {
            if (polls[k].revents == 0)
                continue;
            char chunk[4096];
            const ssize_t n = ::read(*fds[which[k]], chunk, sizeof chunk);
            if (n > 0)
                sinks[which[k]]->append(chunk, static_cast<size_t>(n));
            else if (n == 0 || errno != EINTR)
                CloseFd(*fds[which[k]]);
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!result.TimedOut && WIFEXITED(status))
        result.ExitCode = WEXITSTATUS(status);
    return result;
}
