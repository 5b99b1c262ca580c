// A real proxy server (microsocks, danted) run as a child process for the
// duration of a test: started in its own process group, awaited until it
// listens, and stopped and reaped with everything it started.
#pragma once

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
    // SIGTERM to the group, SIGKILL when it lingers, then reaps the child.
    ~ProxyProcess();
    ProxyProcess(const ProxyProcess&) = delete;
    ProxyProcess& operator=(const ProxyProcess&) = delete;

    // True once 127.0.0.1:`port` accepts a connection; false when the process
    // ends or the deadline passes first.
    bool WaitUntilListening(int port, std::chrono::milliseconds within);

private:
    void Stop();

    pid_t FPid = -1;   // -1 once reaped
    pid_t FGroup = -1; // kept after reaping: helpers may outlive the leader
};

// A port on 127.0.0.1 that was free a moment ago.
int FreeLoopbackPort();
