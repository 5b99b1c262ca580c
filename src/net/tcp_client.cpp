#include "net/tcp_client.h"

#include "core/exceptions.h"
#include "core/scope_guard.h"

void TIdTCPClient::NotifyConnected() {
    if (OnConnected)
        OnConnected(this);
}

std::unique_ptr<TIdIOHandler> TIdTCPClient::MakeDefaultIOHandler() {
    return std::make_unique<TIdIOHandlerSocket>();
}

void TIdTCPClient::ConnectToHost(int32_t timeout) {
    if (IOHandler() != nullptr && IOHandler()->HasOpenSocket())
        throw EIdAlreadyConnected();
    if (IOHandler() == nullptr) {
        auto handler = MakeDefaultIOHandler();
        handler->OnStatus = OnStatus;
        SetOwnedIOHandler(std::move(handler));
    }
    const TScopeFail closeOnFailure([&] { CloseTransport(); });
    {
        std::lock_guard<std::recursive_mutex> hold(TransportLock());
        IOHandler()->OpenHandler();
    }
    ResetInput();
    IOHandler()->EstablishConnection(Host, Port, BoundIP, BoundPort, BoundPortMin, BoundPortMax,
                                     timeout);
    if (Intercept() != nullptr)
        Intercept()->AttachConnection(this);
    RaiseStatus(TIdStatus::hsConnected, {Host});
    NotifyConnected();
}

std::string TIdTCPClient::ConnectAndReceiveAll() {
    ConnectToHost(IdTimeoutDefault);
    const TScopeExit drop([&] { DropConnection(); });
    return ReceiveAll();
}
