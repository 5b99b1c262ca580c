#include "ftp_url.h"

#include "core/text.h"

#include <cctype>

#include <string_view>

namespace {

// The schemes taken, with the TLS each stands for: plain FTP, explicit TLS
// (AUTH TLS) and implicit TLS, as curl and lftp name them.
struct TScheme {
    const char* Prefix;
    FtpUrl::TTls Tls;
};
constexpr TScheme Schemes[] = {{"FTP://", FtpUrl::TTls::None},
                               {"FTPES://", FtpUrl::TTls::Explicit},
                               {"FTPS://", FtpUrl::TTls::Implicit}};

const TScheme* SchemeOf(const std::string& text) {
    const std::string upper = UpperCase(text.substr(0, 8));
    for (const TScheme& scheme : Schemes)
        if (upper.rfind(scheme.Prefix, 0) == 0)
            return &scheme;
    return nullptr;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int32_t ParseUrlPort(const std::string& text) {
    const std::optional<int32_t> port = TryStrToInt(text);
    if (text.empty() || !port || *port < 1 || *port > 65535 ||
        !std::isdigit(static_cast<unsigned char>(text[0])))
        throw FtpUrlError("not a port number in the URL: " + text);
    return *port;
}

// The host and port part: "host", "host:port", "[v6]" or "[v6]:port".
void ParseHostPort(const std::string& text, FtpUrl& url) {
    if (!text.empty() && text[0] == '[') {
        ParseBracketedHost(text, url.Host, url.Port);
        return;
    }
    const size_t colon = text.find(':');
    url.Host = PercentDecode(text.substr(0, colon));
    if (colon != std::string::npos)
        url.Port = ParseUrlPort(text.substr(colon + 1));
    if (url.Host.empty())
        throw FtpUrlError("no host in the URL");
}

} // namespace

void ParseBracketedHost(const std::string& text, std::string& host, std::optional<int32_t>& port) {
    const size_t close = text.find(']');
    if (text.empty() || text[0] != '[' || close == std::string::npos)
        throw FtpUrlError("no closing ] after the IPv6 address: " + text);
    host = text.substr(1, close - 1);
    const std::string rest = text.substr(close + 1);
    if (!rest.empty() && rest[0] != ':')
        throw FtpUrlError("unexpected text after the IPv6 address: " + rest);
    if (!rest.empty())
        port = ParseUrlPort(rest.substr(1));
    if (host.empty())
        throw FtpUrlError("no host in the URL");
}

bool LooksLikeFtpUrl(const std::string& text) {
    return SchemeOf(text) != nullptr;
}

FtpUrl ParseFtpUrl(const std::string& text) {
    const TScheme* scheme = SchemeOf(text);
    if (scheme == nullptr)
        throw FtpUrlError("not an ftp://, ftpes:// or ftps:// URL: " + text);
    std::string rest = text.substr(std::string_view(scheme->Prefix).size());
    FtpUrl url;
    url.Tls = scheme->Tls;
    const size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    if (slash != std::string::npos)
        url.Path = PercentDecode(rest.substr(slash + 1));
    // A name or password may hold an encoded @; the last real one ends them.
    if (const size_t at = authority.rfind('@'); at != std::string::npos) {
        const std::string userInfo = authority.substr(0, at);
        const size_t colon = userInfo.find(':');
        url.User = PercentDecode(userInfo.substr(0, colon));
        if (colon != std::string::npos)
            url.Password = PercentDecode(userInfo.substr(colon + 1));
        authority = authority.substr(at + 1);
    }
    ParseHostPort(authority, url);
    // A line break would end the command it is sent in and start another.
    const auto breaksLine = [](const std::optional<std::string>& part) {
        return part && part->find_first_of("\r\n") != std::string::npos;
    };
    if (breaksLine(url.Path) || breaksLine(url.Host) || breaksLine(url.User) ||
        breaksLine(url.Password))
        throw FtpUrlError("an encoded line break in the URL");
    return url;
}

std::string PercentDecode(const std::string& text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        const bool complete = i + 2 < text.size();
        const int high = complete ? HexValue(text[i + 1]) : -1;
        const int low = complete ? HexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0)
            throw FtpUrlError("a % not followed by two hexadecimal digits: " + text);
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}
