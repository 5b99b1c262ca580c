#include "sock/socket_address.h"

#include "sock/ipv4_text.h"
#include "sock/ipv6_text.h"
#include "sock/stack.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

int ReadSocketAddress(const sockaddr_storage& storage, int32_t& port, std::string& address) {
    if (storage.ss_family == AF_INET6) {
        sockaddr_in6 sin6{};
        std::memcpy(&sin6, &storage, sizeof sin6);
        uint8_t bytes[16];
        std::memcpy(bytes, &sin6.sin6_addr, sizeof bytes);
        address = IPv6Text(bytes);
        port = ntohs(sin6.sin6_port);
        return Id_PF_INET6;
    }
    sockaddr_in sin{};
    std::memcpy(&sin, &storage, sizeof sin);
    address = DottedTextOf(sin.sin_addr.s_addr);
    port = ntohs(sin.sin_port);
    return Id_PF_INET;
}
