// Trust in server certificates that do not verify: the user's answer to the
// question (injected, so that tests answer it), and the answers kept per
// host:port in $XDG_CONFIG_HOME/scrivlet/trusted-certificates.
#pragma once

#include "net/tls_certificate.h"

#include <string>

enum class TTrustAnswer { TrustOnce, AlwaysTrust, Cancel };

class TCertificateQuestion {
public:
    virtual ~TCertificateQuestion() = default;
    // Asked before anything of the login is sent. `changed`: a certificate
    // was trusted for this server before and this one is another.
    virtual TTrustAnswer AskTrust(const std::string& server, const TIdCertificateInfo& info,
                                  bool changed) = 0;
};

// The file of always-trusted certificates: one "host:port sha256" a line.
class TTrustedCertificates {
public:
    // `file` empty: DefaultFile().
    explicit TTrustedCertificates(std::string file = {});

    // $XDG_CONFIG_HOME/scrivlet/trusted-certificates, with ~/.config when
    // XDG_CONFIG_HOME is unset or empty.
    static std::string DefaultFile();
    const std::string& File() const { return FFile; }
    // The fingerprint kept for `server` ("host:port"), empty when none.
    std::string Lookup(const std::string& server) const;
    // Keeps `sha256` for `server`, replacing an older entry. Throws
    // EFileError when the file cannot be written.
    void Remember(const std::string& server, const std::string& sha256);

private:
    std::string FFile;
};

// The verdict on a certificate that did not verify: true for a kept one
// that matches, else the user's answer (AlwaysTrust keeps it).
bool DecideCertificateTrust(TTrustedCertificates& trusted, TCertificateQuestion& question,
                            const std::string& server, const TIdCertificateInfo& info);
