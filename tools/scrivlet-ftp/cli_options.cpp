#include "cli_options.h"

#include "core/text.h"
#include "ftp_url.h"

#include <cstdlib>
#include <optional>

namespace {

struct ProxyTypeName {
    const char* Name;
    TIdFtpProxyType Type;
};

constexpr ProxyTypeName ProxyTypeNames[] = {
    {"none", TIdFtpProxyType::fpcmNone},          {"user-site", TIdFtpProxyType::fpcmUserSite},
    {"site", TIdFtpProxyType::fpcmSite},          {"open", TIdFtpProxyType::fpcmOpen},
    {"user-pass", TIdFtpProxyType::fpcmUserPass}, {"transparent", TIdFtpProxyType::fpcmTransparent},
};

int32_t ParsePort(const std::string& option, const std::string& text) {
    const std::optional<int32_t> value = TryStrToInt(text);
    if (!value || *value < 1 || *value > 65535)
        throw CliUsageError(option + ": not a port number: " + text);
    return *value;
}

int32_t ParseSeconds(const std::string& option, const std::string& text) {
    // The limit in milliseconds must fit the connection's 32-bit setting.
    constexpr int32_t Most = 2147483;
    const std::optional<int32_t> value = TryStrToInt(text);
    if (!value || *value < 0 || *value > Most)
        throw CliUsageError(option + ": not a number of seconds from 0 to " + std::to_string(Most) +
                            ": " + text);
    return *value;
}

TIdFtpProxyType ParseProxyType(const std::string& text) {
    for (const ProxyTypeName& entry : ProxyTypeNames)
        if (text == entry.Name)
            return entry.Type;
    throw CliUsageError("--proxy-type: unknown proxy type: " + text);
}

TSocksVersion ParseSocksVersion(const std::string& text) {
    if (text == "4")
        return TSocksVersion::svSocks4;
    if (text == "4a" || text == "4A")
        return TSocksVersion::svSocks4A;
    if (text == "5")
        return TSocksVersion::svSocks5;
    throw CliUsageError("--socks-version: not 4, 4a or 5: " + text);
}

void CheckSocks(const CliSocksOptions& socks) {
    if (socks.Version == TSocksVersion::svNoSocks) {
        if (!socks.Host.empty() || !socks.User.empty() || !socks.Password.empty())
            throw CliUsageError("the --socks options need --socks-version");
        return;
    }
    if (socks.Host.empty())
        throw CliUsageError("--socks-version needs --socks-host");
    if (!socks.Password.empty() && socks.Version != TSocksVersion::svSocks5)
        throw CliUsageError("--socks-password applies to SOCKS 5 only");
}

// How many arguments each command takes, at least and at most.
struct CommandShape {
    const char* Name;
    size_t Min;
    size_t Max;
};

constexpr CommandShape Commands[] = {
    {"ls", 0, 1}, {"raw-ls", 0, 1}, {"get", 2, 2}, {"put", 2, 2}, {"quote", 1, 1},
};

bool IsCommandName(const std::string& text) {
    for (const CommandShape& shape : Commands)
        if (text == shape.Name)
            return true;
    return false;
}

// The HOST argument: a name or address as it is, or an IPv6 address in
// brackets, with a port after them ("[::1]:2121").
void TakeHost(const std::string& text, CliOptions& options) {
    if (text.empty() || text[0] != '[') {
        options.Host = text;
        return;
    }
    std::optional<int32_t> port;
    try {
        ParseBracketedHost(text, options.Host, port);
    } catch (const FtpUrlError& error) {
        throw CliUsageError(error.what());
    }
    if (port) {
        options.Port = *port;
        options.PortGiven = true;
    }
}

// COMMAND URL [ARGS], or put LOCAL URL: the URL names the server, the login
// and the remote path. False for the HOST COMMAND [ARGS] form.
bool TakeUrlForm(const std::vector<std::string>& positional, CliOptions& options) {
    if (positional.empty() || !IsCommandName(positional[0]))
        return false;
    const size_t urlAt = positional[0] == "put" ? 2 : 1;
    if (positional.size() <= urlAt || !LooksLikeFtpUrl(positional[urlAt]))
        return false;
    FtpUrl url;
    try {
        url = ParseFtpUrl(positional[urlAt]);
    } catch (const FtpUrlError& error) {
        throw CliUsageError(error.what());
    }
    options.Host = url.Host;
    if (url.Port) {
        options.Port = *url.Port;
        options.PortGiven = true;
    }
    if (url.Tls == FtpUrl::TTls::Explicit)
        options.Tls.Mode = TIdUseTLS::utUseExplicitTLS;
    else if (url.Tls == FtpUrl::TTls::Implicit)
        options.Tls.Mode = TIdUseTLS::utUseImplicitTLS;
    if (url.User) {
        options.User = *url.User;
        options.UserGiven = true;
    }
    if (url.Password) {
        options.Password = *url.Password;
        options.PasswordGiven = true;
    }
    options.Command = positional[0];
    options.Args.assign(positional.begin() + 1, positional.end());
    options.Args[urlAt - 1] = url.Path;
    if (url.Path.empty() && options.Command != "ls" && options.Command != "raw-ls")
        throw CliUsageError(options.Command + ": the URL names no file: " + positional[urlAt]);
    return true;
}

void CheckCommand(const CliOptions& options) {
    for (const CommandShape& shape : Commands) {
        if (options.Command != shape.Name)
            continue;
        if (options.Args.size() < shape.Min || options.Args.size() > shape.Max)
            throw CliUsageError(options.Command + ": wrong number of arguments");
        if (options.Resume && options.Command != "get")
            throw CliUsageError("--resume applies to get only");
        if (options.Append && options.Command != "put")
            throw CliUsageError("--append applies to put only");
        return;
    }
    throw CliUsageError("unknown command: " + options.Command);
}

} // namespace

CliOptions ParseCommandLine(const std::vector<std::string>& args) {
    CliOptions options;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (!optionsEnded && arg == "-v") {
            options.Verbose = true;
            continue;
        }
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (const size_t eq = arg.find('='); eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        auto value = [&]() -> std::string {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= args.size())
                throw CliUsageError(arg + ": missing value");
            return args[++i];
        };
        auto flag = [&](bool& target) {
            if (inlineValue)
                throw CliUsageError(arg + ": takes no value");
            target = true;
        };
        if (arg == "--help")
            flag(options.Help);
        else if (arg == "--version")
            flag(options.Version);
        else if (arg == "--verbose")
            flag(options.Verbose);
        else if (arg == "--quiet")
            flag(options.Quiet);
        else if (arg == "--passive")
            flag(options.Passive);
        else if (arg == "--resume")
            flag(options.Resume);
        else if (arg == "--append")
            flag(options.Append);
        else if (arg == "--port") {
            options.Port = ParsePort(arg, value());
            options.PortGiven = true;
        } else if (ParseTlsOption(arg, value, flag, options.Tls))
            continue;
        else if (arg == "--timeout")
            options.TimeoutSeconds = ParseSeconds(arg, value());
        else if (arg == "--user") {
            options.User = value();
            options.UserGiven = true;
        } else if (arg == "--password") {
            options.Password = value();
            options.PasswordGiven = true;
        } else if (arg == "--proxy-type")
            options.Proxy.ProxyType = ParseProxyType(value());
        else if (arg == "--proxy-host")
            options.Proxy.Host = value();
        else if (arg == "--proxy-port")
            options.Proxy.Port = ParsePort(arg, value());
        else if (arg == "--proxy-user")
            options.Proxy.UserName = value();
        else if (arg == "--proxy-password")
            options.Proxy.Password = value();
        else if (arg == "--socks-version")
            options.Socks.Version = ParseSocksVersion(value());
        else if (arg == "--socks-host")
            options.Socks.Host = value();
        else if (arg == "--socks-port")
            options.Socks.Port = ParsePort(arg, value());
        else if (arg == "--socks-user")
            options.Socks.User = value();
        else if (arg == "--socks-password")
            options.Socks.Password = value();
        else
            throw CliUsageError("unknown option: " + arg);
    }
    if (options.Help || options.Version)
        return options;
    if (!TakeUrlForm(positional, options)) {
        if (positional.size() < 2)
            throw CliUsageError(positional.empty() ? "missing HOST and COMMAND"
                                                   : "missing COMMAND");
        TakeHost(positional[0], options);
        options.Command = positional[1];
        options.Args.assign(positional.begin() + 2, positional.end());
    }
    CheckCommand(options);
    CheckSocks(options.Socks);
    CheckTlsOptions(options.Tls);
    if (!options.PortGiven)
        options.Port = DefaultPortFor(options.Tls);
    if (options.Proxy.ProxyType != TIdFtpProxyType::fpcmNone && !options.Proxy.Host.empty() &&
        options.Proxy.Port == 0)
        options.Proxy.Port = 21;
    return options;
}

std::string EffectivePassword(const CliOptions& options) {
    if (options.PasswordGiven)
        return options.Password;
    if (const char* fromEnvironment = std::getenv("SCRIVLET_FTP_PASSWORD"))
        return fromEnvironment;
    return options.User == "anonymous" ? "anonymous@" : "";
}

void UseNetrc(CliOptions& options, const std::vector<NetrcEntry>& entries) {
    if (options.PasswordGiven)
        return;
    const std::optional<NetrcEntry> entry =
        FindNetrcEntry(entries, options.Host,
                       options.UserGiven ? std::optional<std::string>(options.User) : std::nullopt);
    if (!entry)
        return;
    if (!options.UserGiven && entry->Login) {
        options.User = *entry->Login;
        options.UserGiven = true;
    }
    if (entry->Password && std::getenv("SCRIVLET_FTP_PASSWORD") == nullptr) {
        options.Password = *entry->Password;
        options.PasswordGiven = true;
    }
}

std::string VersionText() {
    return std::string("scrivlet-ftp ") + SCRIVLET_VERSION;
}

const char* UsageText() {
    return R"(Usage: scrivlet-ftp [OPTIONS] HOST COMMAND [ARGS]
       scrivlet-ftp [OPTIONS] COMMAND ftp://[USER[:PASSWORD]@]HOST[:PORT]/PATH [ARGS]
       scrivlet-ftp [OPTIONS] put LOCAL ftp://[USER[:PASSWORD]@]HOST[:PORT]/PATH

A command-line FTP client. It logs in, switches to binary transfers (TYPE I),
asks the server's system type (SYST), runs one command and signs off.

Commands:
  ls [PATH]                 List PATH (default: the login directory), one
                            parsed entry per line, fields separated by tabs:
                            kind (dir, file, link), rights, owner, group,
                            size, date, name.
  raw-ls [PATH]             The listing's lines exactly as the server sent them.
  get REMOTE LOCAL [--resume]
                            Download REMOTE into the local file LOCAL, which is
                            replaced when it exists. With --resume an existing
                            LOCAL is continued from its size (REST), provided
                            the server supports restarting; otherwise the
                            command fails and LOCAL is left alone.
  put LOCAL REMOTE [--append]
                            Upload LOCAL as REMOTE (STOR), or with --append
                            add it to the end of REMOTE (APPE).
  quote "COMMAND"           Send one raw command line and print the reply.
                            Fails when the reply code is 400 or higher.

URLs: an ftp:// URL (ftpes:// for explicit TLS, ftps:// for implicit TLS on
port 990) stands for HOST and the remote path (ls, raw-ls and get
take it first, put second). Its user, password and port, when present, replace
--user, --password and --port; %XX stands for the byte XX. The path after the
host's slash is relative to the login directory; start it with %2F for an
absolute one (ftp://host/%2Fetc/motd is /etc/motd).

IPv6: HOST may be an IPv6 address, bare (::1) or in brackets with an optional
port ([::1]:2121); in URLs it goes in brackets (ftp://[::1]:2121/a.txt). Data
connections to an IPv6 server use EPSV and EPRT.

Options:
  --port N                  Server port (default 21; 990 with --tls-implicit).
  --user U                  User name (default: anonymous).
  --password P              Password. Without it the environment variable
                            SCRIVLET_FTP_PASSWORD is used, else ~/.netrc,
                            else "anonymous@" for the anonymous user and an
                            empty password for any other.
  --passive                 Passive data connections (PASV). The default is
                            active mode (PORT): the server connects back to
                            us, and gives up after 30 seconds if it cannot.
  --timeout SECONDS         Give up with "Read Timeout" when the server sends
                            nothing for this many seconds while a reply or
                            data is due (default 60; 0 waits for ever).
  --proxy-type T            FTP proxy mode: none, user-site, site, open,
                            user-pass or transparent.
  --proxy-host H            Proxy host (the connection goes there instead).
  --proxy-port N            Proxy port (default 21).
  --proxy-user U            Proxy user name.
  --proxy-password P        Proxy password.
  --socks-version V         Connect through a SOCKS proxy: 4, 4a or 5. The
                            control connection and passive data connections
                            go through it; active mode still needs the server
                            to reach us directly.
  --socks-host H            SOCKS proxy host.
  --socks-port N            SOCKS proxy port (default 1080).
  --socks-user U            SOCKS 4 user id, or SOCKS 5 user name.
  --socks-password P        SOCKS 5 password. With --socks-user or this, SOCKS 5
                            logs in with user name and password.
  --tls                     FTPS with explicit TLS: AUTH TLS after the greeting,
                            then the login and every transfer encrypted. A
                            server that refuses AUTH TLS gets no login.
  --tls-implicit            FTPS with implicit TLS from the first byte (default
                            port 990).
  --ca-file FILE            Trust only the CAs in this PEM file (default: the
                            system's store; SSL_CERT_FILE and SSL_CERT_DIR
                            apply).
  --insecure                Do not check the server's certificate (a warning
                            is printed).
  --pin-sha256 HEX          Accept exactly the certificate with this SHA-256
                            fingerprint, whoever issued it.
  -v, --verbose             Show the control dialogue on standard error: each
                            command ("> ") and reply line ("< "), with the
                            password of PASS masked.
  --quiet                   No summary line and no progress line.
  --version                 Show the version and exit.
  --help                    Show this text and exit.

Login from ~/.netrc: when no password is given (by --password or the URL), the
entry for HOST in ~/.netrc ("machine HOST login USER password SECRET", or a
"default" entry) gives the user name, unless one is given, and the password,
unless SCRIVLET_FTP_PASSWORD is set. With a user given, only an entry with that
login (or none) is used. A ~/.netrc that others than its owner may read or
write is not used, with a warning (chmod 600 ~/.netrc).

Transfers print the byte count, the time and the rate in MB/s (10^6 bytes per
second) on standard error. While a transfer runs and standard error is a
terminal, a progress line there shows the bytes moved, the share of the whole
when the size is known, the rate and the time left.

Exit status:
  0                         Success.
  1                         The server or the connection failed (the error
                            message goes to standard error), or quote got a
                            reply code of 400 or higher.
  2                         A wrong command line.
)";
}
