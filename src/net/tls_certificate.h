// What a user needs to judge a server certificate, and the checks that do
// not need OpenSSL's verifier: the SHA-256 fingerprint and a pin against it.
#pragma once

#include <string>

using X509 = struct x509_st;

struct TIdCertificateInfo {
    // Lower-case hex, pairs separated by ':'.
    std::string Sha256;
    std::string Subject;
    std::string Issuer;
    std::string NotBefore;
    std::string NotAfter;
    // Empty when the chain and the name verified; else the verifier's reason.
    std::string Problem;
};

TIdCertificateInfo DescribeCertificate(X509* certificate);
// The fingerprint without separators or case: "AB:cd" and "abcd" compare equal.
std::string NormalizedFingerprint(const std::string& hex);
