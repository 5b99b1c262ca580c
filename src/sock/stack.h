// The platform-neutral socket interface and the process-wide shared instance
// (the POSIX implementation is in stack_posix.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using TIdStackSocketHandle = int;
constexpr TIdStackSocketHandle Id_INVALID_SOCKET = -1;
constexpr int Id_SOCKET_ERROR = -1;
constexpr int Id_PF_INET = 2;
// The POSIX value; the Windows Sockets one (23) is never seen here.
constexpr int Id_PF_INET6 = 10;
constexpr int Id_SOCK_STREAM = 1;
constexpr int Id_IPPROTO_TCP = 6;
constexpr int Id_TCP_NODELAY = 1;
constexpr int32_t IdTimeoutDefault = -1;
constexpr int32_t IdTimeoutInfinite = -2;

#include "sock/socket_errors.h"

class TIdSocketList;

// The code of the calling thread's last failure that went through
// CheckSocketResult. Each thread has its own: two threads failing at once
// must not see, or raise, each other's code.
class TIdThreadSocketError {
public:
    operator int32_t() const;
    TIdThreadSocketError& operator=(int32_t code);
};

class TIdStack {
public:
    virtual ~TIdStack() = default;

    TIdThreadSocketError LastSocketError;

    virtual void FillHostAddresses() = 0;
    virtual std::string PrimaryHostAddress() = 0;
    virtual const std::vector<std::string>& HostAddresses() = 0;
    virtual TIdStackSocketHandle SockAccept(TIdStackSocketHandle socket, std::string& address,
                                            int32_t& port) = 0;
    virtual int SockBind(TIdStackSocketHandle socket, int family, int32_t port,
                         const std::string& address) = 0;
    virtual int SockClose(TIdStackSocketHandle socket) = 0;
    virtual int SockConnect(TIdStackSocketHandle socket, int family, int32_t port,
                            const std::string& address) = 0;
    // Connects within `timeout` ms (-2: no limit). 0 on success; -1 on failure
    // (LastErrorCode tells why), with `timedOut` set when the time ran out.
    virtual int SockConnectWithin(TIdStackSocketHandle socket, int32_t port,
                                  const std::string& address, int32_t timeout, bool& timedOut) = 0;
    virtual std::string LookupHost(const std::string& host) = 0;
    // Every address of the host, IPv6 and IPv4, in the resolver's order.
    virtual std::vector<std::string> LookupHostAddresses(const std::string& host) = 0;
    virtual std::string LocalHostName() = 0;
    virtual std::string ResolveAddressName(const std::string& address) = 0;
    virtual int32_t ServicePort(const std::string& service) = 0;
    virtual std::vector<std::string> ServiceNames(int32_t port) = 0;
    virtual uint16_t HostToNetShort(uint16_t value) = 0;
    virtual int SockListen(TIdStackSocketHandle socket, int backlog) = 0;
    virtual uint16_t NetToHostShort(uint16_t value) = 0;
    virtual uint32_t HostToNetLong(uint32_t value) = 0;
    virtual uint32_t NetToHostLong(uint32_t value) = 0;
    virtual int64_t SockReceive(TIdStackSocketHandle socket, void* buffer, int64_t length,
                                int flags) = 0;
    virtual int64_t SockReceiveFrom(TIdStackSocketHandle socket, void* buffer, int64_t length,
                                    int flags, int32_t& port, std::string& address) = 0;
    virtual int SockSelect(TIdSocketList* readList, TIdSocketList* writeList,
                           TIdSocketList* errorList, int32_t timeout) = 0;
    virtual int64_t SockSend(TIdStackSocketHandle socket, const void* buffer, int64_t length,
                             int flags) = 0;
    virtual int64_t SockSendTo(TIdStackSocketHandle socket, const void* buffer, int64_t length,
                               int flags, int32_t port, const std::string& address) = 0;
    virtual int SockSetOption(TIdStackSocketHandle socket, int level, int option, const void* value,
                              int length) = 0;
    virtual TIdStackSocketHandle SockCreate(int family, int type, int protocol) = 0;
    virtual int SockShutdown(TIdStackSocketHandle socket, int how) = 0;
    virtual std::string SocketErrorText(int32_t code);
    virtual int32_t LastErrorCode() = 0;
    virtual void SockPeerName(TIdStackSocketHandle socket, int& family, int32_t& port,
                              std::string& address) = 0;
    virtual void SockLocalName(TIdStackSocketHandle socket, int& family, int32_t& port,
                               std::string& address) = 0;
    virtual int SockGetOption(TIdStackSocketHandle socket, int level, int option, void* value,
                              int& length) = 0;
    virtual std::string AddressToText(const uint8_t (&bytes)[4]) = 0;
    // Raises EConvertError when a part is not an integer.
    virtual void TextToAddress(const std::string& text, uint8_t (&bytes)[4]) = 0;

protected:
    std::vector<std::string> LocalAddressList;
};

// --- Process-wide stack state ---

using TIdStackFactory = std::function<std::unique_ptr<TIdStack>()>;

// The factory SharedStack is made from; tests may replace it to inject failures.
extern TIdStackFactory StackClass;
// Lives while at least one network component exists.
extern std::unique_ptr<TIdStack> SharedStack;
extern int32_t StackUsers;
extern std::recursive_mutex StackLock;
// The platform start-up step has run (set once).
extern bool StackStarted;
// Sends a whole file over a connected socket; returns the bytes sent, 0 on failure.
extern std::function<int64_t(TIdStackSocketHandle, const std::string&)> SendFileDirect;

std::unique_ptr<TIdStack> MakeSharedStack();
// The shared stack; raises when no network component exists.
TIdStack& Stack();

// Registers and unregisters a network component (under StackLock).
void AddStackUser();
void RemoveStackUser();

// One address for the host (IPv4 from a lookup; an address text, IPv6 ones
// included, unchanged).
std::string ResolveHostAddress(const std::string& host);
// The addresses a connect to the host tries in turn: the address itself for an
// address text, "127.0.0.1" for "LOCALHOST", else every address of the host.
std::vector<std::string> ResolveHostAddresses(const std::string& host);
// Dotted IPv4 text only.
bool IsIPAddress(const std::string& text);
// Dotted IPv4 text or IPv6 text (sock/ipv6_text.h).
bool IsAddressText(const std::string& text);
// Id_PF_INET6 for IPv6 text, else Id_PF_INET (also for the empty text).
int AddressFamilyOf(const std::string& address);
TIdStackSocketHandle CreateSocketValue(int type, int protocol, int family = Id_PF_INET);

// The stack StackClass makes unless a test puts another in place.
#include "sock/stack_posix.h"
