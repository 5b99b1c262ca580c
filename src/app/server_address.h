// The Server box takes a host name, or "host:port" for a server that does not
// listen on the FTP port (an unprivileged one cannot bind port 21 on Linux).
// An IPv6 address is taken bare ("::1") or in brackets ("[::1]",
// "[::1]:2121"), since its own colons would otherwise read as a port.
#pragma once

#include <cstdint>
#include <string>

struct TServerAddress {
    std::string Host;
    int32_t Port = 21;
    // The text named the port; otherwise Port is the default 21.
    bool PortGiven = false;
};

// An IPv6 address, bare or in brackets, is the host (without the brackets);
// brackets followed by ":" and a port (1 to 65535) give the port too. For
// other texts: when the text ends in ":" and digits naming a port the host is
// the part before it. Otherwise the whole text is the host and the port is 21.
TServerAddress SplitServerText(const std::string& text);

// The name of one server, the same however it was typed: an IPv6 address in
// brackets and in its standard form ("[::1]", "[::1]:2121"), any other host
// as it is, with ":port" when a port was given.
std::string ServerName(const TServerAddress& address, const std::string& typed);

// The key a server's trusted certificate is kept under: "host:port", with an
// IPv6 address in brackets ("[::1]:21") so that its colons and the port's stay apart.
std::string TrustKey(const std::string& host, int32_t port);
