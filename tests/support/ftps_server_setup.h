// A pyftpdlib FTPS server on loopback (TLS required on control and data),
// with a certificate from a CA made for the test, and a client set up to
// trust that CA.
#pragma once

#include "ftp/ftp_client.h"
#include "support/pyftpd_server.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

#include <memory>
#include <string>
#include <vector>

struct FtpsServerSetup {
    TestCertificates Certificates;
    TempDir Scratch;
    TestCertificates::Pair Served;
    std::unique_ptr<PyFtpdServer> Server;

    // `served` picks the certificate; extra arguments go to the server.
    explicit FtpsServerSetup(bool implicit = false, TestCertificates::Pair served = {})
        : Served(served.Certificate.empty()
                     ? Certificates.Server("server", "IP:127.0.0.1,DNS:localhost")
                     : served) {
        Start(implicit);
    }
    FtpsServerSetup(bool implicit, const std::string& name, const std::string& altNames,
                    bool trustedCa, const std::string& start = "", const std::string& end = "")
        : Served(Certificates.Server(name, altNames, trustedCa, start, end)) {
        Start(implicit);
    }

    // On ::1, with a certificate naming only that address (IP:::1).
    struct OnIPv6 {};
    explicit FtpsServerSetup(OnIPv6) : Served(Certificates.Server("server6", "IP:::1")) {
        Start(false, {"--host", "::1"});
    }

    // Ends every data connection after `bytes` bytes without close_notify.
    struct CutsData {
        int bytes;
    };
    explicit FtpsServerSetup(CutsData cut)
        : Served(Certificates.Server("server", "IP:127.0.0.1,DNS:localhost")) {
        Start(false, {"--tls-cut-data", std::to_string(cut.bytes)});
    }

    std::string LogFile() const { return Scratch.File("server.log"); }
    std::string Log() const {
        try {
            return ReadFileBytes(LogFile());
        } catch (...) {
            return {};
        }
    }
    void Configure(TIdFTP& client, TIdUseTLS mode) const {
        client.Host = "127.0.0.1";
        client.Port = Server->Port();
        client.Username = PyFtpdServer::User;
        client.Password = PyFtpdServer::Password;
        client.ReadTimeout = 30000;
        client.AcceptTimeout = 20000;
        client.UseTLS = mode;
        client.TLSCAFile = Certificates.Ca();
    }

private:
    void Start(bool implicit, const std::vector<std::string>& more = {}) {
        PyFtpdServer::Options options;
        options.extraArgs = {"--tls-cert", Served.Certificate, "--tls-key", Served.Key,
                             "--log",      LogFile()};
        options.extraArgs.insert(options.extraArgs.end(), more.begin(), more.end());
        if (implicit)
            options.extraArgs.push_back("--tls-implicit");
        Server = std::make_unique<PyFtpdServer>(options);
    }
};
