// Runs a program to its end with a deadline, capturing its output.
#pragma once

#include "support/deadline.h"

#include <chrono>
#include <string>
#include <vector>

struct ProcessResult {
    // The exit status; -1 when the program did not end normally.
    int ExitCode = -1;
    std::string Out;
    std::string Err;
    // The deadline passed: the program was killed.
    bool TimedOut = false;
};

// Starts argv[0] with the given arguments and `environment` added to ours
// ("NAME=value" entries), with no standard input. Kills it when it outlives
// the deadline.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment = {},
                         std::chrono::milliseconds within = std::chrono::milliseconds(60000));
