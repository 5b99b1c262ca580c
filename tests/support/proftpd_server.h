// proftpd with mod_tls as an FTPS server for tests, run from the tree the
// install step unpacks (scripts/install-deps.sh: proftpd conflicts with the
// installed vsftpd) with a configuration this object writes: 127.0.0.1, an
// ephemeral port, TLS required on control and data connections, and mod_tls's
// own default of refusing data connections that do not resume the control
// connection's TLS session. One user of its own (User(), Password()) with the
// current user's ids, so it runs as root (jailed in Root()) or as anyone else.
#pragma once

#include "support/child_process_group.h"
#include "support/ftps_test_server.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

#include <memory>
#include <string>

class ProftpdServer : public FtpsTestServer {
public:
    // Whether the unpacked tree is there (else the tests skip).
    static bool Available();
    static std::string Tree();

    // Serves `certificate` (PEM of an EC key and its certificate). Throws
    // std::runtime_error when it does not come up.
    explicit ProftpdServer(const TestCertificates::Pair& certificate);
    ~ProftpdServer() override;
    ProftpdServer(const ProftpdServer&) = delete;
    ProftpdServer& operator=(const ProftpdServer&) = delete;

    int Port() const override { return FPort; }
    std::string User() const override { return "scrivlet"; }
    std::string Password() const override { return "secret"; }
    std::string RootFile(const std::string& relative) const override;
    std::string Log() const override;

private:
    std::string WriteConfig(const TestCertificates::Pair& certificate) const;

    TempDir FDir;
    int FPort = 0;
    std::unique_ptr<ChildProcessGroup> FProcess;
};
