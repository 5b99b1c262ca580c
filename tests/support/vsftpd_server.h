// vsftpd as an FTPS server for tests: started from /usr/sbin/vsftpd with a
// configuration this object writes (never as the system's service), on
// 127.0.0.1, TLS forced on control and data connections and
// require_ssl_reuse=YES. Anonymous login; downloads from Root(), uploads into
// Root()/up. vsftpd needs root to start its sessions: Available() says
// whether it can run here.
#pragma once

#include "support/ftps_test_server.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

#include <string>
#include <sys/types.h>

class VsftpdServer : public FtpsTestServer {
public:
    static bool Available();

    // Serves `certificate` (PEM chain and key). Throws std::runtime_error when
    // it does not come up.
    explicit VsftpdServer(const TestCertificates::Pair& certificate);
    ~VsftpdServer() override;
    VsftpdServer(const VsftpdServer&) = delete;
    VsftpdServer& operator=(const VsftpdServer&) = delete;

    int Port() const override { return FPort; }
    std::string User() const override { return "anonymous"; }
    std::string Password() const override { return "scrivlet@"; }
    std::string RootFile(const std::string& relative) const override;
    std::string Log() const override;

private:
    TempDir FDir;
    pid_t FPid = -1;
    int FPort = 0;
};
