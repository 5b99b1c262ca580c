#include "sock/ipv6_text.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

bool ParseIPv6(const std::string& text, uint8_t (&bytes)[16]) {
    in6_addr address{};
    // A NUL inside the text would make inet_pton read only its first part.
    if (text.find('\0') != std::string::npos || ::inet_pton(AF_INET6, text.c_str(), &address) != 1)
        return false;
    std::memcpy(bytes, &address, sizeof bytes);
    return true;
}

bool IsIPv6Address(const std::string& text) {
    uint8_t bytes[16];
    return ParseIPv6(text, bytes);
}

std::string IPv6Text(const uint8_t (&bytes)[16]) {
    in6_addr address{};
    std::memcpy(&address, bytes, sizeof bytes);
    char text[INET6_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET6, &address, text, sizeof text);
    return text;
}
