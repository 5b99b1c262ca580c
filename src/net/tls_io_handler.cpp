#include "net/tls_io_handler.h"

#include "net/tls_context.h"
#include "net/tls_errors.h"
#include "sock/stack.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>

namespace {

constexpr size_t RecordBufferSize = 32 * 1024;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string FailureReason(int sslError) {
    if (sslError == SSL_ERROR_SYSCALL && errno != 0)
        return TakeOpenSSLErrors(std::strerror(errno));
    return TakeOpenSSLErrors("unexpected end of stream");
}

// OpenSSL 3 reports a peer that closed without close_notify as this error.
bool IsUnexpectedEof(int sslError) {
    if (sslError == SSL_ERROR_SYSCALL)
        return ERR_peek_error() == 0;
    return sslError == SSL_ERROR_SSL &&
           ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING;
}

} // namespace

TIdIOHandlerTLS::TIdIOHandlerTLS() = default;

TIdIOHandlerTLS::~TIdIOHandlerTLS() {
    // The base destructor would close only the socket, under the TLS layer.
    CloseOnDestroy();
}

void TIdIOHandlerTLS::StartClientTLS(TIdTLSContext& context, const std::string& host,
                                     int32_t timeout, bool control) {
    if (!HasOpenSocket())
        throw EIdClosedSocket();
    EndTLS();
    FTrust = context.Trust();
    FHost = host;
    FControl = control;
    FEnded = false;
    FEndedWithoutNotify = false;
    FSSL = context.NewConnection();
    FCloseWait = timeout > 0 ? timeout : DefaultCloseWait;
    const int fd = SocketHandle()->NativeSocket();
    // Non-blocking below OpenSSL, so that every wait has our deadline.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    SSL_set_fd(FSSL, fd);
    X509_VERIFY_PARAM* check = SSL_get0_param(FSSL);
    // An address, IPv4 or IPv6, is checked against the certificate's IP
    // entries and sent no SNI, which names hosts only.
    if (IsAddressText(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(check, host.c_str());
    } else {
        X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        X509_VERIFY_PARAM_set1_host(check, host.c_str(), 0);
        // SSL_set_tlsext_host_name, without its C cast.
        SSL_ctrl(FSSL, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                 const_cast<char*>(host.c_str()));
    }
    if (SSL_SESSION* session = control ? nullptr : context.TakeSession(); session != nullptr)
        SSL_set_session(FSSL, session);

    const int64_t deadline = timeout > 0 ? NowMs() + timeout : -1;
    ERR_clear_error();
    for (;;) {
        const int r = SSL_connect(FSSL);
        if (r == 1)
            break;
        const int error = SSL_get_error(FSSL, r);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            if (!WaitSocket(error == SSL_ERROR_WANT_READ ? TWait::Readable : TWait::Writable,
                            deadline)) {
                EndTLS();
                throw EIdTLSError(MsgText(TIdMsg::TlsHandshakeTimeout));
            }
            continue;
        }
        const std::string reason = FailureReason(error);
        EndTLS();
        throw EIdTLSError(FormatMsg(TIdMsg::TlsHandshakeFailed, {reason}));
    }
    FShutdownAllowed = true;
}

TIdCertificateInfo TIdIOHandlerTLS::PeerCertificate() const {
    if (FSSL == nullptr)
        return {};
    X509* certificate = SSL_get1_peer_certificate(FSSL);
    TIdCertificateInfo info = DescribeCertificate(certificate);
    X509_free(certificate);
    if (certificate == nullptr) {
        info.Problem = "no certificate";
    } else if (!FTrust.PinnedSha256.empty()) {
        if (NormalizedFingerprint(FTrust.PinnedSha256) != NormalizedFingerprint(info.Sha256))
            info.Problem = MsgText(TIdMsg::TlsPinMismatch);
    } else if (const long result = SSL_get_verify_result(FSSL); result != X509_V_OK) {
        info.Problem = X509_verify_cert_error_string(result);
    }
    return info;
}

bool TIdIOHandlerTLS::SessionReused() const {
    return FSSL != nullptr && SSL_session_reused(FSSL) == 1;
}

std::string TIdIOHandlerTLS::ProtocolVersion() const {
    return FSSL != nullptr ? SSL_get_version(FSSL) : "";
}

std::string TIdIOHandlerTLS::CipherName() const {
    return FSSL != nullptr ? SSL_get_cipher_name(FSSL) : "";
}

bool TIdIOHandlerTLS::WaitSocket(TWait wait, int64_t deadline) {
    for (;;) {
        int slice = -1;
        if (deadline >= 0) {
            const int64_t left = deadline - NowMs();
            if (left <= 0)
                return false;
            slice = static_cast<int>(std::min<int64_t>(left, 1000000));
        }
        pollfd watch{SocketHandle()->NativeSocket(),
                     static_cast<short>(wait == TWait::Readable ? POLLIN : POLLOUT), 0};
        const int r = ::poll(&watch, 1, slice);
        if (r > 0)
            return true; // readable, writable, or hung up: SSL tells which
        if (r < 0 && errno != EINTR)
            return true; // let the next SSL call report the failure
    }
}

int64_t TIdIOHandlerTLS::ReadPlain(char* buffer, int64_t length) {
    ERR_clear_error();
    errno = 0;
    size_t got = 0;
    int r = 0;
    int error = SSL_ERROR_NONE;
    {
        const std::lock_guard<std::mutex> hold(FSSLLock);
        r = SSL_read_ex(FSSL, buffer, static_cast<size_t>(length), &got);
        error = r == 1 ? SSL_ERROR_NONE : SSL_get_error(FSSL, r);
    }
    FNeedsSocket = error == SSL_ERROR_WANT_READ;
    if (r == 1)
        return static_cast<int64_t>(got);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE)
        return -1;
    if (error == SSL_ERROR_ZERO_RETURN) {
        FEnded = true;
        return 0;
    }
    FShutdownAllowed = false;
    if (IsUnexpectedEof(error) || (error == SSL_ERROR_SYSCALL && errno == ECONNRESET)) {
        ERR_clear_error();
        FEnded = true;
        FEndedWithoutNotify = true;
        return 0;
    }
    throw EIdTLSError(FormatMsg(TIdMsg::TlsRecordFailed, {FailureReason(error)}));
}

bool TIdIOHandlerTLS::ReadRecord() {
    if (!FRecord)
        FRecord = std::make_unique_for_overwrite<char[]>(RecordBufferSize);
    const int64_t n = ReadPlain(FRecord.get(), RecordBufferSize);
    FPlainStart = 0;
    FPlainEnd = n > 0 ? static_cast<size_t>(n) : 0;
    return n >= 0;
}

size_t TIdIOHandlerTLS::TakeRecord(void* buffer, int64_t length) {
    const size_t n = std::min(FPlainEnd - FPlainStart, static_cast<size_t>(length));
    if (n > 0)
        std::memcpy(buffer, FRecord.get() + FPlainStart, n);
    FPlainStart += n;
    return n;
}

bool TIdIOHandlerTLS::InputReady(int32_t milliseconds) {
    if (FSSL == nullptr)
        return TIdIOHandlerSocket::InputReady(milliseconds);
    if (FPlainStart < FPlainEnd || FEnded)
        return true;
    const int64_t deadline = milliseconds >= 0 ? NowMs() + milliseconds : -1;
    for (;;) {
        // Read first, wait only when OpenSSL asks for more: a poll before
        // every record costs a system call that finds data nearly always.
        // When the last read asked for more already, a read now would only
        // hear that again.
        if (!FNeedsSocket && ReadRecord())
            return true;
        FNeedsSocket = false;
        // Only a partial record or a session ticket came: keep waiting.
        if (!WaitSocket(TWait::Readable, deadline))
            return false;
    }
}

int64_t TIdIOHandlerTLS::ReceiveRaw(void* buffer, int64_t length) {
    if (FSSL == nullptr)
        return TIdIOHandlerSocket::ReceiveRaw(buffer, length);
    if (FPlainStart >= FPlainEnd && !FEnded)
        InputReady(IdTimeoutInfinite);
    return static_cast<int64_t>(TakeRecord(buffer, length));
}

int64_t TIdIOHandlerTLS::ReceiveAvailable(void* buffer, int64_t length) {
    if (FSSL == nullptr)
        return TIdIOHandlerSocket::ReceiveAvailable(buffer, length);
    // Records are decrypted straight into the caller's room, as many as have
    // come: no copy through the record buffer, no poll while bytes flow.
    char* const room = static_cast<char*>(buffer);
    int64_t got = static_cast<int64_t>(TakeRecord(room, length));
    while (got < length && !FEnded) {
        const int64_t n = ReadPlain(room + got, length - got);
        if (n <= 0)
            break;
        got += n;
    }
    if (got > 0)
        return got;
    return FEnded ? 0 : -1;
}

int64_t TIdIOHandlerTLS::SendRaw(const void* buffer, int64_t length) {
    if (FSSL == nullptr)
        return TIdIOHandlerSocket::SendRaw(buffer, length);
    const int chunk = static_cast<int>(std::min<int64_t>(length, 1 << 30));
    for (;;) {
        ERR_clear_error();
        errno = 0;
        int r = 0;
        int error = SSL_ERROR_NONE;
        {
            const std::lock_guard<std::mutex> hold(FSSLLock);
            r = SSL_write(FSSL, buffer, chunk);
            error = r > 0 ? SSL_ERROR_NONE : SSL_get_error(FSSL, r);
        }
        if (r > 0)
            return r;
        if (error == SSL_ERROR_WANT_WRITE || error == SSL_ERROR_WANT_READ) {
            WaitSocket(error == SSL_ERROR_WANT_READ ? TWait::Readable : TWait::Writable, -1);
            continue;
        }
        FShutdownAllowed = false;
        throw EIdTLSError(FormatMsg(TIdMsg::TlsRecordFailed, {FailureReason(error)}));
    }
}

void TIdIOHandlerTLS::EndTLS() {
    if (FSSL == nullptr)
        return;
    const std::lock_guard<std::mutex> hold(FSSLLock);
    if (FShutdownAllowed) {
        // close_notify, so that the server knows an upload is complete.
        ReadTicketsBeforeNotify();
        ERR_clear_error();
        SSL_shutdown(FSSL);
        DrainBeforeClose();
    }
    SSL_free(FSSL);
    ERR_clear_error();
    FSSL = nullptr;
    FShutdownAllowed = false;
    FPlainStart = 0;
    FPlainEnd = 0;
    FNeedsSocket = false;
}

void TIdIOHandlerTLS::ReadTicketsBeforeNotify() {
    // OpenSSL throws away what arrives after our close_notify. On an upload
    // nothing was read since the handshake, and a ticket the server sent
    // right after it is a session the next data connection can resume
    // (servers resume a TLS 1.3 session once): take what has come. No wait:
    // such a ticket precedes the whole upload, and some servers (proftpd)
    // send none on an upload's connection.
    if (FControl || SSL_version(FSSL) != TLS1_3_VERSION)
        return;
    char scratch[4096];
    for (;;) {
        ERR_clear_error();
        if (SSL_read(FSSL, scratch, sizeof scratch) <= 0)
            return;
    }
}

void TIdIOHandlerTLS::DrainBeforeClose() {
    // Closing a socket with unread bytes (a session ticket the server sent
    // on a data connection, its own close_notify) makes the system reset the
    // connection, and the server then loses the end of an upload it had not
    // read yet. So: end our direction, and read through TLS (which keeps the
    // tickets the next data connection needs) until the server closes.
    ::shutdown(SocketHandle()->NativeSocket(), SHUT_WR);
    const int64_t deadline = NowMs() + FCloseWait;
    char scratch[4096];
    for (;;) {
        ERR_clear_error();
        const int r = SSL_read(FSSL, scratch, sizeof scratch);
        if (r > 0)
            continue;
        const int error = SSL_get_error(FSSL, r);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
            return;
        if (!WaitSocket(TWait::Readable, deadline))
            return;
    }
}

void TIdIOHandlerTLS::CloseHandler() {
    EndTLS();
    TIdIOHandlerSocket::CloseHandler();
}

void TIdIOHandlerTLS::OpenHandler() {
    EndTLS();
    TIdIOHandlerSocket::OpenHandler();
}
