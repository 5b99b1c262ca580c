// How the client reaches the server through an FTP proxy, and the proxy account.
#pragma once

#include <cstdint>
#include <string>

enum class TIdFtpProxyType {
    fpcmNone,
    fpcmUserSite,
    fpcmSite,
    fpcmOpen,
    fpcmUserPass,
    fpcmTransparent,
    fpcmHttpProxyWithFtp
};

struct TIdFtpProxySettings {
    TIdFtpProxyType ProxyType = TIdFtpProxyType::fpcmNone;
    std::string Host;
    std::string UserName;
    std::string Password;
    int32_t Port = 0;
};
