// Debian's SOCKS servers on loopback, started for one test and stopped with
// it: microsocks (SOCKS 5, optionally with user name and password) and
// danted (SOCKS 4 and 5), plus an FTP session through either.
#pragma once

#include "ftp/ftp_client.h"
#include "net/io_handler.h"
#include "proxy_process.h"
#include "support/pyftpd_server.h"
#include "support/temp_dir.h"

#include <chrono>
#include <memory>
#include <string>

class Microsocks {
public:
    // Without a user name the proxy accepts anyone; with one it insists on
    // that user name and password.
    explicit Microsocks(const std::string& user = "", const std::string& password = "");
    int Port() const { return FPort; }

private:
    int FPort = 0;
    std::unique_ptr<ProxyProcess> FProcess;
};

class Dante {
public:
    // Passes every connect from loopback, except to `blockedPort`, which its
    // rules refuse.
    explicit Dante(int blockedPort);
    int Port() const { return FPort; }
    // The connects the proxy made on behalf of its clients, from its log.
    int ConnectsPassed() const;
    // True once at least `count` of them are logged within the deadline.
    bool WaitForConnectsPassed(int count, std::chrono::milliseconds within) const;
    std::string Log() const;

private:
    TempDir FDir;
    int FPort = 0;
    std::unique_ptr<ProxyProcess> FProcess;
};

// An FTP server with one file to fetch, and a passive client whose control
// connection (and so its data connections) goes through a SOCKS proxy.
struct FtpBehindSocks {
    static const std::string FileName;
    static const std::string& FileContent();

    PyFtpdServer Server;
    TIdIOHandlerSocket Handler;
    TIdFTP Client;

    FtpBehindSocks(TSocksVersion version, int proxyPort);
    TIdSocksInfo& Socks() { return *Handler.SocksInfo(); }
    // Logs in, lists, retrieves the file, stores a copy and signs off,
    // checking every step; three data connections in all.
    void RunSession(const std::string& controlHost = "127.0.0.1");
};
