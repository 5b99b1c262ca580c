// Runs one scrivlet-ftp command against a server.
#pragma once

#include "cli_options.h"
#include "ls_output.h"

#include <cstdint>
#include <ostream>
#include <string>

// "<bytes> bytes in <seconds> s (<rate> MB/s)".
std::string FormatTransferSummary(int64_t bytes, double seconds);

// Connects, logs in, runs the command and signs off. Output goes to `out`,
// transfer figures and errors to `err`. Returns the exit status.
int RunCli(const CliOptions& options, std::ostream& out, std::ostream& err);
