// A real FTP server for end-to-end tests: pyftpdlib (Debian's
// python3-pyftpdlib) run by /usr/bin/python3 as a child process on 127.0.0.1.
// One account, User / Password, with every permission on Root(). Both passive
// and active data connections work (active ones go back to 127.0.0.1).
// Like most servers it starts in ASCII type: without "TYPE I" a stored CR LF
// becomes LF in the file. It answers 125 instead of 150 when the data
// connection is already open at RETR/STOR/LIST.
#pragma once

#include "support/child_process_group.h"
#include "support/temp_dir.h"

#include <chrono>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class PyFtpdServer {
public:
    static constexpr const char* User = "brimol";
    static constexpr const char* Password = "pelrosta";

    struct Options {
        // The served directory; empty = a fresh TempDir owned by the server.
        std::string root;
        // Passed on to pyftpd_server.py, e.g. {"--passive-ports", "41000-41010"},
        // {"--banner", "text"}, {"--host", "::1"} (an IPv6 server, whose
        // data connections then go over IPv6 too) or {"--verbose"}.
        std::vector<std::string> extraArgs;
        // How long the server may take to report its port.
        std::chrono::milliseconds startWithin{20000};
    };

    // Starts the server and waits for its port; throws std::runtime_error when
    // it does not come up in time (the child is then stopped again).
    PyFtpdServer();
    explicit PyFtpdServer(Options options);
    // Stops the server (SIGTERM to its process group, SIGKILL if it lingers),
    // reaps it, and removes the root when it made it.
    ~PyFtpdServer();
    PyFtpdServer(const PyFtpdServer&) = delete;
    PyFtpdServer& operator=(const PyFtpdServer&) = delete;

    int Port() const { return FPort; }
    const std::string& Root() const { return FRoot; }
    // Path of `relative` inside the served directory.
    std::string RootFile(const std::string& relative) const { return FRoot + "/" + relative; }
    pid_t Pid() const { return FProcess ? FProcess->Pid() : -1; }

private:
    void Start(const Options& options);

    std::unique_ptr<TempDir> FOwnRoot;
    std::string FRoot;
    // Declared after the root: the server stops before its root goes.
    std::unique_ptr<ChildProcessGroup> FProcess;
    int FPort = 0;
};
