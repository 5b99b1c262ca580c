// The stack over the POSIX socket interface (IPv4 and IPv6): the socket calls
// (stack_posix.cpp) and the names (stack_posix_names.cpp).
#pragma once

#include "sock/stack.h"

#include <sys/socket.h>

// The stack over the POSIX socket interface. A socket's family is chosen when
// it is made; the address texts tell the family of every other call (the
// empty text, "any address", takes the family it is given).
class TIdStackPosix : public TIdStack {
public:
    TIdStackPosix();

    void FillHostAddresses() override;
    std::string PrimaryHostAddress() override;
    const std::vector<std::string>& HostAddresses() override;
    TIdStackSocketHandle SockAccept(TIdStackSocketHandle socket, std::string& address,
                                    int32_t& port) override;
    int SockBind(TIdStackSocketHandle socket, int family, int32_t port,
                 const std::string& address) override;
    int SockClose(TIdStackSocketHandle socket) override;
    int SockConnect(TIdStackSocketHandle socket, int family, int32_t port,
                    const std::string& address) override;
    int SockConnectWithin(TIdStackSocketHandle socket, int32_t port, const std::string& address,
                          int32_t timeout, bool& timedOut) override;
    // The lookups raise EIdSocketError with the "host not found" code when
    // the resolver fails: their callers take a name or nothing.
    std::string LookupHost(const std::string& host) override;
    std::vector<std::string> LookupHostAddresses(const std::string& host) override;
    std::string LocalHostName() override;
    std::string ResolveAddressName(const std::string& address) override;
    // Raises EIdInvalidServiceName for a name that is no service and no number.
    int32_t ServicePort(const std::string& service) override;
    std::vector<std::string> ServiceNames(int32_t port) override;
    uint16_t HostToNetShort(uint16_t value) override;
    int SockListen(TIdStackSocketHandle socket, int backlog) override;
    uint16_t NetToHostShort(uint16_t value) override;
    uint32_t HostToNetLong(uint32_t value) override;
    uint32_t NetToHostLong(uint32_t value) override;
    int64_t SockReceive(TIdStackSocketHandle socket, void* buffer, int64_t length,
                        int flags) override;
    int64_t SockReceiveFrom(TIdStackSocketHandle socket, void* buffer, int64_t length, int flags,
                            int32_t& port, std::string& address) override;
    // Raises EIdStackSetSizeExceeded for a list of more than 64 sockets.
    int SockSelect(TIdSocketList* readList, TIdSocketList* writeList, TIdSocketList* errorList,
                   int32_t timeout) override;
    int64_t SockSend(TIdStackSocketHandle socket, const void* buffer, int64_t length,
                     int flags) override;
    int64_t SockSendTo(TIdStackSocketHandle socket, const void* buffer, int64_t length, int flags,
                       int32_t port, const std::string& address) override;
    int SockSetOption(TIdStackSocketHandle socket, int level, int option, const void* value,
                      int length) override;
    TIdStackSocketHandle SockCreate(int family, int type, int protocol) override;
    int SockShutdown(TIdStackSocketHandle socket, int how) override;
    std::string SocketErrorText(int32_t code) override;
    int32_t LastErrorCode() override;
    // Both names are verified: a failure raises EIdSocketError, since no
    // caller has a use for a connection whose addresses cannot be read.
    void SockPeerName(TIdStackSocketHandle socket, int& family, int32_t& port,
                      std::string& address) override;
    void SockLocalName(TIdStackSocketHandle socket, int& family, int32_t& port,
                       std::string& address) override;
    int SockGetOption(TIdStackSocketHandle socket, int level, int option, void* value,
                      int& length) override;
    std::string AddressToText(const uint8_t (&bytes)[4]) override;
    // Raises EConvertError when a part is not an integer; a connect or bind
    // to such a text fails the same way before any socket call.
    void TextToAddress(const std::string& text, uint8_t (&bytes)[4]) override;

protected:
    // Records the code of a failed call for LastErrorCode (per thread, like errno).
    static void RecordError(int32_t code);
    static void RecordErrno(TIdSocketCall call = TIdSocketCall::Other);
    // Records errno after a failed name call, then verifies the result.
    static void CheckNameResult(int result);
    // Records the resolver's failure as the "host not found" code and raises it.
    static void RaiseHostNotFound();
    // The addresses getaddrinfo gives for `host` in `family` (AF_UNSPEC: both), in its
    // order, each once; raises "host not found" when there are none.
    static std::vector<std::string> ResolveAddresses(const std::string& host, int family);
    // The socket address for a text of either family; returns its length.
    // Raises EConvertError for a text that is neither family's address.
    socklen_t FillSocketAddress(int family, int32_t port, const std::string& address,
                                sockaddr_storage& out);
    void RefuseEmptyPeer(const std::string& address);
};
