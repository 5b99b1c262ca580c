#include "support/raw_connection.h"

#include "support/raw_socket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

RawConnection::RawConnection(int fd) : FFd(fd) {}

RawConnection::~RawConnection() {
    CloseFd(FFd);
}

RawConnection::RawConnection(RawConnection&& other) noexcept
    : FFd(std::exchange(other.FFd, -1)), FPeerClosed(other.FPeerClosed),
      FPending(std::move(other.FPending)) {}

RawConnection& RawConnection::operator=(RawConnection&& other) noexcept {
    if (this != &other) {
        CloseFd(FFd);
        FFd = std::exchange(other.FFd, -1);
        FPeerClosed = other.FPeerClosed;
        FPending = std::move(other.FPending);
    }
    return *this;
}

RawConnection RawConnection::Connect(int port, std::chrono::milliseconds within) {
    return ConnectIPv6OrNot(port, within, false);
}

RawConnection RawConnection::ConnectIPv6(int port, std::chrono::milliseconds within) {
    return ConnectIPv6OrNot(port, within, true);
}

RawConnection RawConnection::ConnectIPv6OrNot(int port, std::chrono::milliseconds within,
                                              bool ipv6) {
    const auto deadline = SupportClock::now() + within;
    int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        throw std::runtime_error(std::string("test peer: socket: ") + std::strerror(errno));
    RawConnection conn(fd);
    sockaddr_storage target{};
    socklen_t targetSize = sizeof(sockaddr_in);
    if (ipv6) {
        auto* sin6 = reinterpret_cast<sockaddr_in6*>(&target);
        sin6->sin6_family = AF_INET6;
        sin6->sin6_addr = in6addr_loopback;
        sin6->sin6_port = htons(static_cast<uint16_t>(port));
        targetSize = sizeof(sockaddr_in6);
    } else {
        auto* sin = reinterpret_cast<sockaddr_in*>(&target);
        sin->sin_family = AF_INET;
        sin->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sin->sin_port = htons(static_cast<uint16_t>(port));
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&target), targetSize) != 0) {
        if (errno != EINPROGRESS)
            throw std::runtime_error(std::string("test peer: connect: ") + std::strerror(errno));
        if (WaitForEvents(fd, POLLOUT, deadline) == 0)
            throw std::runtime_error("test peer: connect did not finish in time");
        int error = 0;
        socklen_t size = sizeof error;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0)
            throw std::runtime_error(std::string("test peer: connect: ") + std::strerror(error));
    }
    SetNonBlocking(fd, false);
    return conn;
}

bool RawConnection::Send(std::string_view bytes, std::chrono::milliseconds within) {
    return FFd >= 0 && SendAll(FFd, bytes, SupportClock::now() + within);
}

bool RawConnection::Fill(SupportClock::time_point deadline) {
    if (FFd < 0 || FPeerClosed)
        return false;
    const short ready = WaitForEvents(FFd, POLLIN, deadline);
    if (ready == 0)
        return false;
    bool got = false;
    char chunk[16384];
    for (;;) {
        const ssize_t n = ::recv(FFd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            FPending.append(chunk, static_cast<size_t>(n));
            got = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // End of stream or a reset.
        FPeerClosed = true;
        break;
    }
    return got;
}

std::string RawConnection::TakePending(size_t count) {
    count = std::min(count, FPending.size());
    std::string out = FPending.substr(0, count);
    FPending.erase(0, count);
    return out;
}

std::string RawConnection::ReadAvailable(std::chrono::milliseconds within) {
    if (FPending.empty())
        Fill(SupportClock::now() + within);
    return TakePending(FPending.size());
}

std::string RawConnection::ReadExactly(size_t count, std::chrono::milliseconds within) {
    const auto deadline = SupportClock::now() + within;
    while (FPending.size() < count && Fill(deadline)) {
    }
    return TakePending(count);
}

std::string RawConnection::ReadLine(std::chrono::milliseconds within) {
    const auto deadline = SupportClock::now() + within;
    while (FPending.find('\n') == std::string::npos && Fill(deadline)) {
    }
    const size_t lf = FPending.find('\n');
    return TakePending(lf == std::string::npos ? FPending.size() : lf + 1);
}

std::string RawConnection::ReadUntilClose(std::chrono::milliseconds within) {
    WaitForClose(within);
    return TakePending(FPending.size());
}

bool RawConnection::WaitForClose(std::chrono::milliseconds within) {
    const auto deadline = SupportClock::now() + within;
    while (!FPeerClosed && FFd >= 0) {
        if (!Fill(deadline) && !FPeerClosed)
            return false;
    }
    return FPeerClosed;
}

void RawConnection::Close() {
    CloseFd(FFd);
}

void RawConnection::Abort() {
    if (FFd < 0)
        return;
    linger hard{1, 0};
    ::setsockopt(FFd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    CloseFd(FFd);
}

void RawConnection::ShutdownSend() {
    if (FFd >= 0)
        ::shutdown(FFd, SHUT_WR);
}
