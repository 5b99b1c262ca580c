// ftp:// URLs on the command line, as in `scrivlet-ftp get ftp://bob@host/a.txt a.txt`.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

// What an ftp:// URL names, with every part percent-decoded.
struct FtpUrl {
    // ftp:// is plain FTP, ftpes:// explicit TLS, ftps:// implicit TLS.
    enum class TTls { None, Explicit, Implicit };
    TTls Tls = TTls::None;
    std::string Host;
    std::optional<std::string> User;
    std::optional<std::string> Password;
    std::optional<int32_t> Port;
    // The path as the server is to be given it. As in RFC 1738, the part after
    // the host's slash is relative to the login directory ("ftp://h/pub/a" is
    // "pub/a"); an encoded slash makes it absolute ("ftp://h/%2Fetc/a" is
    // "/etc/a"). Empty for the login directory itself.
    std::string Path;
};

// A URL that cannot be used; the message says why.
class FtpUrlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// True when the text starts with "ftp://", "ftpes://" or "ftps://" (in any
// case): the argument is meant as a URL, and a malformed one is an error
// rather than a file name.
bool LooksLikeFtpUrl(const std::string& text);

// Parses ftp://[USER[:PASSWORD]@]HOST[:PORT][/PATH] (or ftpes://, ftps://), where HOST may be an
// IPv6 address in brackets. Raises FtpUrlError.
FtpUrl ParseFtpUrl(const std::string& text);

// "[v6]" or "[v6]:port", as in a URL or as the HOST argument: the address
// without its brackets, and the port when one follows. Raises FtpUrlError.
void ParseBracketedHost(const std::string& text, std::string& host, std::optional<int32_t>& port);

// Replaces each %XY by the byte it stands for. Raises FtpUrlError for a % that
// is not followed by two hexadecimal digits.
std::string PercentDecode(const std::string& text);
