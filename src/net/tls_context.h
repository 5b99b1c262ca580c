// What every TLS connection of one client shares: the OpenSSL context with the
// trust settings, and the newest session the server issued (first on the
// control connection), which the next data connection resumes.
#pragma once

#include <memory>
#include <string>

using SSL_CTX = struct ssl_ctx_st;
using SSL_SESSION = struct ssl_session_st;
using SSL = struct ssl_st;

struct TIdTLSTrust {
    // Off: any certificate is taken (the caller warns the user).
    bool Verify = true;
    // PEM file of the only CAs to trust; empty = the system store through
    // OpenSSL's default paths (SSL_CERT_FILE and SSL_CERT_DIR apply).
    std::string CAFile;
    // SHA-256 of the one certificate to accept, in hex (colons allowed);
    // when set, the chain is not consulted.
    std::string PinnedSha256;
};

class TIdTLSContext {
public:
    explicit TIdTLSContext(const TIdTLSTrust& trust);
    ~TIdTLSContext();
    TIdTLSContext(const TIdTLSContext&) = delete;
    TIdTLSContext& operator=(const TIdTLSContext&) = delete;

    const TIdTLSTrust& Trust() const { return FTrust; }
    // A new connection object; the sessions the server issues on it (with
    // TLS 1.3 after the handshake) become the one to resume next.
    SSL* NewConnection();
    // The session to resume, or nullptr before the control handshake.
    SSL_SESSION* Session() const { return FSession; }
    void ForgetSession();

private:
    static int OnNewSession(SSL* ssl, SSL_SESSION* session);

    TIdTLSTrust FTrust;
    SSL_CTX* FContext = nullptr;
    SSL_SESSION* FSession = nullptr;
};

// OpenSSL's queued errors as one text (and the queue emptied); `fallback`
// when the queue is empty.
std::string TakeOpenSSLErrors(const std::string& fallback);
