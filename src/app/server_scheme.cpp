#include "app/server_scheme.h"

#include "app/server_address.h"
#include "core/text.h"

namespace {

struct TScheme {
    const char* Prefix;
    TIdUseTLS TLS;
    int32_t DefaultPort;
};

constexpr TScheme Schemes[] = {
    {"ftp://", TIdUseTLS::utNoTLS, IdPORT_FTP},
    {"ftpes://", TIdUseTLS::utUseExplicitTLS, IdPORT_FTP},
    {"ftps://", TIdUseTLS::utUseImplicitTLS, IdPORT_FTPS},
};

} // namespace

TServerTarget ParseServerText(const std::string& text) {
    TServerTarget target;
    std::string rest = text;
    int32_t defaultPort = IdPORT_FTP;
    const std::string upper = UpperCase(text);
    for (const TScheme& scheme : Schemes) {
        const std::string prefix = scheme.Prefix;
        if (upper.compare(0, prefix.size(), UpperCase(prefix)) != 0)
            continue;
        rest = text.substr(prefix.size());
        target.TLS = scheme.TLS;
        defaultPort = scheme.DefaultPort;
        // "ftps://host/" names the server, not a folder on it.
        while (!rest.empty() && rest.back() == '/')
            rest.pop_back();
        break;
    }
    const TServerAddress address = SplitServerText(rest);
    target.Host = address.Host;
    target.Port = address.PortGiven ? address.Port : defaultPort;
    target.Name = ServerName(address, rest);
    return target;
}
