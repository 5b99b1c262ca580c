#include "app/server_address.h"

#include "sock/ipv6_text.h"

namespace {

// The port of a text of digits only (1 to 65535); 0 for any other text.
int32_t PortNumber(const std::string& digits) {
    // At most five digits: anything longer is no port, and the sum cannot overflow.
    if (digits.empty() || digits.size() > 5)
        return 0;
    int32_t port = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        port = port * 10 + (c - '0');
    }
    return port <= 65535 ? port : 0;
}

// "[address]" or "[address]:port"; false for any other text.
bool SplitBracketedAddress(const std::string& text, TServerAddress& address) {
    const size_t close = text.find(']');
    if (text.empty() || text[0] != '[' || close == std::string::npos)
        return false;
    const std::string inside = text.substr(1, close - 1);
    if (!IsIPv6Address(inside))
        return false;
    const std::string rest = text.substr(close + 1);
    if (rest.empty()) {
        address = {inside, 21, false};
        return true;
    }
    const int32_t port = rest[0] == ':' ? PortNumber(rest.substr(1)) : 0;
    if (port == 0)
        return false;
    address = {inside, port, true};
    return true;
}

} // namespace

TServerAddress SplitServerText(const std::string& text) {
    TServerAddress address;
    if (IsIPv6Address(text))
        return {text, 21, false};
    if (SplitBracketedAddress(text, address))
        return address;
    const size_t colon = text.rfind(':');
    const int32_t port = colon == std::string::npos ? 0 : PortNumber(text.substr(colon + 1));
    if (port == 0)
        return {text, 21, false};
    return {text.substr(0, colon), port, true};
}

std::string ServerName(const TServerAddress& address, const std::string& typed) {
    uint8_t bytes[16];
    if (!ParseIPv6(address.Host, bytes))
        return typed;
    const std::string name = "[" + IPv6Text(bytes) + "]";
    return address.PortGiven ? name + ":" + std::to_string(address.Port) : name;
}

std::string TrustKey(const std::string& host, int32_t port) {
    return ServerName({host, port, true}, host + ":" + std::to_string(port));
}
