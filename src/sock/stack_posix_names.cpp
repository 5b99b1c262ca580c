// The POSIX stack's names: host names and addresses, services, byte order and
// dotted address text. A failed lookup is raised here, as the callers expect.
#include "sock/stack_posix.h"

#include "core/exceptions.h"
#include "core/text.h"
#include "sock/ipv4_text.h"
#include "sock/socket_address.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>

namespace {

std::string AddressTextOf(const addrinfo* found) {
    sockaddr_storage storage{};
    std::memcpy(&storage, found->ai_addr, std::min<size_t>(found->ai_addrlen, sizeof storage));
    int32_t port = 0;
    std::string text;
    ReadSocketAddress(storage, port, text);
    return text;
}

} // namespace

// Every resolver failure is reported as the one "host not found" code.
void TIdStackPosix::RaiseHostNotFound() {
    RecordError(IdCode::WSAHOST_NOT_FOUND);
    CheckSocketResult(Id_SOCKET_ERROR);
}

std::vector<std::string> TIdStackPosix::ResolveAddresses(const std::string& host, int family) {
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        RaiseHostNotFound();
    const std::unique_ptr<addrinfo, void (*)(addrinfo*)> owned(found, ::freeaddrinfo);
    std::vector<std::string> addresses;
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_family != AF_INET && a->ai_family != AF_INET6)
            continue;
        const std::string text = AddressTextOf(a);
        if (IndexInList(text, addresses) < 0)
            addresses.push_back(text);
    }
    if (addresses.empty())
        RaiseHostNotFound();
    return addresses;
}

std::string TIdStackPosix::LookupHost(const std::string& host) {
    return ResolveAddresses(host, AF_INET).front();
}

std::vector<std::string> TIdStackPosix::LookupHostAddresses(const std::string& host) {
    return ResolveAddresses(host, AF_UNSPEC);
}

std::string TIdStackPosix::ResolveAddressName(const std::string& address) {
    sockaddr_storage target{};
    const socklen_t size = FillSocketAddress(Id_PF_INET, 0, address, target);
    char name[NI_MAXHOST];
    if (::getnameinfo(reinterpret_cast<sockaddr*>(&target), size, name, sizeof name, nullptr, 0,
                      NI_NAMEREQD) != 0)
        RaiseHostNotFound();
    return name;
}

std::string TIdStackPosix::LocalHostName() {
    char name[251] = {};
    ::gethostname(name, 250);
    return name;
}

void TIdStackPosix::FillHostAddresses() {
    LocalAddressList.clear();
    const std::string name = LocalHostName();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0)
        RaiseHostNotFound();
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const std::string text = AddressTextOf(a);
        if (IndexInList(text, LocalAddressList) < 0)
            LocalAddressList.push_back(text);
    }
    ::freeaddrinfo(found);
}

const std::vector<std::string>& TIdStackPosix::HostAddresses() {
    FillHostAddresses();
    return LocalAddressList;
}

std::string TIdStackPosix::PrimaryHostAddress() {
    const auto& list = HostAddresses();
    return list.empty() ? std::string() : list.front();
}

int32_t TIdStackPosix::ServicePort(const std::string& service) {
    servent entry{};
    servent* found = nullptr;
    char scratch[1024];
    if (::getservbyname_r(service.c_str(), nullptr, &entry, scratch, sizeof scratch, &found) == 0 &&
        found != nullptr)
        return ntohs(static_cast<uint16_t>(found->s_port));
    const auto number = TryStrToInt(service);
    if (!number)
        throw EIdInvalidServiceName(service);
    return *number;
}

std::vector<std::string> TIdStackPosix::ServiceNames(int32_t port) {
    std::vector<std::string> names;
    servent entry{};
    servent* found = nullptr;
    char scratch[1024];
    if (::getservbyport_r(htons(static_cast<uint16_t>(port)), nullptr, &entry, scratch,
                          sizeof scratch, &found) == 0 &&
        found != nullptr) {
        names.emplace_back(found->s_name);
        for (char** alias = found->s_aliases; alias != nullptr && *alias != nullptr; ++alias)
            names.emplace_back(*alias);
    }
    return names;
}

uint16_t TIdStackPosix::HostToNetShort(uint16_t value) {
    return htons(value);
}
uint16_t TIdStackPosix::NetToHostShort(uint16_t value) {
    return ntohs(value);
}
uint32_t TIdStackPosix::HostToNetLong(uint32_t value) {
    return htonl(value);
}
uint32_t TIdStackPosix::NetToHostLong(uint32_t value) {
    return ntohl(value);
}

std::string TIdStackPosix::AddressToText(const uint8_t (&bytes)[4]) {
    return DottedText(bytes);
}

void TIdStackPosix::TextToAddress(const std::string& text, uint8_t (&bytes)[4]) {
    const TIdDottedQuad quad = SplitDottedQuad(text);
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(StrToInt(quad.Parts[i]) & 0xFF);
}
