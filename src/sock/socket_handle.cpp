#include "sock/socket_handle.h"

#include "core/exceptions.h"
#include "sock/component.h"
#include "sock/socket_list.h"

TIdSocketHandle::TIdSocketHandle() {
    ResetBinding(true);
}

TIdSocketHandle::~TIdSocketHandle() {
    ReleaseSocket();
}

void TIdSocketHandle::OpenSocket(int socketType, int protocol, int family) {
    ReleaseSocket();
    FSocket.reset(CreateSocketValue(socketType, protocol, family));
    FFamily = family;
}

void TIdSocketHandle::ReleaseSocket() {
    // Taken out of the handle first, so that a thread looking at the handle
    // sees it closed; the socket closes when `closing` goes.
    TIdSocketDescriptor closing = TakeSocket();
    if (closing)
        Stack().SockShutdown(closing.get(), 1);
}

void TIdSocketHandle::BindLocal() {
    if (Port != 0 || ClientPortMin == 0 || ClientPortMax == 0) {
        if (!TryBindOnce())
            throw EIdCouldNotBindSocket();
        return;
    }
    if (ClientPortMin > ClientPortMax)
        throw EIdInvalidPortRange(ClientPortMin, ClientPortMax);
    if (!BindInPortRange())
        throw EIdCanNotBindPortInRange(ClientPortMin, ClientPortMax);
}

bool TIdSocketHandle::TryBindOnce() {
    const int r = Stack().SockBind(FSocket.get(), FFamily, Port, IP);
    if (CheckSocketResult(r, {IdCode::WSAEADDRINUSE}))
        return false;
    RefreshLocalBinding();
    return true;
}

bool TIdSocketHandle::BindInPortRange() {
    for (Port = ClientPortMax; Port >= ClientPortMin; --Port) {
        if (TryBindOnce())
            return true;
    }
    Port = ClientPortMin;
    return false;
}

void TIdSocketHandle::AssignPeer(const std::string& address, int32_t port) {
    RemoteIP = address;
    RemotePort = port;
}

int TIdSocketHandle::ConnectPeer(int family) {
    const int r = Stack().SockConnect(FSocket.get(), family, RemotePort, RemoteIP);
    if (r != Id_SOCKET_ERROR) {
        RefreshLocalBinding();
        RefreshPeerBinding();
    }
    return r;
}

TIdConnectOutcome TIdSocketHandle::ConnectPeerWithin(int32_t timeout, int32_t& code) {
    TIdStack& stack = Stack();
    bool timedOut = false;
    if (stack.SockConnectWithin(FSocket.get(), RemotePort, RemoteIP, timeout, timedOut) ==
        Id_SOCKET_ERROR) {
        code = stack.LastErrorCode();
        stack.LastSocketError = code;
        return timedOut ? TIdConnectOutcome::TimedOut : TIdConnectOutcome::Failed;
    }
    RefreshLocalBinding();
    RefreshPeerBinding();
    return TIdConnectOutcome::Connected;
}

void TIdSocketHandle::ListenForPeers(int backlog) {
    CheckSocketResult(Stack().SockListen(FSocket.get(), backlog));
}

bool TIdSocketHandle::AcceptPeer(TIdStackSocketHandle listening) {
    ResetBinding(true);
    // The peer's address as accept() gives it: a peer that has already reset
    // the connection makes getpeername() fail with "not connected", where
    // the first read tells the truth (reset by peer).
    std::string peerIP;
    int32_t peerPort = 0;
    TIdSocketDescriptor accepted(Stack().SockAccept(listening, peerIP, peerPort));
    if (CheckSocketResult(accepted.get(), {IdCode::WSAEINTR, IdCode::WSAENOTSOCK}))
        return false;
    FSocket = std::move(accepted);
    RefreshLocalBinding();
    RemoteIP = peerIP;
    RemotePort = peerPort;
    return true;
}

bool TIdSocketHandle::WaitReadable(int32_t timeout) {
    if (!IsAllocated())
        throw EIdConnClosedGracefully();
    TIdAntiFreezeBase* antiFreeze = TIdAntiFreezeBase::RegisteredAntiFreeze;
    if (TIdAntiFreezeBase::AntiFreezeInUse() && antiFreeze != nullptr) {
        const int32_t idle = antiFreeze->IdleTimeOut;
        if (timeout == IdTimeoutInfinite) {
            while (!WaitReadable(idle)) {
            }
            return true;
        }
        if (timeout > idle) {
            if (WaitReadable(timeout - idle))
                return true;
            timeout = idle;
        }
    }
    TIdSocketListPosix readList;
    readList.AddSocket(FSocket.get());
    const bool readable = Stack().SockSelect(&readList, nullptr, nullptr, timeout) == 1;
    TIdAntiFreezeBase::AntiFreezeTurn(!readable, false);
    return readable;
}

int64_t TIdSocketHandle::SendData(const void* buffer, int64_t length, int flags) {
    return Stack().SockSend(FSocket.get(), buffer, length, flags);
}

int64_t TIdSocketHandle::ReceiveData(void* buffer, int64_t length, int flags) {
    return Stack().SockReceive(FSocket.get(), buffer, length, flags);
}

int64_t TIdSocketHandle::ReceiveFrom(void* buffer, int64_t length, int32_t& port,
                                     std::string& address, int flags) {
    return Stack().SockReceiveFrom(FSocket.get(), buffer, length, flags, port, address);
}

void TIdSocketHandle::SetOption(int level, int option, const void* value, int length) {
    CheckSocketResult(Stack().SockSetOption(FSocket.get(), level, option, value, length));
}

void TIdSocketHandle::ResetBinding(bool resetLocal) {
    FSocket.reset();
    if (resetLocal) {
        IP.clear();
        Port = 0;
    }
    RemoteIP.clear();
    RemotePort = 0;
}

TIdSocketDescriptor TIdSocketHandle::TakeSocket() {
    return std::move(FSocket);
}

void TIdSocketHandle::RefreshLocalBinding() {
    // An accepted socket has the listener's family, which this tells.
    Stack().SockLocalName(FSocket.get(), FFamily, Port, IP);
}

void TIdSocketHandle::RefreshPeerBinding() {
    int family = 0;
    Stack().SockPeerName(FSocket.get(), family, RemotePort, RemoteIP);
}

void TIdSocketHandle::CopyBinding(const TIdSocketHandle& other) {
    IP = other.IP;
    Port = other.Port;
    RemoteIP = other.RemoteIP;
    RemotePort = other.RemotePort;
}
