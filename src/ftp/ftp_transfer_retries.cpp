// Running a transfer again, from where it started, when its first run
// failed before anything moved and a second can succeed.
//
// Falling back to passive mode: behind NAT or a firewall the server's
// connection to our active listener never arrives, and many servers refuse
// a PORT that names another address than the one they see. With
// PassiveFallback such a transfer runs again in passive mode, and the client
// stays passive until the next connection.
//
// A fresh TLS session: a data connection the server refused for not
// resuming the session runs once more with a session that refused
// handshake brought.
#include "ftp/ftp_client.h"

#include "core/exceptions.h"
#include "core/scope_guard.h"
#include "ftp/simple_server.h"
#include "net/io_handler.h"
#include "net/tls_context.h"
#include "net/tls_errors.h"

#include <exception>

namespace {

constexpr int ReplyCannotOpenData = 425;

} // namespace

void TIdFTP::Transfer(const std::string& command, TStream& stream, TDirection direction,
                      bool resume, TIdDownloadSize* size) {
    // Refused before PASV or PORT goes out, so that nothing is sent for it.
    CheckCommandLine(command);
    FAbortRequested = false;
    const int64_t start = stream.Position();
    const TIdDownloadSize sizeAtStart = size != nullptr ? *size : TIdDownloadSize{};
    std::exception_ptr reuseRefusal;
    for (;;) {
        const bool wasPassive = Passive;
        try {
            TransferOnce(command, stream, direction, resume, size);
            return;
        } catch (const EIdTLSSessionReuseRequired&) {
            // By now the control connection is settled (or dropped).
            if (reuseRefusal || !MayRetryWithFreshSession())
                throw;
            reuseRefusal = std::current_exception();
        } catch (const std::exception& error) {
            // A server that ends the login after its refusal (vsftpd) fails
            // the retry on a closed connection: the refusal says why.
            if (reuseRefusal && !IsConnected())
                std::rethrow_exception(reuseRefusal);
            if (Passive || !PassiveFallback || !ActiveAttemptMayFallBack(error))
                throw;
            Passive = true;
            FPassiveByFallback = true;
            if (OnPassiveFallback)
                OnPassiveFallback(this);
        }
        // Nothing moved, but the next run must move the same bytes: a
        // download writes from where it started, and an upload sends what
        // the first run would have: a passive store sends from where the
        // stream stands, an active one all of it.
        if (direction == TDirection::Inbound) {
            if (stream.Size() > start)
                stream.SetSize(start);
            stream.SetPosition(start);
        } else {
            stream.SetPosition(wasPassive ? start : 0);
        }
        if (size != nullptr)
            *size = sizeAtStart;
    }
}

bool TIdFTP::MayRetryWithFreshSession() {
    // A server that resumes each TLS 1.3 session only once and issues none
    // on an upload's data connection (proftpd) runs out of sessions after a
    // few uploads; the refused connection's full handshake brought new ones.
    return !FAbortRequested && IsConnected() && FTLSContext && FTLSContext->HasFreshSession();
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
