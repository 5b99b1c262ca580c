// Failures of TLS on a connection. The message carries OpenSSL's reason.
#pragma once

#include "core/exceptions.h"

#include <string>

// Any TLS failure: a handshake, a record, the library's set-up.
class EIdTLSError : public EIdException {
public:
    using EIdException::EIdException;
};

// The server's certificate did not verify (or did not match the pinned one).
// Reason is the verifier's text ("certificate has expired", ...).
class EIdTLSCertificateError : public EIdTLSError {
public:
    EIdTLSCertificateError(std::string message, std::string reason)
        : EIdTLSError(std::move(message)), Reason(std::move(reason)) {}
    std::string Reason;
};

// The server answered AUTH TLS with a refusal: we never go on in clear.
class EIdTLSAuthRefused : public EIdTLSError {
public:
    using EIdTLSError::EIdTLSError;
};

// The server closed a data connection that did not resume the control
// connection's TLS session, and said so (522 or 425).
class EIdTLSSessionReuseRequired : public EIdTLSError {
public:
    using EIdTLSError::EIdTLSError;
};

// A protected download whose connection ended without close_notify before the
// announced size arrived: the data may have been cut short by an attacker.
class EIdTLSTruncated : public EIdTLSError {
public:
    using EIdTLSError::EIdTLSError;
};
