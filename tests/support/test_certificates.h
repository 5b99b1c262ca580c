// A throwaway certificate authority and server certificates, made with the
// openssl command in a folder that is removed with the object.
#pragma once

#include "support/temp_dir.h"

#include <string>

class TestCertificates {
public:
    struct Pair {
        std::string Certificate;
        std::string Key;
    };

    // Makes the CA "Scrivlet Test CA" (Ca()) and a second one nobody trusts.
    // Throws std::runtime_error when openssl fails.
    TestCertificates();

    // PEM of the trusted CA.
    std::string Ca() const { return FDir.File("ca.pem"); }
    // A server certificate signed by the trusted CA (or by the untrusted one)
    // for `altNames` ("IP:127.0.0.1,DNS:localhost"), valid from `startDate`
    // to `endDate` (openssl's YYYYMMDDHHMMSSZ; empty = yesterday to in two days).
    Pair Server(const std::string& name, const std::string& altNames, bool trustedCa = true,
                const std::string& startDate = "", const std::string& endDate = "");
    std::string Folder() const { return FDir.Path(); }

private:
    void MakeCa(const std::string& name);

    TempDir FDir;
};

// The SHA-256 fingerprint of a PEM certificate as "ab:cd:...".
std::string CertificateSha256(const std::string& pemFile);
