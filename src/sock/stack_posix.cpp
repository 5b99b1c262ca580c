// The POSIX stack's socket calls. Each returns the platform's result and, on
// failure, records the code for LastErrorCode; it raises only where its
// declaration in stack_posix.h says so.
#include "sock/stack_posix.h"

#include "core/exceptions.h"
#include "sock/ipv6_text.h"
#include "sock/socket_address.h"
#include "sock/socket_list.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

thread_local int32_t LastCode = 0;

// getsockname or getpeername; the address is filled only when the call worked.
int SocketName(int (*call)(int, sockaddr*, socklen_t*), TIdStackSocketHandle socket, int& family,
               int32_t& port, std::string& address) {
    sockaddr_storage storage{};
    socklen_t size = sizeof storage;
    const int r = call(socket, reinterpret_cast<sockaddr*>(&storage), &size);
    if (r == 0)
        family = ReadSocketAddress(storage, port, address);
    return r;
}

} // namespace

TIdStackPosix::TIdStackPosix() {
    if (!StackStarted) {
        // A peer that closes while we send must give an error, not kill the process.
        std::signal(SIGPIPE, SIG_IGN);
        StackStarted = true;
    }
}

void TIdStackPosix::RecordError(int32_t code) {
    LastCode = code;
}
void TIdStackPosix::RecordErrno(TIdSocketCall call) {
    LastCode = SocketCodeFromErrno(errno, call);
}
int32_t TIdStackPosix::LastErrorCode() {
    return LastCode;
}
socklen_t TIdStackPosix::FillSocketAddress(int family, int32_t port, const std::string& address,
                                           sockaddr_storage& out) {
    std::memset(&out, 0, sizeof out);
    uint8_t bytes6[16];
    const bool ipv6 = address.empty() ? family == Id_PF_INET6 : ParseIPv6(address, bytes6);
    if (ipv6) {
        sockaddr_in6 sin6{};
        sin6.sin6_family = AF_INET6;
        sin6.sin6_port = htons(static_cast<uint16_t>(port));
        if (!address.empty())
            std::memcpy(&sin6.sin6_addr, bytes6, sizeof bytes6);
        std::memcpy(&out, &sin6, sizeof sin6);
        return sizeof sin6;
    }
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(static_cast<uint16_t>(port));
    if (address.empty()) {
        sin.sin_addr.s_addr = htonl(INADDR_ANY);
    } else {
        uint8_t bytes[4];
        TextToAddress(address, bytes);
        std::memcpy(&sin.sin_addr.s_addr, bytes, 4);
    }
    std::memcpy(&out, &sin, sizeof sin);
    return sizeof sin;
}

TIdStackSocketHandle TIdStackPosix::SockCreate(int family, int type, int protocol) {
    const int kind = (type == Id_SOCK_STREAM ? SOCK_STREAM : type) | SOCK_CLOEXEC;
    const int fd = ::socket(family == Id_PF_INET6 ? AF_INET6 : AF_INET, kind, protocol);
    if (fd < 0)
        RecordErrno();
    return fd;
}

// The empty address means "any local address" only to a bind. A connect to it
// would quietly reach this host, so it fails in the conversion instead, as any
// other address that is no dotted text does.
void TIdStackPosix::RefuseEmptyPeer(const std::string& address) {
    if (address.empty()) {
        uint8_t bytes[4];
        TextToAddress(address, bytes);
    }
}

int TIdStackPosix::SockBind(TIdStackSocketHandle socket, int family, int32_t port,
                            const std::string& address) {
    sockaddr_storage target{};
    const socklen_t size = FillSocketAddress(family, port, address, target);
    const int r = ::bind(socket, reinterpret_cast<sockaddr*>(&target), size);
    if (r < 0)
        RecordErrno();
    return r;
}

int TIdStackPosix::SockConnect(TIdStackSocketHandle socket, int family, int32_t port,
                               const std::string& address) {
    RefuseEmptyPeer(address);
    sockaddr_storage target{};
    const socklen_t size = FillSocketAddress(family, port, address, target);
    int r;
    do {
        r = ::connect(socket, reinterpret_cast<sockaddr*>(&target), size);
    } while (r < 0 && errno == EINTR);
    if (r < 0)
        RecordErrno();
    return r;
}

int TIdStackPosix::SockConnectWithin(TIdStackSocketHandle socket, int32_t port,
                                     const std::string& address, int32_t timeout, bool& timedOut) {
    timedOut = false;
    RefuseEmptyPeer(address);
    sockaddr_storage target{};
    const socklen_t targetSize = FillSocketAddress(AddressFamilyOf(address), port, address, target);
    const int flags = ::fcntl(socket, F_GETFL, 0);
    if (flags < 0 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) < 0) {
        RecordErrno();
        return Id_SOCKET_ERROR;
    }
    int result = 0;
    if (::connect(socket, reinterpret_cast<sockaddr*>(&target), targetSize) < 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            RecordErrno();
            result = Id_SOCKET_ERROR;
        } else {
            pollfd fd{socket, POLLOUT, 0};
            const auto deadline = std::chrono::steady_clock::now() +
                                  std::chrono::milliseconds(timeout < 0 ? 0 : timeout);
            for (;;) {
                int wait = -1;
                if (timeout != IdTimeoutInfinite) {
                    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now());
                    wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
                }
                const int r = ::poll(&fd, 1, wait);
                if (r < 0 && errno == EINTR)
                    continue;
                if (r < 0) {
                    RecordErrno();
                    result = Id_SOCKET_ERROR;
                } else if (r == 0) {
                    timedOut = true;
                    RecordError(IdCode::WSAETIMEDOUT);
                    result = Id_SOCKET_ERROR;
                } else {
                    int error = 0;
                    socklen_t size = sizeof error;
                    ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size);
                    if (error != 0) {
                        RecordError(SocketCodeFromErrno(error));
                        result = Id_SOCKET_ERROR;
                    }
                }
                break;
            }
        }
    }
    ::fcntl(socket, F_SETFL, flags);
    return result;
}

int TIdStackPosix::SockListen(TIdStackSocketHandle socket, int backlog) {
    const int r = ::listen(socket, backlog);
    if (r < 0)
        RecordErrno();
    return r;
}

TIdStackSocketHandle TIdStackPosix::SockAccept(TIdStackSocketHandle socket, std::string& address,
                                               int32_t& port) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    int fd;
    do {
        fd = ::accept4(socket, reinterpret_cast<sockaddr*>(&storage), &length, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        RecordErrno(TIdSocketCall::Accept);
        return Id_INVALID_SOCKET;
    }
    ReadSocketAddress(storage, port, address);
    return fd;
}

int64_t TIdStackPosix::SockSend(TIdStackSocketHandle socket, const void* buffer, int64_t length,
                                int flags) {
    ssize_t n;
    do {
        n = ::send(socket, buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        RecordErrno();
    return n;
}

int64_t TIdStackPosix::SockReceive(TIdStackSocketHandle socket, void* buffer, int64_t length,
                                   int flags) {
    ssize_t n;
    do {
        n = ::recv(socket, buffer, static_cast<size_t>(length), flags);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        RecordErrno();
    return n;
}

int64_t TIdStackPosix::SockSendTo(TIdStackSocketHandle socket, const void* buffer, int64_t length,
                                  int flags, int32_t port, const std::string& address) {
    sockaddr_storage target{};
    const socklen_t size = FillSocketAddress(AddressFamilyOf(address), port, address, target);
    const ssize_t n = ::sendto(socket, buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL,
                               reinterpret_cast<sockaddr*>(&target), size);
    if (n < 0)
        RecordErrno();
    return n;
}

int64_t TIdStackPosix::SockReceiveFrom(TIdStackSocketHandle socket, void* buffer, int64_t length,
                                       int flags, int32_t& port, std::string& address) {
    sockaddr_storage storage{};
    socklen_t size = sizeof storage;
    const ssize_t n = ::recvfrom(socket, buffer, static_cast<size_t>(length), flags,
                                 reinterpret_cast<sockaddr*>(&storage), &size);
    if (n < 0) {
        RecordErrno();
        return n;
    }
    ReadSocketAddress(storage, port, address);
    return n;
}

int TIdStackPosix::SockSelect(TIdSocketList* readList, TIdSocketList* writeList,
                              TIdSocketList* errorList, int32_t timeout) {
    // poll() instead of select(): descriptors above FD_SETSIZE must work too.
    constexpr int Max = TIdSocketListPosix::Capacity;
    pollfd fds[3 * Max];
    int count = 0;
    TIdSocketList* lists[3] = {readList, writeList, errorList};
    const short events[3] = {POLLIN, POLLOUT, POLLPRI};
    for (int l = 0; l < 3; ++l) {
        if (lists[l] == nullptr)
            continue;
        if (lists[l]->SocketCount() > Max)
            throw EIdStackSetSizeExceeded();
        for (int32_t i = 0; i < lists[l]->SocketCount(); ++i)
            fds[count++] = pollfd{lists[l]->SocketAt(i), events[l], 0};
    }
    const int wait = timeout == IdTimeoutInfinite ? -1 : (timeout < 0 ? 0 : timeout);
    int r;
    do {
        r = ::poll(fds, static_cast<nfds_t>(count), wait);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        RecordErrno();
        return Id_SOCKET_ERROR;
    }
    int ready = 0;
    int at = 0;
    for (int l = 0; l < 3; ++l) {
        if (lists[l] == nullptr)
            continue;
        const int32_t n = lists[l]->SocketCount();
        lists[l]->Clear();
        for (int32_t i = 0; i < n; ++i, ++at) {
            // Hang-up and errors make a socket readable, as select() reports them.
            const short mask = l == 0 ? (POLLIN | POLLHUP | POLLERR) : events[l];
            if (fds[at].revents & (mask | (l == 1 ? POLLERR : 0))) {
                lists[l]->AddSocket(fds[at].fd);
                ++ready;
            }
        }
    }
    return ready;
}

int TIdStackPosix::SockShutdown(TIdStackSocketHandle socket, int how) {
    const int r = ::shutdown(socket, how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR);
    if (r < 0)
        RecordErrno();
    return r;
}

int TIdStackPosix::SockClose(TIdStackSocketHandle socket) {
    // close() alone does not wake a thread blocked in poll(), recv() or accept()
    // on this socket; shutting both directions down first does.
    ::shutdown(socket, SHUT_RDWR);
    const int r = ::close(socket);
    if (r < 0)
        RecordErrno();
    return r;
}

int TIdStackPosix::SockSetOption(TIdStackSocketHandle socket, int level, int option,
                                 const void* value, int length) {
    const int r = ::setsockopt(socket, level, option, value, static_cast<socklen_t>(length));
    if (r < 0)
        RecordErrno();
    return r;
}

int TIdStackPosix::SockGetOption(TIdStackSocketHandle socket, int level, int option, void* value,
                                 int& length) {
    socklen_t size = static_cast<socklen_t>(length);
    const int r = ::getsockopt(socket, level, option, value, &size);
    if (r < 0)
        RecordErrno();
    length = static_cast<int>(size);
    return r;
}
void TIdStackPosix::SockLocalName(TIdStackSocketHandle socket, int& family, int32_t& port,
                                  std::string& address) {
    CheckNameResult(SocketName(::getsockname, socket, family, port, address));
}

void TIdStackPosix::SockPeerName(TIdStackSocketHandle socket, int& family, int32_t& port,
                                 std::string& address) {
    CheckNameResult(SocketName(::getpeername, socket, family, port, address));
}

void TIdStackPosix::CheckNameResult(int result) {
    if (result < 0)
        RecordErrno();
    CheckSocketResult(result);
}
