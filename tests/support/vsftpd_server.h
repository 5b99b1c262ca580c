// vsftpd as an FTPS server for tests: started from /usr/sbin/vsftpd with a
// configuration this object writes (never as the system's service), on
// 127.0.0.1, TLS forced on control and data connections and
// require_ssl_reuse=YES. Anonymous login; downloads from Root(), uploads into
// Root()/up. vsftpd needs root to start its sessions: Available() says
// whether it can run here.
#pragma once

#include "support/temp_dir.h"
#include "support/test_certificates.h"

#include <string>
#include <sys/types.h>

class VsftpdServer {
public:
    static bool Available();

    // Serves `certificate` (PEM chain and key). Throws std::runtime_error when
    // it does not come up.
    explicit VsftpdServer(const TestCertificates::Pair& certificate);
    ~VsftpdServer();
    VsftpdServer(const VsftpdServer&) = delete;
    VsftpdServer& operator=(const VsftpdServer&) = delete;

    int Port() const { return FPort; }
    std::string RootFile(const std::string& relative) const;
    std::string Log() const;

private:
    TempDir FDir;
    pid_t FPid = -1;
    int FPort = 0;
};
