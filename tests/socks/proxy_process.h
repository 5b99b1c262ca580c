// A real proxy server (microsocks, danted) run as a child process for the
// duration of a test: started in its own process group, awaited until it
// listens, and stopped and reaped with everything it started.
#pragma once

#include "support/raw_socket.h" // FreeLoopbackPort

#include "support/child_process_group.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

class ProxyProcess {
public:
    // Starts `argv` (argv[0] is the program's path); its output goes to
    // `logPath`, or nowhere when that is empty. Throws std::runtime_error when
    // the process cannot be started.
    ProxyProcess(const std::vector<std::string>& argv, const std::string& logPath);
    // SIGTERM to the leader, SIGKILL to the group when it lingers, then reaps
    // the child.
    ~ProxyProcess() = default;
    ProxyProcess(const ProxyProcess&) = delete;
    ProxyProcess& operator=(const ProxyProcess&) = delete;

    // True once 127.0.0.1:`port` accepts a connection; false when the process
    // ends or the deadline passes first.
    bool WaitUntilListening(int port, std::chrono::milliseconds within);

private:
    // Opened before the process starts, closed once it has (the child keeps its copy).
    struct LogFile {
        explicit LogFile(const std::string& path);
        ~LogFile();
        LogFile(const LogFile&) = delete;
        LogFile& operator=(const LogFile&) = delete;
        int Fd = -1;
    };
    static ChildProcessGroup Start(const std::vector<std::string>& argv,
                                   const std::string& logPath);

    ChildProcessGroup FProcess;
};
