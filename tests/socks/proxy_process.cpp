#include "proxy_process.h"

#include "support/deadline.h"
#include "support/raw_connection.h"
#include "support/raw_socket.h"

#include <fcntl.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds Poll{50};

} // namespace

ProxyProcess::LogFile::LogFile(const std::string& path)
    : Fd(path.empty() ? ChildProcessGroup::ToDevNull
                      : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600)) {}

ProxyProcess::LogFile::~LogFile() {
    if (Fd >= 0)
        CloseFd(Fd);
}

ChildProcessGroup ProxyProcess::Start(const std::vector<std::string>& argv,
                                      const std::string& logPath) {
    const LogFile log(logPath);
    const int out = log.Fd >= 0 ? log.Fd : ChildProcessGroup::ToDevNull;
    // The leader alone gets the SIGTERM: danted stops and reaps its own helpers.
    return ChildProcessGroup(argv, out, out, ChildProcessGroup::StopSignalTo::Leader);
}

ProxyProcess::ProxyProcess(const std::vector<std::string>& argv, const std::string& logPath)
    : FProcess(Start(argv, logPath)) {}

bool ProxyProcess::WaitUntilListening(int port, std::chrono::milliseconds within) {
    const auto deadline = SupportClock::now() + within;
    while (SupportClock::now() < deadline) {
        if (FProcess.HasEnded())
            return false;
        try {
            RawConnection probe = RawConnection::Connect(port, Poll);
            return true;
        } catch (const std::runtime_error&) {
            std::this_thread::sleep_for(Poll);
        }
    }
    return false;
}
