// Falling back to passive mode: behind NAT or a firewall the server's
// connection to our active listener never arrives, and many servers refuse
// a PORT that names another address than the one they see. With
// PassiveFallback such a transfer runs again in passive mode, from where it
// started, and the client stays passive until the next connection.
#include "ftp/ftp_client.h"

#include "core/exceptions.h"
#include "core/scope_guard.h"
#include "ftp/simple_server.h"
#include "net/io_handler.h"

namespace {

constexpr int ReplyCannotOpenData = 425;

} // namespace

void TIdFTP::Transfer(const std::string& command, TStream& stream, TDirection direction,
                      bool resume, TIdDownloadSize* size) {
    // Refused before PASV or PORT goes out, so that nothing is sent for it.
    CheckCommandLine(command);
    FAbortRequested = false;
    if (Passive || !PassiveFallback) {
        TransferOnce(command, stream, direction, resume, size);
        return;
    }
    const int64_t start = stream.Position();
    const TIdDownloadSize sizeAtStart = size != nullptr ? *size : TIdDownloadSize{};
    try {
        TransferOnce(command, stream, direction, resume, size);
        return;
    } catch (const std::exception& error) {
        // By now the control connection is settled (or dropped).
        if (!ActiveAttemptMayFallBack(error))
            throw;
    }
    // Nothing moved, but the passive run must move the same bytes: a
    // download writes from where it started, and an upload sends the whole
    // stream, as an active store does.
    if (direction == TDirection::Inbound) {
        if (stream.Size() > start)
            stream.SetSize(start);
        stream.SetPosition(start);
    } else {
        stream.SetPosition(0);
    }
    if (size != nullptr)
        *size = sizeAtStart;
    Passive = true;
    FPassiveByFallback = true;
    if (OnPassiveFallback)
        OnPassiveFallback(this);
    TransferOnce(command, stream, direction, resume, size);
}

bool TIdFTP::ActiveAttemptMayFallBack(const std::exception& error) {
    // Our own abort, or a control connection that is gone, ends the transfer.
    if (FAbortRequested || !IsConnected())
        return false;
    if (FActiveStage == TActiveStage::Command &&
        dynamic_cast<const EIdAcceptTimeout*>(&error) != nullptr)
        return true;
    const auto* refusal = dynamic_cast<const EIdProtocolReplyError*>(&error);
    if (refusal == nullptr)
        return false;
    if (FActiveStage == TActiveStage::Port)
        return refusal->ReplyCode / 100 == 5;
    return FActiveStage == TActiveStage::Command && refusal->ReplyCode == ReplyCannotOpenData;
}

bool TIdFTP::WaitForReplyOrDataPeer(TIdSimpleServer& listener) {
    // An abort that came before the wait began finds the listener stopped.
    if (FAbortRequested)
        listener.RequestStop();
    if (PendingInput().Size() > 0)
        return false;
    const TIdIOHandlerSocket* control = SocketIOHandler();
    if (control != nullptr && control->SocketHandle() != nullptr)
        listener.WatchedSocket = control->SocketHandle()->NativeSocket();
    const TScopeExit unwatch([&] { listener.WatchedSocket = Id_INVALID_SOCKET; });
    return WaitForDataPeer(listener, AcceptWaitLimit());
}
