// The Server box with a scheme: "ftp://host[:port]", "ftpes://host[:port]"
// (explicit TLS) and "ftps://host[:port]" (implicit TLS, port 990 by
// default); plain "host[:port]" as before.
#pragma once

#include "ftp/ftp_client.h"

#include <cstdint>
#include <string>

struct TServerTarget {
    std::string Host;
    int32_t Port = IdPORT_FTP;
    TIdUseTLS TLS = TIdUseTLS::utNoTLS;
    // The server text without the scheme (and without a trailing "/"): the
    // mirror folder's name, the same for "ftpes://host" as for "host", and
    // for "::1" as for "[::1]" (see ServerName).
    std::string Name;
};

TServerTarget ParseServerText(const std::string& text);
