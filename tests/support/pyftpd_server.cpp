#include "support/pyftpd_server.h"

#include "support/deadline.h"
#include "support/raw_socket.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace {

constexpr const char* Python = "/usr/bin/python3";

// Reads the first line of `fd` within the deadline; empty when none came.
std::string ReadFirstLine(int fd, SupportClock::time_point deadline) {
    std::string line;
    for (;;) {
        if (WaitForEvents(fd, POLLIN, deadline) == 0)
            return {};
        char c;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return {};
        if (c == '\n')
            return line;
        line += c;
    }
}

} // namespace

PyFtpdServer::PyFtpdServer() : PyFtpdServer(Options{}) {}

PyFtpdServer::PyFtpdServer(Options options) {
    if (options.root.empty()) {
        FOwnRoot = std::make_unique<TempDir>();
        FRoot = FOwnRoot->Path();
    } else {
        FRoot = options.root;
    }
    Start(options);
}

PyFtpdServer::~PyFtpdServer() = default;

void PyFtpdServer::Start(const Options& options) {
    std::vector<std::string> args = {Python, SCRIVLET_PYFTPD_SCRIPT, "--root", FRoot, "--user",
                                     User,   "--password",           Password};
    args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("test peer: pipe2 failed");
    try {
        FProcess = std::make_unique<ChildProcessGroup>(args, out[1], ChildProcessGroup::Inherited);
    } catch (...) {
        CloseFd(out[0]);
        CloseFd(out[1]);
        throw;
    }
    CloseFd(out[1]);
    const std::string line = ReadFirstLine(out[0], SupportClock::now() + options.startWithin);
    CloseFd(out[0]);
    FPort = std::atoi(line.c_str());
    if (FPort <= 0) {
        FProcess.reset();
        throw std::runtime_error("test peer: pyftpdlib server did not report its port (got \"" +
                                 line + "\")");
    }
}
