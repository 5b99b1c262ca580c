// What every TLS connection of one client shares: the OpenSSL context with the
// trust settings, and the sessions the server issued (first on the control
// connection), which the data connections resume.
#pragma once

#include <memory>
#include <string>
#include <vector>

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
    // TLS 1.3 after the handshake) are kept for the next data connections.
    SSL* NewConnection();
    // The session a new data connection offers: the newest one not offered
    // yet, else the one offered last; nullptr before the control handshake.
    // Stays owned by the context.
    SSL_SESSION* TakeSession();
    // A session issued and not offered yet is kept.
    bool HasFreshSession() const { return !FFresh.empty(); }
    void ForgetSession();

private:
    static int OnNewSession(SSL* ssl, SSL_SESSION* session);

    TIdTLSTrust FTrust;
    SSL_CTX* FContext = nullptr;
    // Issued and not offered yet, newest last.
    std::vector<SSL_SESSION*> FFresh;
    SSL_SESSION* FOffered = nullptr;
};

// OpenSSL's queued errors as one text (and the queue emptied); `fallback`
// when the queue is empty.
std::string TakeOpenSSLErrors(const std::string& fallback);
