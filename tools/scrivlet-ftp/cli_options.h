// The command line of scrivlet-ftp: what it accepts and the help text.
#pragma once

#include "cli_tls.h"
#include "ftp/proxy_settings.h"
#include "net/socks_info.h"
#include "netrc.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// The SOCKS proxy the control and passive data connections go through.
struct CliSocksOptions {
    TSocksVersion Version = TSocksVersion::svNoSocks;
    std::string Host;
    int32_t Port = IdSocksPortDefault;
    // A SOCKS 4 user id; for SOCKS 5, a user name or password selects the
    // user name and password method.
    std::string User;
    std::string Password;
};

struct CliOptions {
    std::string Host;
    int32_t Port = 21;
    bool PortGiven = false;
    std::string User = "anonymous";
    bool UserGiven = false;
    std::string Password;
    bool PasswordGiven = false;
    bool Passive = false;
    // How long a read may wait for the server (0: no limit).
    int32_t TimeoutSeconds = 60;
    TIdFtpProxySettings Proxy;
    CliSocksOptions Socks;
    CliTlsOptions Tls;
    std::string Command;
    std::vector<std::string> Args;
    bool Resume = false;
    bool Append = false;
    bool Help = false;
    bool Version = false;
    // The control dialogue on standard error.
    bool Verbose = false;
    // No summary line and no progress line.
    bool Quiet = false;
    // The progress line of transfers; set by the program when standard error
    // is a terminal and --quiet is not given.
    bool Progress = false;
};

// A command line that cannot be run; the message says why.
class CliUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. Raises CliUsageError.
CliOptions ParseCommandLine(const std::vector<std::string>& args);

// The password to log in with: --password, else $SCRIVLET_FTP_PASSWORD, else
// "anonymous@" for the anonymous user and the empty text for any other.
std::string EffectivePassword(const CliOptions& options);

// Takes the user and password from the .netrc entry for the host when the
// command line gave no password: the entry's login when no user was given,
// and its password unless $SCRIVLET_FTP_PASSWORD is set.
void UseNetrc(CliOptions& options, const std::vector<NetrcEntry>& entries);

const char* UsageText();

// "scrivlet-ftp <version>".
std::string VersionText();
