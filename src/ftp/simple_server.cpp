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
    // The family of the address to listen on: an IPv6 control connection
    // gets its data connections on IPv6.
    binding->OpenSocket(Id_SOCK_STREAM, 0, AddressFamilyOf(BoundIP));
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
    });
    if (!FListener) {
        TIdSocketHandle* binding = SocketBinding();
        if (!binding->IsAllocated())
            BindListeningSocket();
        binding->ListenForPeers(ListenBacklog);
        std::lock_guard<std::mutex> listen(FListenLock);
        FListener = binding->TakeSocket();
    }
    FIsListening = true;
}

void TIdSimpleServer::RequestStop() {
    std::lock_guard<std::mutex> hold(FListenLock);
    FStopRequested = true;
    // Shutting the listener down wakes a wait or accept blocked on it; the
    // accepting thread closes it.
    if (FListener)
        Stack().SockShutdown(FListener.get(), 2);
}

bool TIdSimpleServer::WaitForPeer(TIdStackSocketHandle listening, int32_t wait) {
    TIdSocketListPosix readList;
    readList.AddSocket(listening);
    if (WatchedSocket != Id_INVALID_SOCKET)
        readList.AddSocket(WatchedSocket);
    const int ready = Stack().SockSelect(&readList, nullptr, nullptr, wait);
    CheckSocketResult(ready);
    bool peer = false;
    for (int32_t i = 0; i < readList.SocketCount(); ++i) {
        if (readList.SocketAt(i) == listening)
            peer = true;
        else
            FWatchedReadable = true;
    }
    return peer;
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
    FWatchedReadable = false;
    TIdSocketHandle* binding = SocketBinding();
    const TIdStackSocketHandle listening = FListener.get();
    const bool limited = timeout >= 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    bool accepted = false;
    // Once the wait ends, a second connection to the announced port is
    // refused; only a wait that the watched socket ended may resume.
    const TScopeExit closeListener([&] {
        if (accepted || !FWatchedReadable)
            CloseListeningSocket();
    });
    while (!FStopRequested && !accepted && !FWatchedReadable) {
        int32_t wait = IdTimeoutInfinite;
        int64_t left = 0;
        if (limited) {
            left = std::chrono::duration_cast<std::chrono::milliseconds>(
                       deadline - std::chrono::steady_clock::now())
                       .count();
            // A time-out of 0 still looks once for a peer already waiting.
            wait = static_cast<int32_t>(std::max<int64_t>(left, 0));
        }
        if (PollInterval > 0)
            wait = wait == IdTimeoutInfinite ? PollInterval : std::min(wait, PollInterval);
        if (!WaitForPeer(listening, wait) || FStopRequested) {
            if (limited && left <= wait && !FWatchedReadable && !FStopRequested) {
                FTimedOut = true;
                break;
            }
            continue;
        }
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
    FListener.reset();
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
    // The handler's socket (bound, or accepted) closes with it.
    SetIOHandler(nullptr);
    FListener.reset();
}
