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

int ListenOnLoopback(int backlog, int& port, const char* address) {
    sockaddr_storage storage{};
    socklen_t size = 0;
    if (::inet_pton(AF_INET6, address, &reinterpret_cast<sockaddr_in6*>(&storage)->sin6_addr) ==
        1) {
        storage.ss_family = AF_INET6;
        size = sizeof(sockaddr_in6);
    } else if (::inet_pton(AF_INET, address, &reinterpret_cast<sockaddr_in*>(&storage)->sin_addr) ==
               1) {
        storage.ss_family = AF_INET;
        size = sizeof(sockaddr_in);
    } else {
        throw std::runtime_error(std::string("test peer: not an address: ") + address);
    }
    int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        Fail("socket");
    auto* where = reinterpret_cast<sockaddr*>(&storage);
    if (::bind(fd, where, size) != 0 || ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, where, &size) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        Fail((std::string("listen on ") + address).c_str());
    }
    port = storage.ss_family == AF_INET6
               ? ntohs(reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port)
               : ntohs(reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
    return fd;
}

bool HasIPv6Loopback() {
    try {
        int port = 0;
        int fd = ListenOnLoopback(1, port, "::1");
        CloseFd(fd);
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
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
