// One socket (IPv4 or IPv6) with its local and remote address.
#pragma once

#include "sock/socket_descriptor.h"
#include "sock/stack.h"

#include <cstdint>
#include <string>

enum class TIdConnectOutcome { Connected, Failed, TimedOut };

class TIdSocketHandle {
public:
    TIdSocketHandle();
    virtual ~TIdSocketHandle();
    TIdSocketHandle(const TIdSocketHandle&) = delete;
    TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;

    // Published settings.
    std::string IP;
    int32_t Port = 0;
    int32_t ClientPortMin = 0;
    int32_t ClientPortMax = 0;
    // Run-time state.
    std::string RemoteIP;
    int32_t RemotePort = 0;

    // The socket this handle owns; Id_INVALID_SOCKET when it owns none.
    TIdStackSocketHandle NativeSocket() const { return FSocket.get(); }
    bool IsAllocated() const { return static_cast<bool>(FSocket); }

    // The family of the socket last opened or accepted (Id_PF_INET before).
    int Family() const { return FFamily; }

    void OpenSocket(int socketType = Id_SOCK_STREAM, int protocol = 0, int family = Id_PF_INET);
    virtual void ReleaseSocket();
    void BindLocal();
    void AssignPeer(const std::string& address, int32_t port);
    virtual int ConnectPeer(int family = Id_PF_INET);
    // Connects to RemoteIP:RemotePort within `timeout` ms (-2: no limit); on
    // failure `code` holds the socket error code.
    TIdConnectOutcome ConnectPeerWithin(int32_t timeout, int32_t& code);
    void ListenForPeers(int backlog);
    bool AcceptPeer(TIdStackSocketHandle listening);
    bool WaitReadable(int32_t timeout);
    int64_t SendData(const void* buffer, int64_t length, int flags = 0);
    int64_t ReceiveData(void* buffer, int64_t length, int flags = 0);
    virtual int64_t ReceiveFrom(void* buffer, int64_t length, int32_t& port, std::string& address,
                                int flags = 0);
    void SetOption(int level, int option, const void* value, int length);
    // Closes the socket this handle owns and clears the addresses.
    void ResetBinding(bool resetLocal);
    // Hands the socket over to the caller; the handle keeps its addresses.
    TIdSocketDescriptor TakeSocket();
    void RefreshLocalBinding();
    void RefreshPeerBinding();
    void CopyBinding(const TIdSocketHandle& other);

private:
    bool TryBindOnce();
    bool BindInPortRange();

    TIdSocketDescriptor FSocket;
    int FFamily = Id_PF_INET;
};
