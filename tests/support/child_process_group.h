// A helper program run as a child process in a process group of its own for
// the duration of a test, and stopped with everything it started: SIGTERM, a
// grace period to end and be reaped, then SIGKILL to the whole group.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

class ChildProcessGroup {
public:
    // Where the child's output goes: one of these, or an open descriptor.
    static constexpr int ToDevNull = -1;
    static constexpr int Inherited = -2;
    // Who the SIGTERM goes to: the whole group, or the leader alone for a
    // program that stops and reaps its own helpers.
    enum class StopSignalTo { Group, Leader };

    // Starts `argv` (argv[0] is the program's path) with /dev/null as input.
    // Throws std::runtime_error when the process cannot be started.
    ChildProcessGroup(const std::vector<std::string>& argv, int stdoutFd, int stderrFd,
                      StopSignalTo stopSignalTo = StopSignalTo::Group);
    ~ChildProcessGroup();
    ChildProcessGroup(const ChildProcessGroup&) = delete;
    ChildProcessGroup& operator=(const ChildProcessGroup&) = delete;

    // The child's process id, which is also its group's id.
    pid_t Pid() const { return FGroup; }
    // True once the child has ended (it is reaped then); never waits.
    bool HasEnded();
    // Stops the group and reaps the child; later calls do nothing.
    void Stop();

private:
    pid_t FPid = -1;   // -1 once reaped
    pid_t FGroup = -1; // kept after reaping: helpers may outlive the leader
    StopSignalTo FStopSignalTo;
};
