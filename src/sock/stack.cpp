#include "sock/stack.h"

#include "core/exceptions.h"
#include "core/text.h"
#include "sock/socket_list.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

thread_local int32_t LastCode = 0;
thread_local int32_t LastCheckedCode = 0;

sockaddr_in* AsInet(sockaddr_storage& storage) {
    return reinterpret_cast<sockaddr_in*>(&storage);
}

std::string InetText(const in_addr& address) {
    const auto* b = reinterpret_cast<const uint8_t*>(&address.s_addr);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

} // namespace

// --- TIdThreadSocketError ---

TIdThreadSocketError::operator int32_t() const {
    return LastCheckedCode;
}

TIdThreadSocketError& TIdThreadSocketError::operator=(int32_t code) {
    LastCheckedCode = code;
    return *this;
}

// --- TIdStack ---

std::string TIdStack::SocketErrorText(int32_t code) {
    const auto msg = BaseSocketErrorMsg(code);
    return FormatMsg(TIdMsg::SocketError, {std::to_string(code), msg ? MsgText(*msg) : ""});
}

// --- TIdStackPosix ---

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

std::string TIdStackPosix::SocketErrorText(int32_t code) {
    if (code == IdCode::WSAHOST_NOT_FOUND)
        return FormatMsg(TIdMsg::SocketError,
                         {std::to_string(code), MsgText(TIdMsg::SockHOST_NOT_FOUND)});
    return TIdStack::SocketErrorText(code);
}

bool TIdStackPosix::FillSocketAddress(int32_t port, const std::string& address, void* out) {
    auto* sin = static_cast<sockaddr_in*>(out);
    std::memset(sin, 0, sizeof *sin);
    sin->sin_family = AF_INET;
    sin->sin_port = htons(static_cast<uint16_t>(port));
    if (address.empty()) {
        sin->sin_addr.s_addr = htonl(INADDR_ANY);
    } else {
        uint8_t bytes[4];
        TextToAddress(address, bytes);
        std::memcpy(&sin->sin_addr.s_addr, bytes, 4);
    }
    return true;
}

TIdStackSocketHandle TIdStackPosix::SockCreate(int /*family*/, int type, int protocol) {
    const int kind = (type == Id_SOCK_STREAM ? SOCK_STREAM : type) | SOCK_CLOEXEC;
    const int fd = ::socket(AF_INET, kind, protocol);
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

int TIdStackPosix::SockBind(TIdStackSocketHandle socket, int, int32_t port,
                            const std::string& address) {
    sockaddr_in sin{};
    FillSocketAddress(port, address, &sin);
    const int r = ::bind(socket, reinterpret_cast<sockaddr*>(&sin), sizeof sin);
    if (r < 0)
        RecordErrno();
    return r;
}

int TIdStackPosix::SockConnect(TIdStackSocketHandle socket, int, int32_t port,
                               const std::string& address) {
    RefuseEmptyPeer(address);
    sockaddr_in sin{};
    FillSocketAddress(port, address, &sin);
    int r;
    do {
        r = ::connect(socket, reinterpret_cast<sockaddr*>(&sin), sizeof sin);
    } while (r < 0 && errno == EINTR);
    if (r < 0)
        RecordErrno();
    return r;
}

int TIdStackPosix::SockConnectWithin(TIdStackSocketHandle socket, int32_t port,
                                     const std::string& address, int32_t timeout, bool& timedOut) {
    timedOut = false;
    RefuseEmptyPeer(address);
    sockaddr_in sin{};
    FillSocketAddress(port, address, &sin);
    const int flags = ::fcntl(socket, F_GETFL, 0);
    if (flags < 0 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) < 0) {
        RecordErrno();
        return Id_SOCKET_ERROR;
    }
    int result = 0;
    if (::connect(socket, reinterpret_cast<sockaddr*>(&sin), sizeof sin) < 0) {
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
    address = InetText(AsInet(storage)->sin_addr);
    port = ntohs(AsInet(storage)->sin_port);
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
    sockaddr_in sin{};
    FillSocketAddress(port, address, &sin);
    const ssize_t n = ::sendto(socket, buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL,
                               reinterpret_cast<sockaddr*>(&sin), sizeof sin);
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
    address = InetText(AsInet(storage)->sin_addr);
    port = ntohs(AsInet(storage)->sin_port);
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
    sockaddr_storage storage{};
    socklen_t size = sizeof storage;
    const int r = ::getsockname(socket, reinterpret_cast<sockaddr*>(&storage), &size);
    if (r < 0)
        RecordErrno();
    CheckSocketResult(r);
    family = Id_PF_INET;
    port = ntohs(AsInet(storage)->sin_port);
    address = InetText(AsInet(storage)->sin_addr);
}

void TIdStackPosix::SockPeerName(TIdStackSocketHandle socket, int& family, int32_t& port,
                                 std::string& address) {
    sockaddr_storage storage{};
    socklen_t size = sizeof storage;
    const int r = ::getpeername(socket, reinterpret_cast<sockaddr*>(&storage), &size);
    if (r < 0)
        RecordErrno();
    CheckSocketResult(r);
    family = Id_PF_INET;
    port = ntohs(AsInet(storage)->sin_port);
    address = InetText(AsInet(storage)->sin_addr);
}

std::string TIdStackPosix::LookupHost(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        // Every resolver failure is reported as the one "host not found" code.
        RecordError(IdCode::WSAHOST_NOT_FOUND);
        CheckSocketResult(Id_SOCKET_ERROR);
    }
    const std::string text = InetText(reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr);
    ::freeaddrinfo(found);
    return text;
}

std::string TIdStackPosix::ResolveAddressName(const std::string& address) {
    sockaddr_in sin{};
    FillSocketAddress(0, address, &sin);
    char name[NI_MAXHOST];
    if (::getnameinfo(reinterpret_cast<sockaddr*>(&sin), sizeof sin, name, sizeof name, nullptr, 0,
                      NI_NAMEREQD) != 0) {
        RecordError(IdCode::WSAHOST_NOT_FOUND);
        CheckSocketResult(Id_SOCKET_ERROR);
    }
    return name;
}

std::string TIdStackPosix::LocalHostName() {
    char name[251] = {};
    ::gethostname(name, 250);
    return name;
}

void TIdStackPosix::FillHostAddresses() {
    LocalAddressList.clear();
    const std::string name = LocalHostName();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) {
        RecordError(IdCode::WSAHOST_NOT_FOUND);
        CheckSocketResult(Id_SOCKET_ERROR);
    }
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const std::string text = InetText(reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr);
        if (IndexInList(text, LocalAddressList) < 0)
            LocalAddressList.push_back(text);
    }
    ::freeaddrinfo(found);
}

const std::vector<std::string>& TIdStackPosix::HostAddresses() {
    FillHostAddresses();
    return LocalAddressList;
}

std::string TIdStackPosix::PrimaryHostAddress() {
    const auto& list = HostAddresses();
    return list.empty() ? std::string() : list.front();
}

int32_t TIdStackPosix::ServicePort(const std::string& service) {
    servent entry{};
    servent* found = nullptr;
    char scratch[1024];
    if (::getservbyname_r(service.c_str(), nullptr, &entry, scratch, sizeof scratch, &found) == 0 &&
        found != nullptr)
        return ntohs(static_cast<uint16_t>(found->s_port));
    const auto number = TryStrToInt(service);
    if (!number)
        throw EIdInvalidServiceName(service);
    return *number;
}

std::vector<std::string> TIdStackPosix::ServiceNames(int32_t port) {
    std::vector<std::string> names;
    servent entry{};
    servent* found = nullptr;
    char scratch[1024];
    if (::getservbyport_r(htons(static_cast<uint16_t>(port)), nullptr, &entry, scratch,
                          sizeof scratch, &found) == 0 &&
        found != nullptr) {
        names.emplace_back(found->s_name);
        for (char** alias = found->s_aliases; alias != nullptr && *alias != nullptr; ++alias)
            names.emplace_back(*alias);
    }
    return names;
}

uint16_t TIdStackPosix::HostToNetShort(uint16_t value) {
    return htons(value);
}
uint16_t TIdStackPosix::NetToHostShort(uint16_t value) {
    return ntohs(value);
}
uint32_t TIdStackPosix::HostToNetLong(uint32_t value) {
    return htonl(value);
}
uint32_t TIdStackPosix::NetToHostLong(uint32_t value) {
    return ntohl(value);
}

std::string TIdStackPosix::AddressToText(const uint8_t (&bytes)[4]) {
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
           std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

void TIdStackPosix::TextToAddress(const std::string& text, uint8_t (&bytes)[4]) {
    std::string rest = text;
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(StrToInt(CutToken(rest, ".")) & 0xFF);
}

// --- Process-wide state ---

TIdStackFactory StackClass = [] { return std::make_unique<TIdStackPosix>(); };
std::unique_ptr<TIdStack> SharedStack;
int32_t StackUsers = 0;
std::recursive_mutex StackLock;
bool StackStarted = false;
std::function<int64_t(TIdStackSocketHandle, const std::string&)> SendFileDirect;

std::unique_ptr<TIdStack> MakeSharedStack() {
    return StackClass();
}

TIdStack& Stack() {
    std::lock_guard<std::recursive_mutex> hold(StackLock);
    if (!SharedStack)
        // Used outside any component (a helper call): make one on demand.
        SharedStack = MakeSharedStack();
    return *SharedStack;
}

void AddStackUser() {
    std::lock_guard<std::recursive_mutex> hold(StackLock);
    if (StackUsers++ == 0 && !SharedStack)
        SharedStack = MakeSharedStack();
}

void RemoveStackUser() {
    std::lock_guard<std::recursive_mutex> hold(StackLock);
    if (StackUsers-- == 1)
        SharedStack.reset();
}

bool IsIPAddress(const std::string& text) {
    std::string rest = text;
    std::string parts[4];
    for (int i = 0; i < 3; ++i)
        parts[i] = CutToken(rest, ".");
    parts[3] = rest;
    for (const auto& part : parts) {
        const auto value = TryStrToInt(part);
        if (!value || *value < 0 || *value > 255)
            return false;
    }
    return true;
}

std::string ResolveHostAddress(const std::string& host) {
    if (UpperCase(host) == "LOCALHOST")
        return "127.0.0.1";
    if (IsIPAddress(host))
        return host;
    return Stack().LookupHost(host);
}

bool CheckSocketResult(int64_t result, std::initializer_list<int32_t> expected) {
    if (result != Id_SOCKET_ERROR)
        return false;
    TIdStack& stack = Stack();
    const int32_t failure = stack.LastErrorCode();
    stack.LastSocketError = failure;
    for (int32_t code : expected)
        if (code == failure)
            return true;
    ThrowSocketError(failure);
}

void ThrowSocketError(int32_t code) {
    throw EIdSocketError(code, Stack().SocketErrorText(code));
}

TIdStackSocketHandle CreateSocketValue(int type, int protocol) {
    const TIdStackSocketHandle fd = Stack().SockCreate(Id_PF_INET, type, protocol);
    if (fd == Id_INVALID_SOCKET)
        throw EIdInvalidSocket();
    return fd;
}
