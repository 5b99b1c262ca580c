#include "ftp/simple_server.h"

#include "core/exceptions.h"
#include "core/scope_guard.h"
#include "net/io_handler.h"
#include "net/tls_io_handler.h"
#include "sock/socket_list.h"
#include "sock/stack.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr int ListenBacklog = 15;

} // namespace

TIdSimpleServer::~TIdSimpleServer() = default;

TIdSocketHandle* TIdSimpleServer::SocketBinding() const {
    TIdIOHandlerSocket* handler = SocketIOHandler();
    return handler == nullptr ? nullptr : handler->SocketHandle();
}

void TIdSimpleServer::AttachSocketHandler() {
    std::lock_guard<std::recursive_mutex> hold(TransportLock());
    SetOwnedIOHandler(std::make_unique<TIdIOHandlerTLS>());
    SocketIOHandler()->OpenHandler();
}

void TIdSimpleServer::BindListeningSocket() {
    TIdSocketHandle* binding = SocketBinding();
    const TScopeFail forget([&] { FListeningSocket = Id_INVALID_SOCKET; });
    binding->OpenSocket(Id_SOCK_STREAM, 0);
    FListeningSocket = binding->NativeSocket();
    binding->IP = BoundIP;
    binding->Port = BoundPort;
    binding->BindLocal();
}

void TIdSimpleServer::StartListening() {
    if (SocketBinding() == nullptr) {
        ResetInput();
        AttachSocketHandler();
    }
    const TScopeFail dropHandler([&] {
        std::lock_guard<std::mutex> listen(FListenLock);
        std::lock_guard<std::recursive_mutex> hold(TransportLock());
        SetIOHandler(nullptr);
        FListeningSocket = Id_INVALID_SOCKET;
    });
    if (FListeningSocket.load() == Id_INVALID_SOCKET)
        BindListeningSocket();
    SocketBinding()->ListenForPeers(ListenBacklog);
    FIsListening = true;
}

void TIdSimpleServer::RequestStop() {
    std::lock_guard<std::mutex> hold(FListenLock);
    FStopRequested = true;
    const TIdStackSocketHandle listening = FListeningSocket.load();
    // Shutting the listener down wakes a wait or accept blocked on it; the
    // accepting thread closes it.
    if (listening != Id_INVALID_SOCKET)
        Stack().SockShutdown(listening, 2);
}

bool TIdSimpleServer::WaitForPeer(TIdSocketHandle& binding, TIdStackSocketHandle listening,
                                  int32_t wait) {
    // Until an accept replaced it, the binding holds the listening socket;
    // after a refused peer it holds nothing, and the wait is on the socket.
    if (binding.IsAllocated() && binding.NativeSocket() == listening)
        return binding.WaitReadable(wait);
    TIdSocketListPosix readList;
    readList.AddSocket(listening);
    const int ready = Stack().SockSelect(&readList, nullptr, nullptr, wait);
    CheckSocketResult(ready);
    return ready == 1;
}

bool TIdSimpleServer::KeepPeer(TIdSocketHandle& binding) {
    if (AllowedPeerIP.empty() || binding.RemoteIP == AllowedPeerIP)
        return true;
    std::lock_guard<std::recursive_mutex> hold(TransportLock());
    binding.ReleaseSocket();
    return false;
}

bool TIdSimpleServer::AcceptConnection(int32_t timeout) {
    if (!FIsListening)
        StartListening();
    FTimedOut = false;
    TIdSocketHandle* binding = SocketBinding();
    const TIdStackSocketHandle listening = FListeningSocket.load();
    const bool limited = timeout >= 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    // Once the wait ends, a second connection to the announced port is refused.
    const TScopeExit closeListener([&] { CloseListeningSocket(); });
    bool accepted = false;
    while (!FStopRequested && !accepted) {
        int32_t wait = IdTimeoutInfinite;
        if (limited) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) {
                FTimedOut = true;
                break;
            }
            wait = static_cast<int32_t>(left);
        }
        if (PollInterval > 0)
            wait = wait == IdTimeoutInfinite ? PollInterval : std::min(wait, PollInterval);
        if (!WaitForPeer(*binding, listening, wait) || FStopRequested)
            continue;
        CheckSocketResult(Stack().SockListen(listening, 1));
        if (!binding->AcceptPeer(listening))
            break;
        accepted = KeepPeer(*binding);
    }
    return accepted;
}

void TIdSimpleServer::CloseListeningSocket() {
    std::lock_guard<std::mutex> listen(FListenLock);
    std::lock_guard<std::recursive_mutex> hold(TransportLock());
    const TIdStackSocketHandle listening = FListeningSocket.exchange(Id_INVALID_SOCKET);
    if (listening == Id_INVALID_SOCKET)
        return;
    TIdSocketHandle* binding = SocketBinding();
    // Until an accept replaced it, the binding still holds the listening
    // socket: release it there, so that it is not closed a second time later.
    if (binding != nullptr && binding->IsAllocated() && binding->NativeSocket() == listening)
        binding->ReleaseSocket();
    else
        Stack().SockClose(listening);
}

void TIdSimpleServer::StopListening() {
    ResetInput();
}

void TIdSimpleServer::ResetInput() {
    TIdTCPConnection::ResetInput();
    std::lock_guard<std::mutex> listen(FListenLock);
    std::lock_guard<std::recursive_mutex> hold(TransportLock());
    FStopRequested = false;
    FIsListening = false;
    // The handler's socket, listening or accepted, closes with it.
    SetIOHandler(nullptr);
    FListeningSocket = Id_INVALID_SOCKET;
}
