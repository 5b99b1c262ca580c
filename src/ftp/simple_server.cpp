#include "ftp/simple_server.h"

#include "core/exceptions.h"
#include "net/io_handler.h"
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
    SetOwnedIOHandler(std::make_unique<TIdIOHandlerSocket>());
    SocketIOHandler()->OpenHandler();
}

void TIdSimpleServer::BindListeningSocket() {
    TIdSocketHandle* binding = SocketBinding();
    binding->OpenSocket(Id_SOCK_STREAM, 0);
    binding->IP = BoundIP;
    binding->Port = BoundPort;
    binding->BindLocal();
}

void TIdSimpleServer::StartListening() {
    if (SocketBinding() == nullptr) {
        ResetInput();
        AttachSocketHandler();
    }
    try {
        if (!FListener) {
            TIdSocketHandle* binding = SocketBinding();
            if (!binding->IsAllocated())
                BindListeningSocket();
            binding->ListenForPeers(ListenBacklog);
            std::lock_guard<std::mutex> listen(FListenLock);
            FListener = binding->TakeSocket();
        }
        FIsListening = true;
    } catch (...) {
        std::lock_guard<std::mutex> listen(FListenLock);
        std::lock_guard<std::recursive_mutex> hold(TransportLock());
        SetIOHandler(nullptr);
        throw;
    }
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
    const TIdStackSocketHandle listening = FListener.get();
    const bool limited = timeout >= 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    bool accepted = false;
    try {
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
            if (!WaitForPeer(listening, wait) || FStopRequested)
                continue;
            CheckSocketResult(Stack().SockListen(listening, 1));
            if (!binding->AcceptPeer(listening))
                break;
            accepted = KeepPeer(*binding);
        }
    } catch (...) {
        CloseListeningSocket();
        throw;
    }
    CloseListeningSocket();
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
