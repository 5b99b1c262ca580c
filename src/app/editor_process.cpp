#include "app/editor_process.h"

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// The pieces of a posix_spawn call, released on every way out.
struct TSpawnSetup {
    posix_spawnattr_t Attributes;
    posix_spawn_file_actions_t Actions;
    bool Ready = false;

    TSpawnSetup() {
        if (posix_spawnattr_init(&Attributes) != 0)
            return;
        if (posix_spawn_file_actions_init(&Actions) != 0) {
            posix_spawnattr_destroy(&Attributes);
            return;
        }
        Ready = true;
    }
    ~TSpawnSetup() {
        if (!Ready)
            return;
        posix_spawn_file_actions_destroy(&Actions);
        posix_spawnattr_destroy(&Attributes);
    }
    TSpawnSetup(const TSpawnSetup&) = delete;
    TSpawnSetup& operator=(const TSpawnSetup&) = delete;

    bool Configure() {
        // A new group led by the editor itself; default signal handling and an
        // empty mask, whatever the worker thread had.
        sigset_t none;
        sigset_t defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        const short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        return posix_spawnattr_setflags(&Attributes, flags) == 0 &&
               posix_spawnattr_setpgroup(&Attributes, 0) == 0 &&
               posix_spawnattr_setsigmask(&Attributes, &none) == 0 &&
               posix_spawnattr_setsigdefault(&Attributes, &defaults) == 0 &&
               posix_spawn_file_actions_addclosefrom_np(&Actions, STDERR_FILENO + 1) == 0;
    }
};

} // namespace

bool TEditorProcess::Start(const std::vector<std::string>& program, const std::string& path) {
    if (program.empty())
        return Start(program);
    std::vector<std::string> words = program;
    words.push_back(path);
    return Start(words);
}

bool TEditorProcess::Start(const std::vector<std::string>& words) {
    FStartError = 0;
    if (words.empty() || FPid > 0) {
        FStartError = words.empty() ? ENOENT : EBUSY;
        return false;
    }
    std::vector<std::string> arguments = words;
    std::vector<char*> argv;
    for (std::string& word : arguments)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    TSpawnSetup setup;
    if (!setup.Ready || !setup.Configure()) {
        FStartError = ENOMEM;
        return false;
    }
    pid_t pid = -1;
    if (const int failed =
            posix_spawnp(&pid, argv[0], &setup.Actions, &setup.Attributes, argv.data(), environ);
        failed != 0) {
        FStartError = failed;
        return false;
    }
    FPid = pid;
    return true;
}

bool TEditorProcess::HasEnded() {
    if (FPid <= 0 || FEnded)
        return true;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(FPid, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    // ECHILD: collected elsewhere, so it has ended all the same.
    if (result == FPid || (result < 0 && errno == ECHILD))
        FEnded = true;
    return FEnded;
}
