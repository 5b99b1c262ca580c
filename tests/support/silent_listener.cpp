#include "support/silent_listener.h"

#include "support/raw_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// How long a loopback handshake may take before we call the attempt hanging.
// A completed one takes microseconds, so this only has to beat scheduling noise.
constexpr std::chrono::milliseconds HandshakeGrace{300};
constexpr int MaxFillers = 64;

} // namespace

SilentListener::SilentListener() {
    FListener = ListenOnLoopback(0, FPort);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sin.sin_port = htons(static_cast<uint16_t>(FPort));
    for (int i = 0; i < MaxFillers; ++i) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            break;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0 &&
            errno != EINPROGRESS) {
            ::close(fd);
            break;
        }
        if (WaitForEvents(fd, POLLOUT, SupportClock::now() + HandshakeGrace) == 0) {
            // The queue is full: this attempt hangs, and so will the next one.
            ::close(fd);
            return;
        }
        FFillers.push_back(fd);
    }
    for (int& fd : FFillers)
        CloseFd(fd);
    CloseFd(FListener);
    throw std::runtime_error("test peer: could not make a loopback port that drops connects");
}

SilentListener::~SilentListener() {
    for (int& fd : FFillers)
        CloseFd(fd);
    CloseFd(FListener);
}
