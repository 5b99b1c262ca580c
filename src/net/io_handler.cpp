#include "net/io_handler.h"

#include "core/exceptions.h"
#include "sock/stack.h"

void TIdIOHandler::EstablishConnection(const std::string&, int32_t, const std::string&, int32_t,
                                       int32_t, int32_t, int32_t) {}

TIdIOHandlerSocket::TIdIOHandlerSocket() = default;

TIdIOHandlerSocket::~TIdIOHandlerSocket() {
    CloseOnDestroy();
    DropSocksReference();
}

TIdSocksInfo* TIdIOHandlerSocket::SocksInfo() {
    if (FSocksInfo == nullptr) {
        if (!FOwnSocksInfo)
            FOwnSocksInfo = std::make_unique<TIdSocksInfo>();
        FSocksInfo = FOwnSocksInfo.get();
        FSocksInfo->OwnerHandler = this;
    }
    return FSocksInfo;
}

void TIdIOHandlerSocket::AssignSocksInfo(const TIdSocksInfo& settings) {
    // Copied before the reference goes: `settings` may be the referenced object.
    auto own = FOwnSocksInfo ? std::move(FOwnSocksInfo) : std::make_unique<TIdSocksInfo>();
    own->Assign(settings);
    DropSocksReference();
    FOwnSocksInfo = std::move(own);
    FSocksInfo = FOwnSocksInfo.get();
    FSocksInfo->OwnerHandler = this;
}

void TIdIOHandlerSocket::ReferenceSocksInfo(TIdSocksInfo* shared) {
    if (shared != nullptr && shared == FOwnSocksInfo.get())
        return;
    DropSocksReference();
    FOwnSocksInfo.reset();
    FSocksInfo = shared;
    if (shared != nullptr) {
        shared->FreeNotification(this);
        shared->OwnerHandler = this;
    }
}

void TIdIOHandlerSocket::DropSocksReference() {
    if (FSocksInfo == nullptr || FSocksInfo == FOwnSocksInfo.get())
        return;
    FSocksInfo->RemoveFreeNotification(this);
    if (FSocksInfo->OwnerHandler == this)
        FSocksInfo->OwnerHandler = nullptr;
    FSocksInfo = nullptr;
}

void TIdIOHandlerSocket::Notification(TIdBaseComponent* destroyed) {
    if (destroyed != nullptr && destroyed == FSocksInfo)
        FSocksInfo = nullptr;
    TIdIOHandler::Notification(destroyed);
}

TIdSocksInfo* TIdIOHandlerSocket::ActiveSocks() const {
    return FSocksInfo != nullptr && FSocksInfo->Version != TSocksVersion::svNoSocks ? FSocksInfo
                                                                                    : nullptr;
}

void TIdIOHandlerSocket::OpenHandler() {
    if (FSocketHandle)
        FSocketHandle->ResetBinding(true);
    else
        FSocketHandle = std::make_unique<TIdSocketHandle>();
}

void TIdIOHandlerSocket::CloseHandler() {
    if (FSocketHandle)
        FSocketHandle->ReleaseSocket();
}

bool TIdIOHandlerSocket::HasOpenSocket() {
    return FSocketHandle && FSocketHandle->IsAllocated();
}

bool TIdIOHandlerSocket::InputReady(int32_t milliseconds) {
    if (!FSocketHandle)
        throw EIdConnClosedGracefully();
    return FSocketHandle->WaitReadable(milliseconds);
}

int64_t TIdIOHandlerSocket::ReceiveRaw(void* buffer, int64_t length) {
    if (!HasOpenSocket())
        throw EIdClosedSocket();
    return FSocketHandle->ReceiveData(buffer, length, 0);
}

int64_t TIdIOHandlerSocket::SendRaw(const void* buffer, int64_t length) {
    if (!HasOpenSocket())
        throw EIdClosedSocket();
    return FSocketHandle->SendData(buffer, length, 0);
}

void TIdIOHandlerSocket::DialAddress(const std::string& host, int32_t port, std::string& dialHost,
                                     int32_t& dialPort) {
    const TIdSocksInfo* socks = ActiveSocks();
    dialHost = socks != nullptr ? socks->Host : host;
    dialPort = socks != nullptr ? socks->Port : port;
}

void TIdIOHandlerSocket::AfterConnected(const std::string& host, int32_t port) {
    TIdSocksInfo* socks = ActiveSocks();
    if (socks == nullptr)
        return;
    // Shared settings may have been linked to another handler since: the
    // negotiation must talk through the connection that was just made.
    socks->OwnerHandler = this;
    socks->NegotiateSocks(host, port);
}

void TIdIOHandlerSocket::EstablishConnection(const std::string& host, int32_t port,
                                             const std::string& boundIP, int32_t boundPort,
                                             int32_t portMin, int32_t portMax, int32_t timeout) {
    if (!FSocketHandle)
        OpenHandler();
    std::string dialHost;
    int32_t dialPort = 0;
    DialAddress(host, port, dialHost, dialPort);

    if (!IsAddressText(dialHost))
        RaiseStatus(TIdStatus::hsResolving, {dialHost});
    const std::vector<std::string> addresses = ResolveHostAddresses(dialHost);
    // Each address in the resolver's order until one connects: a host with an
    // IPv6 address it cannot be reached on is still reached on its IPv4 one.
    // What failed last is what the caller hears.
    for (size_t i = 0; i < addresses.size(); ++i) {
        try {
            FSocketHandle->OpenSocket(Id_SOCK_STREAM, 0, AddressFamilyOf(addresses[i]));
            FSocketHandle->IP = boundIP;
            FSocketHandle->Port = boundPort;
            FSocketHandle->ClientPortMin = portMin;
            FSocketHandle->ClientPortMax = portMax;
            FSocketHandle->BindLocal();
            FSocketHandle->AssignPeer(addresses[i], dialPort);
            ConnectPeerAddress(timeout);
            break;
        } catch (const EIdException&) {
            if (i + 1 == addresses.size())
                throw;
            CloseHandler();
        }
    }

    AfterConnected(host, port);
}

void TIdIOHandlerSocket::ConnectPeerAddress(int32_t timeout) {
    if (!UseNagle) {
        const int32_t on = 1;
        FSocketHandle->SetOption(Id_IPPROTO_TCP, Id_TCP_NODELAY, &on, sizeof on);
    }
    RaiseStatus(TIdStatus::hsConnecting, {FSocketHandle->RemoteIP});

    if (timeout != IdTimeoutDefault && timeout != 0)
        ConnectWithTimeout(timeout);
    else if (TIdAntiFreezeBase::AntiFreezeInUse())
        ConnectWithTimeout(120000);
    else
        CheckSocketResult(FSocketHandle->ConnectPeer(FSocketHandle->Family()));
}

void TIdIOHandlerSocket::ConnectWithTimeout(int32_t timeout) {
    // A non-blocking connect with a bounded wait: unlike a helper thread blocked
    // in connect(), it can always be given up, and leaves no thread behind.
    int32_t code = 0;
    switch (FSocketHandle->ConnectPeerWithin(timeout, code)) {
    case TIdConnectOutcome::Connected: return;
    case TIdConnectOutcome::TimedOut: CloseHandler(); throw EIdConnectTimeout();
    case TIdConnectOutcome::Failed: throw EIdConnectException(Stack().SocketErrorText(code));
    }
}
