// The transfers of the FTP client: one body for both directions and both
// data-connection modes (the endpoints are in ftp_data_endpoints.cpp), the
// wire order, the final replies and what a failed transfer still owes, and
// aborting a transfer from another thread.
#include "ftp/ftp_client.h"

#include "core/exceptions.h"
#include "core/scope_guard.h"
#include "core/text.h"
#include "ftp/simple_server.h"
#include "net/io_handler.h"
#include "net/tls_errors.h"
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
    if (auto* listener = dynamic_cast<TIdSimpleServer*>(data)) {
        listener->RequestStop();
        // Still waiting for the server: there is no connection to reset yet.
        if (listener->ListeningSocket() != Id_INVALID_SOCKET) {
            data->InterruptTransport();
            return;
        }
    }
    // A reset, not an orderly close: to the server an upload that ends with
    // FIN looks complete.
    data->ResetTransport();
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

int TIdFTP::ReadTransferReply(std::initializer_list<int> allowed, TOwedReply& owed,
                              TOwedReply next) {
    try {
        const int code = ReadReply(allowed);
        owed = next;
        return code;
    } catch (const EIdProtocolReplyError&) {
        owed = TOwedReply::None;
        throw;
    } catch (const EIdTLSSessionReuseRequired&) {
        // A refusal too, named for its cause: waiting for another reply
        // would only wait out the read time-out.
        owed = TOwedReply::None;
        throw;
    }
}

void TIdFTP::SettleControlChannel(TOwedReply owed) noexcept {
    if (owed == TOwedReply::None)
        return;
    try {
        const int32_t readTimeout = ReadTimeout;
        const TScopeExit restore([&] { ReadTimeout = readTimeout; });
        if (ReadTimeout <= 0)
            ReadTimeout = DefaultSettleTimeout;
        int code = ReadReply({});
        // A preliminary reply first: the final one follows it.
        if (owed == TOwedReply::Preliminary && code / 100 == 1)
            code = ReadReply({});
        // After ABOR, the abort's own reply follows the transfer's.
        if (FAbortRequested && (code == 426 || code == 450))
            ReadReply({});
    } catch (...) {
        try {
            DropConnection();
        } catch (...) {
            // The connection is gone either way; the next use logs in again.
        }
    }
}

TIdDownloadSize TIdFTP::LearnDownloadSize(const std::string& path) {
    TIdDownloadSize size;
    // In ASCII mode the bytes on the wire need not match any stated count.
    if (!FBinaryTypeSent)
        return size;
    size.Stated = Size(path);
    size.FromPreliminary = size.Stated < 0;
    return size;
}

void TIdFTP::SendTransferCommand(const std::string& command, TStream& stream, bool resume) {
    if (resume)
        SendRestart(stream);
    WriteLine(command);
}

void TIdFTP::ReadPreliminaryReply(TDirection direction, TOwedReply& owed) {
    if (direction == TDirection::Inbound)
        ReadTransferReply({125, 150, 154}, owed, TOwedReply::Final);
    else if (Passive)
        ReadTransferReply({110, 125, 150}, owed, TOwedReply::Final);
    else
        ReadTransferReply({125, 150}, owed, TOwedReply::Final);
}

bool TIdFTP::DataEndedByAbort(const std::exception& error) const {
    // A send or receive on a socket closed under it: "not a socket" where the
    // platform closes it at once, or a reset, shut-down or gone connection
    // where, as here, the abort only resets it.
    if (const auto* socket = dynamic_cast<const EIdSocketError*>(&error))
        return socket->SocketErrorCode == IdCode::WSAENOTSOCK || FAbortRequested;
    return FAbortRequested && (dynamic_cast<const EIdConnClosedGracefully*>(&error) != nullptr ||
                               dynamic_cast<const EIdNotConnected*>(&error) != nullptr ||
                               dynamic_cast<const EIdClosedSocket*>(&error) != nullptr);
}

void TIdFTP::ReceiveInbound(TIdTCPConnection& data, TStream& stream, const TIdDownloadSize* size) {
    try {
        if (size != nullptr && size->Stated >= 0) {
            TIdSizeLimitedStream limited(stream, *size);
            data.ReceiveStream(limited, -1, true);
        } else {
            data.ReceiveStream(stream, -1, true);
        }
    } catch (const EIdException& error) {
        if (!DataEndedByAbort(error))
            throw;
    }
}

void TIdFTP::SendOutbound(TIdTCPConnection& data, TStream& stream, TOwedReply& owed) {
    try {
        // Passive stores send from where the stream stands, active ones all of it.
        data.SendStream(stream, !Passive, false, 0);
    } catch (const EIdException& error) {
        if (DataEndedByAbort(error))
            return;
        ExplainFailedDataConnection(owed);
        throw;
    }
}

void TIdFTP::FinishTransfer(TOwedReply& owed, bool early) {
    const int code = early ? CheckReply(LastReply().NumericCode(), {225, 226, 250, 426, 450})
                           : ReadTransferReply({225, 226, 250, 426, 450}, owed, TOwedReply::None);
    if (code == 426 || code == 450) {
        LastTransferAborted = true;
        owed = TOwedReply::Final;
        ReadTransferReply({226, 225}, owed, TOwedReply::None);
        RaiseStatus(TIdStatus::ftpAborted, {MsgText(TIdMsg::FtpTransferAborted)});
    }
}

void TIdFTP::TransferOnce(const std::string& command, TStream& stream, TDirection direction,
                          bool resume, TIdDownloadSize* size) {
    TOwedReply owed = TOwedReply::None;
    // Runs last, once the data connection is closed: only then does a server
    // that was still sending give its final reply.
    const TScopeFail settle([&] { SettleControlChannel(owed); });
    RaiseStatus(TIdStatus::ftpTransfer, {MsgText(TIdMsg::FtpStartingTransfer)});
    LastTransferAborted = false;
    FActiveStage = TActiveStage::None;
    bool finalReplyRead = false;
    bool peerAccepted = false;
    {
        // Reported once the data connection is gone, also when the transfer failed.
        const TScopeExit ready(
            [this] { RaiseStatus(TIdStatus::ftpReady, {MsgText(TIdMsg::FtpTransferComplete)}); });
        TDataConnectionScope data(*this);
        TIdTCPClient* client = Passive ? &OpenPassiveDataClient(data) : nullptr;
        if (!Passive)
            FActiveStage = TActiveStage::Port;
        TIdSimpleServer* listener = Passive ? nullptr : &StartDataListener(data);
        if (listener != nullptr)
            FActiveStage = TActiveStage::Command;
        // The one place where the modes order the wire differently. Active: our
        // listener was announced by PORT before the command, and the server
        // connects to it only after the command and its preliminary reply.
        // Passive: a retrieve connects to the PASV port before the command,
        // while a store sends the command first, since some servers open the
        // port only once they know what it is for.
        const bool commandBeforeConnect = !Passive || direction == TDirection::Outbound;
        auto sendCommand = [&] {
            SendTransferCommand(command, stream, resume);
            owed = TOwedReply::Preliminary;
        };
        if (commandBeforeConnect)
            sendCommand();
        if (client != nullptr)
            client->ConnectToHost(IdTimeoutDefault);
        if (!commandBeforeConnect)
            sendCommand();
        if (listener != nullptr && PassiveFallback)
            peerAccepted = WaitForReplyOrDataPeer(*listener);
        ReadPreliminaryReply(direction, owed);
        if (size != nullptr && size->Stated < 0 && size->FromPreliminary)
            size->Stated = SizeInPreliminaryReply(LastReply());
        if (listener != nullptr && !peerAccepted)
            finalReplyRead = AcceptDataConnection(*listener, owed);
        if (listener != nullptr)
            FActiveStage = TActiveStage::Connected;
        ProtectDataConnection(data.Connection());
        if (direction == TDirection::Inbound) {
            const int64_t start = stream.Position();
            ReceiveInbound(data.Connection(), stream, size);
            CheckProtectedDownloadEnd(data.Connection(), stream.Position() - start, owed);
        } else
            SendOutbound(data.Connection(), stream, owed);
    }
    FinishTransfer(owed, finalReplyRead);
    // What our own abort cut short is no size mismatch.
    if (size != nullptr && size->Stated >= 0 && !FAbortRequested)
        CheckReceivedSize(stream.Position() - size->Origin, size->Stated);
}

void TIdFTP::InboundTransfer(const std::string& command, TStream& stream, bool resume,
                             TIdDownloadSize* size) {
    Transfer(command, stream, TDirection::Inbound, resume, size);
}

void TIdFTP::OutboundTransfer(const std::string& command, TStream& stream) {
    // No REST precedes an upload.
    Transfer(command, stream, TDirection::Outbound, false, nullptr);
}
