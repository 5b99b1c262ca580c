#include "support/raw_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const char* what) {
    throw std::runtime_error(std::string("test peer: ") + what + ": " + std::strerror(errno));
}

} // namespace

int ListenOnLoopback(int backlog, int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        Fail("socket");
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sin.sin_port = 0;
    socklen_t size = sizeof sin;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0 ||
        ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sin), &size) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        Fail("listen on 127.0.0.1");
    }
    port = ntohs(sin.sin_port);
    return fd;
}

int FreeLoopbackPort() {
    int port = 0;
    int fd = ListenOnLoopback(1, port);
    CloseFd(fd);
    return port;
}

bool LoopbackAccepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

short WaitForEvents(int fd, short events, SupportClock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, MillisLeft(deadline));
        if (r > 0)
            return p.revents;
        if (r == 0)
            return 0;
        if (errno != EINTR)
            return POLLERR;
    }
}

bool SendAll(int fd, std::string_view bytes, SupportClock::time_point deadline) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n =
            ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const short ready = WaitForEvents(fd, POLLOUT, deadline);
            if (ready == 0 || (ready & (POLLERR | POLLNVAL)) != 0)
                return false;
            continue;
        }
        return false;
    }
    return true;
}

void SetNonBlocking(int fd, bool on) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    ::fcntl(fd, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK));
}

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}
