// FTPS: TLS on the control connection (explicit with AUTH TLS, or implicit
// from the first byte), the verdict on the server's certificate before any of
// the login is sent, and TLS on every data connection, resuming the control
// connection's session, which servers such as vsftpd (require_ssl_reuse) and
// proftpd insist on.
#include "ftp/ftp_client.h"

#include "core/text.h"
#include "ftp/download_size.h"
#include "net/tls_context.h"
#include "net/tls_errors.h"
#include "net/tls_io_handler.h"

std::unique_ptr<TIdIOHandler> TIdFTP::MakeDefaultIOHandler() {
    return std::make_unique<TIdIOHandlerTLS>();
}

TIdIOHandlerTLS* TIdFTP::ControlTLS() const {
    auto* handler = dynamic_cast<TIdIOHandlerTLS*>(IOHandler());
    return handler != nullptr && handler->TLSActive() ? handler : nullptr;
}

void TIdFTP::NegotiateExplicitTLS() {
    // Never on in clear: a server that will not speak TLS gets no login.
    const int code = SendCommand("AUTH TLS");
    if (code != 234)
        throw EIdTLSAuthRefused(FormatMsg(TIdMsg::TlsAuthRefused, {LastReplyMessage()}));
    StartControlTLS();
}

void TIdFTP::StartControlTLS() {
    auto* handler = dynamic_cast<TIdIOHandlerTLS*>(IOHandler());
    if (handler == nullptr)
        throw EIdTLSError(FormatMsg(TIdMsg::TlsSetupFailed, {"the connection cannot carry TLS"}));
    FDataProtected = false;
    FTLSContext = std::make_unique<TIdTLSContext>(
        TIdTLSTrust{TLSVerify, TLSCAFile, NormalizedFingerprint(TLSPinnedSha256)});
    // Certificates name the server as the user gave it: the control host,
    // not an address it resolved to.
    handler->StartClientTLS(*FTLSContext, FControlHost, ReadTimeout, true);
    const TIdCertificateInfo certificate = handler->PeerCertificate();
    const bool accepted = certificate.Problem.empty() || (!TLSVerify && TLSPinnedSha256.empty()) ||
                          (OnUntrustedCertificate && OnUntrustedCertificate(this, certificate));
    if (!accepted)
        throw EIdTLSCertificateError(
            FormatMsg(TIdMsg::TlsCertificateRejected, {certificate.Problem}), certificate.Problem);
    if (OnControlTLS)
        OnControlTLS(this);
}

void TIdFTP::ProtectDataChannel() {
    FDataProtected = false;
    if (ControlTLS() == nullptr)
        return;
    SendCommand("PBSZ 0", 200);
    SendCommand("PROT P", 200);
    FDataProtected = true;
}

void TIdFTP::ProtectDataConnection(TIdTCPConnection& data) {
    FDataTLSFresh = false;
    FAnnouncedSize = -1;
    if (!FDataProtected)
        return;
    auto* handler = dynamic_cast<TIdIOHandlerTLS*>(data.IOHandler());
    TIdIOHandlerTLS* control = ControlTLS();
    if (handler == nullptr || control == nullptr || !FTLSContext)
        throw EIdTLSError(FormatMsg(TIdMsg::TlsSetupFailed, {"the connection cannot carry TLS"}));
    FAnnouncedSize = SizeInPreliminaryReply(LastReply());
    handler->StartClientTLS(*FTLSContext, FControlHost, ReadTimeout, false);
    FDataTLSFresh = !handler->SessionReused();
    // A resumed session proves the peer is the control connection's server;
    // a fresh one must at least show the same certificate.
    if (FDataTLSFresh && handler->PeerCertificate().Sha256 != control->PeerCertificate().Sha256)
        throw EIdTLSError(MsgText(TIdMsg::TlsDataCertificateChanged));
}

void TIdFTP::CheckProtectedDownloadEnd(TIdTCPConnection& data, int64_t received, TOwedReply& owed) {
    auto* handler = dynamic_cast<TIdIOHandlerTLS*>(data.IOHandler());
    // An abort ends the data connection on purpose; its replies tell the rest.
    if (!FDataProtected || FAbortRequested || handler == nullptr || !handler->EndedWithoutNotify())
        return;
    if (FAnnouncedSize >= 0 && received >= FAnnouncedSize)
        return;
    ExplainFailedDataConnection(owed);
    throw EIdTLSTruncated(MsgText(TIdMsg::TlsTruncatedDownload));
}

void TIdFTP::ExplainFailedDataConnection(TOwedReply& owed) {
    // A server that refuses an unresumed session closes the data connection
    // at once and says why on the control connection.
    if (!FDataTLSFresh || IOHandler() == nullptr || !IOHandler()->InputReady(ReadTimeout))
        return;
    // The command's last word, whatever it says: nothing more is owed.
    if (ReadTransferReply({}, owed, TOwedReply::None) >= 400)
        RaiseReplyError();
}

void TIdFTP::RaiseReplyError() {
    const int code = LastReply().NumericCode();
    if (FDataTLSFresh && (code == 522 || code == 425))
        throw EIdTLSSessionReuseRequired(
            FormatMsg(TIdMsg::TlsSessionReuseRequired, {LastReplyMessage()}));
    TIdTCPClient::RaiseReplyError();
}
