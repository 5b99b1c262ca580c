// The Server box takes a host name, or "host:port" for a server that does not
// listen on the FTP port (an unprivileged one cannot bind port 21 on Linux).
#pragma once

#include <cstdint>
#include <string>

struct TServerAddress {
    std::string Host;
    int32_t Port = 21;
};

// When the text ends in ":" and digits naming a port (1 to 65535) the host is
// the part before it; otherwise the whole text is the host and the port is 21.
TServerAddress SplitServerText(const std::string& text);
