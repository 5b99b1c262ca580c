// The data connections of the FTP client: passive (we connect to the port of
// the PASV reply, on the server the control connection reached) and active
// (we listen, announce the port with PORT and accept the server's connection,
// and no one else's), the wire order of inbound and outbound transfers, their
// final replies, and aborting a transfer from another thread.
#include "ftp/ftp_client.h"

#include "core/exceptions.h"
#include "core/scope_guard.h"
#include "core/text.h"
#include "ftp/simple_server.h"
#include "net/io_handler.h"
#include "net/tls_io_handler.h"
#include "sock/stack.h"

#include <type_traits>

namespace {

// A passive data client that connects through a socket handler carrying a
// copy of the control connection's SOCKS settings, so that the data goes
// through the same proxy as the commands.
class TIdSocksDataClient : public TIdTCPClient {
public:
    explicit TIdSocksDataClient(const TIdSocksInfo& control) { FSocks.Assign(control); }

protected:
    std::unique_ptr<TIdIOHandler> MakeDefaultIOHandler() override {
        auto handler = std::make_unique<TIdIOHandlerTLS>();
        handler->AssignSocksInfo(FSocks);
        return handler;
    }

private:
    TIdSocksInfo FSocks;
};

} // namespace

template <typename T> T& TIdFTP::InstallDataConnection(std::unique_ptr<T> connection) {
    T& installed = *connection;
    std::lock_guard<std::mutex> hold(FDataLock);
    FOwnedDataConnection = std::move(connection);
    FDataConnection = &installed;
    return installed;
}

void TIdFTP::DestroyDataConnection() {
    std::unique_ptr<TIdTCPConnection> doomed;
    {
        std::lock_guard<std::mutex> hold(FDataLock);
        FDataConnection = nullptr;
        doomed = std::move(FOwnedDataConnection);
    }
    // Destroyed outside the lock: no other thread can reach it any more.
}

void TIdFTP::CloseDataConnection() {
    std::lock_guard<std::mutex> hold(FDataLock);
    TIdTCPConnection* data = FDataConnection.load();
    if (data == nullptr)
        return;
    if (auto* listener = dynamic_cast<TIdSimpleServer*>(data))
        listener->RequestStop();
    data->InterruptTransport();
}

void TIdFTP::AbortTransfer() {
    FAbortRequested = true;
    if (IsConnected())
        WriteLine("ABOR");
    CloseDataConnection();
}

std::unique_ptr<TIdTCPClient> TIdFTP::CreatePassiveDataClient() {
    if (TIdIOHandlerSocket* control = SocketIOHandler())
        return std::make_unique<TIdSocksDataClient>(*control->SocksInfo());
    return std::make_unique<TIdTCPClient>();
}

void TIdFTP::PrepareDataConnection() {
    TIdTCPConnection* data = FDataConnection.load();
    data->SendBufferSize = SendBufferSize;
    data->RecvBufferSize = RecvBufferSize;
    // A server that stalls the data must not hold us longer than one that
    // stalls a reply.
    data->ReadTimeout = ReadTimeout;
    data->OnWork = OnWork;
    data->OnWorkBegin = OnWorkBegin;
    data->OnWorkEnd = OnWorkEnd;
}

void TIdFTP::RequestPassiveAddress(std::string& address, int32_t& port) {
    SendCommand("PASV", 227);
    std::string text = Trim(LastReply().Text().empty() ? std::string() : LastReply().Text()[0]);
    const size_t open = text.find('(');
    const size_t close = text.find(')');
    if (open != std::string::npos && close != std::string::npos)
        text = close > open ? text.substr(open + 1, close - open - 1) : std::string();
    else if (const size_t space = text.rfind(' '); space != std::string::npos)
        text = text.substr(space + 1);

    address.clear();
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            address += '.';
        address += CutToken(text, ",");
    }
    const int32_t high = StrToInt(CutToken(text, ","));
    const int32_t low = StrToInt(CutToken(text, ","));
    // In 64 bits: any two 32-bit pieces combine without overflow.
    const int64_t wide = int64_t{high} * 256 + low;
    // A port outside the TCP range would be cut to 16 bits and dial some
    // other service: refuse it instead.
    if (wide < 1 || wide > 65535)
        throw EIdInvalidPassiveReply(FormatMsg(TIdMsg::InvalidPassivePort, {std::to_string(wide)}));
    port = static_cast<int32_t>(wide);
}

std::string TIdFTP::PassiveDataHost(const std::string& announced) {
    TIdIOHandlerSocket* control = SocketIOHandler();
    if (control != nullptr && control->SocksInfo()->Version != TSocksVersion::svNoSocks)
        return FControlHost;
    // The address the control connection reached: the server as resolved
    // then, not a second lookup that could name another machine.
    if (control != nullptr && control->SocketHandle() != nullptr &&
        !control->SocketHandle()->RemoteIP.empty())
        return control->SocketHandle()->RemoteIP;
    return FControlHost.empty() ? announced : FControlHost;
}

std::string TIdFTP::ControlPeerAddress() {
    TIdIOHandlerSocket* control = SocketIOHandler();
    if (control == nullptr || control->SocketHandle() == nullptr)
        throw EIdNotConnected();
    // Through a proxy the control connection's peer is the proxy, while the
    // server connects back to us directly.
    if (control->SocksInfo()->Version != TSocksVersion::svNoSocks)
        return ResolveHostAddress(FControlHost);
    return control->SocketHandle()->RemoteIP;
}

void TIdFTP::SendPortCommand(const TIdSocketHandle& handle) {
    std::string ip = handle.IP;
    for (char& c : ip)
        if (c == '.')
            c = ',';
    SendCommand("PORT " + ip + "," + std::to_string(handle.Port / 256) + "," +
                    std::to_string(handle.Port % 256),
                200);
}

void TIdFTP::SendRestart(TStream& stream) {
    SendCommand("REST " + std::to_string(stream.Position()), 350);
}

// Owns the data connection of one transfer: installs it where AbortTransfer
// can reach it, and on every path drops it (closing the socket; after an
// upload that close tells the server the data is complete) and destroys it.
class TIdFTP::TDataConnectionScope {
public:
    explicit TDataConnectionScope(TIdFTP& ftp) : FFtp(ftp) {}
    TDataConnectionScope(const TDataConnectionScope&) = delete;
    TDataConnectionScope& operator=(const TDataConnectionScope&) = delete;
    ~TDataConnectionScope() {
        if (FConnection == nullptr)
            return;
        try {
            FConnection->DropConnection();
        } catch (...) {
            // Closing a connection that is going away has nothing to report.
        }
        FFtp.DestroyDataConnection();
    }

    template <typename T> T& Install(std::unique_ptr<T> connection) {
        T& installed = FFtp.InstallDataConnection(std::move(connection));
        FConnection = &installed;
        FFtp.PrepareDataConnection();
        return installed;
    }
    TIdTCPConnection& Connection() const { return *FConnection; }

private:
    TIdFTP& FFtp;
    TIdTCPConnection* FConnection = nullptr;
};

TIdTCPClient& TIdFTP::OpenPassiveDataClient(TDataConnectionScope& data) {
    std::string address;
    int32_t port = 0;
    RequestPassiveAddress(address, port);
    TIdTCPClient& client = data.Install(CreatePassiveDataClient());
    client.Host = PassiveDataHost(address);
    client.Port = port;
    return client;
}

TIdSimpleServer& TIdFTP::StartDataListener(TDataConnectionScope& data) {
    // The server connects back to the address it reached us on.
    const TIdIOHandlerSocket* control = SocketIOHandler();
    if (control == nullptr || control->SocketHandle() == nullptr)
        throw EIdNotConnected();
    TIdSimpleServer& listener = data.Install(std::make_unique<TIdSimpleServer>());
    listener.BoundIP = control->SocketHandle()->IP;
    // Whoever else reaches the port first is turned away.
    listener.AllowedPeerIP = ControlPeerAddress();
    listener.StartListening();
    SendPortCommand(*listener.SocketBinding());
    return listener;
}

void TIdFTP::AcceptDataConnection(TIdSimpleServer& listener) {
    // An abort that came before the wait began finds the listener stopped.
    if (FAbortRequested)
        listener.RequestStop();
    const int32_t timeout =
        AcceptTimeout == IdTimeoutDefault ? DefaultAcceptTimeout : AcceptTimeout;
    if (!listener.AcceptConnection(timeout < 0 ? IdTimeoutInfinite : timeout) &&
        listener.TimedOut())
        throw EIdAcceptTimeout(
            FormatMsg(TIdMsg::AcceptTimeout, {std::to_string((timeout + 999) / 1000)}));
}

void TIdFTP::SendTransferCommand(const std::string& command, TStream& stream, bool resume) {
    if (resume)
        SendRestart(stream);
    WriteLine(command);
}

void TIdFTP::ReadPreliminaryReply(TDirection direction) {
    if (direction == TDirection::Inbound)
        ReadReply({125, 150, 154});
    else if (Passive)
        ReadReply({110, 125, 150});
    else
        ReadReply({125, 150});
}

bool TIdFTP::SendEndedByAbort(const std::exception& error) const {
    // A send on a socket closed under it: "not a socket" where the platform
    // closes it at once, or a shut-down or gone connection where, as here, the
    // abort only shuts it down.
    if (const auto* socket = dynamic_cast<const EIdSocketError*>(&error))
        return socket->SocketErrorCode == IdCode::WSAENOTSOCK || FAbortRequested;
    return FAbortRequested && (dynamic_cast<const EIdConnClosedGracefully*>(&error) != nullptr ||
                               dynamic_cast<const EIdNotConnected*>(&error) != nullptr ||
                               dynamic_cast<const EIdClosedSocket*>(&error) != nullptr);
}

void TIdFTP::SendOutbound(TIdTCPConnection& data, TStream& stream) {
    try {
        // Passive stores send from where the stream stands, active ones all of it.
        data.SendStream(stream, !Passive, false, 0);
    } catch (const EIdException& error) {
        if (SendEndedByAbort(error))
            return;
        ExplainFailedDataConnection();
        throw;
    }
}

void TIdFTP::FinishTransfer() {
    const int code = ReadReply({225, 226, 250, 426, 450});
    if (code == 426 || code == 450) {
        LastTransferAborted = true;
        ReadReply({226, 225});
        RaiseStatus(TIdStatus::ftpAborted, {MsgText(TIdMsg::FtpTransferAborted)});
    }
}

void TIdFTP::Transfer(const std::string& command, TStream& stream, TDirection direction,
                      bool resume) {
    RaiseStatus(TIdStatus::ftpTransfer, {MsgText(TIdMsg::FtpStartingTransfer)});
    FAbortRequested = false;
    LastTransferAborted = false;
    {
        // Reported once the data connection is gone, also when the transfer failed.
        const TScopeExit ready(
            [this] { RaiseStatus(TIdStatus::ftpReady, {MsgText(TIdMsg::FtpTransferComplete)}); });
        TDataConnectionScope data(*this);
        TIdTCPClient* client = Passive ? &OpenPassiveDataClient(data) : nullptr;
        TIdSimpleServer* listener = Passive ? nullptr : &StartDataListener(data);
        // The one place where the modes order the wire differently. Active: our
        // listener was announced by PORT before the command, and the server
        // connects to it only after the command and its preliminary reply.
        // Passive: a retrieve connects to the PASV port before the command,
        // while a store sends the command first, since some servers open the
        // port only once they know what it is for.
        const bool commandBeforeConnect = !Passive || direction == TDirection::Outbound;
        if (commandBeforeConnect)
            SendTransferCommand(command, stream, resume);
        if (client != nullptr)
            client->ConnectToHost(IdTimeoutDefault);
        if (!commandBeforeConnect)
            SendTransferCommand(command, stream, resume);
        ReadPreliminaryReply(direction);
        if (listener != nullptr)
            AcceptDataConnection(*listener);
        ProtectDataConnection(data.Connection());
        if (direction == TDirection::Inbound) {
            const int64_t start = stream.Position();
            data.Connection().ReceiveStream(stream, -1, true);
            CheckProtectedDownloadEnd(data.Connection(), stream.Position() - start);
        } else
            SendOutbound(data.Connection(), stream);
    }
    FinishTransfer();
}

void TIdFTP::InboundTransfer(const std::string& command, TStream& stream, bool resume) {
    Transfer(command, stream, TDirection::Inbound, resume);
}

void TIdFTP::OutboundTransfer(const std::string& command, TStream& stream) {
    // No REST precedes an upload.
    Transfer(command, stream, TDirection::Outbound, false);
}
