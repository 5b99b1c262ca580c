#include "net/tls_context.h"

#include "net/tls_errors.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace {

// Leads from a connection object to the context that keeps its sessions.
int ContextIndex() {
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

[[noreturn]] void ThrowSetupError() {
    throw EIdTLSError(FormatMsg(TIdMsg::TlsSetupFailed, {TakeOpenSSLErrors("unknown error")}));
}

} // namespace

std::string TakeOpenSSLErrors(const std::string& fallback) {
    std::string text;
    while (const unsigned long code = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        if (!text.empty())
            text += "; ";
        // Only the reason: "error:0A000086:SSL routines::certificate verify failed".
        const char* reason = ERR_reason_error_string(code);
        text += reason != nullptr ? reason : buffer;
    }
    return text.empty() ? fallback : text;
}

TIdTLSContext::TIdTLSContext(const TIdTLSTrust& trust) : FTrust(trust) {
    FContext = SSL_CTX_new(TLS_client_method());
    if (FContext == nullptr)
        ThrowSetupError();
    SSL_CTX_set_min_proto_version(FContext, TLS1_2_VERSION);
    SSL_CTX_set_mode(FContext, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_AUTO_RETRY);
    // Many records per read from the socket instead of a header and a body
    // each: downloads are bound by system calls otherwise.
    SSL_CTX_set_read_ahead(FContext, 1);
    SSL_CTX_set_default_read_buffer_len(FContext, 256 * 1024);
    // Sessions are kept by us, not in OpenSSL's cache, so that exactly the
    // control connection's session is offered on every data connection.
    SSL_CTX_set_session_cache_mode(FContext,
                                   SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(FContext, &TIdTLSContext::OnNewSession);
    const bool loaded =
        FTrust.CAFile.empty()
            ? SSL_CTX_set_default_verify_paths(FContext) == 1
            : SSL_CTX_load_verify_locations(FContext, FTrust.CAFile.c_str(), nullptr) == 1;
    if (!loaded) {
        SSL_CTX_free(FContext);
        ThrowSetupError();
    }
    // The verdict is taken after the handshake (TIdIOHandlerTLS), so that a
    // refused certificate can be shown and, when the user says so, trusted.
    SSL_CTX_set_verify(FContext, SSL_VERIFY_NONE, nullptr);
}

TIdTLSContext::~TIdTLSContext() {
    ForgetSession();
    SSL_CTX_free(FContext);
}

void TIdTLSContext::ForgetSession() {
    for (SSL_SESSION* session : FFresh)
        SSL_SESSION_free(session);
    FFresh.clear();
    SSL_SESSION_free(FOffered);
    FOffered = nullptr;
}

SSL_SESSION* TIdTLSContext::TakeSession() {
    // With TLS 1.3 a server that keeps its sessions itself (vsftpd, proftpd)
    // resumes each one only once; a TLS 1.2 session resumes any number of
    // times. An upload may end before its connection's tickets are read, so
    // the next connection takes one issued earlier and not offered yet.
    if (!FFresh.empty()) {
        SSL_SESSION_free(FOffered);
        FOffered = FFresh.back();
        FFresh.pop_back();
    }
    return FOffered;
}

SSL* TIdTLSContext::NewConnection() {
    SSL* ssl = SSL_new(FContext);
    if (ssl == nullptr)
        ThrowSetupError();
    SSL_set_ex_data(ssl, ContextIndex(), this);
    return ssl;
}

int TIdTLSContext::OnNewSession(SSL* ssl, SSL_SESSION* session) {
    auto* context = static_cast<TIdTLSContext*>(SSL_get_ex_data(ssl, ContextIndex()));
    if (context == nullptr)
        return 0;
    // With TLS 1.3 the server's tickets arrive after the handshake, one or
    // more, on the control connection and on every data connection.
    constexpr size_t MostKept = 8;
    if (context->FFresh.size() == MostKept) {
        SSL_SESSION_free(context->FFresh.front());
        context->FFresh.erase(context->FFresh.begin());
    }
    context->FFresh.push_back(session);
    return 1; // we keep the reference
}
