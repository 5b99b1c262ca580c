#include "net/socks_info.h"

#include "core/exceptions.h"
#include "net/io_handler.h"
#include "sock/ipv6_text.h"
#include "sock/stack.h"

#include <algorithm>
#include <cstring>

namespace {

// A SOCKS 4 request is at most this long: 8 fixed bytes, the user id, its
// terminator and, for 4A, the host name and its terminator.
constexpr size_t Socks4RequestMax = 264;
constexpr size_t Socks4FixedPart = 8;
// The widest value a one-byte length field can announce.
constexpr size_t LengthFieldMax = 255;

constexpr uint8_t Socks4Granted = 90;
constexpr uint8_t Socks5AddressName = 3;
constexpr uint8_t Socks5AddressIPv6 = 4;
constexpr uint8_t Socks5MethodNone = 0;
constexpr uint8_t Socks5MethodUserPass = 2;
constexpr uint8_t Socks5NoAcceptableMethod = 255;

[[noreturn]] void RefuseName(size_t length) {
    throw EIdSocksRequestTooLong(FormatMsg(TIdMsg::SocksNameTooLong, {std::to_string(length)}));
}

[[noreturn]] void RefuseCredentials(size_t length) {
    throw EIdSocksRequestTooLong(
        FormatMsg(TIdMsg::SocksCredentialsTooLong, {std::to_string(length)}));
}

void AppendPort(std::vector<uint8_t>& request, int32_t port) {
    const uint16_t wire = Stack().HostToNetShort(static_cast<uint16_t>(port));
    uint8_t bytes[2];
    std::memcpy(bytes, &wire, sizeof bytes);
    request.insert(request.end(), bytes, bytes + sizeof bytes);
}

void AppendText(std::vector<uint8_t>& request, const std::string& text) {
    request.insert(request.end(), text.begin(), text.end());
}

void AppendAddress(std::vector<uint8_t>& request, const std::string& dottedAddress) {
    uint8_t address[4] = {};
    Stack().TextToAddress(dottedAddress, address);
    request.insert(request.end(), address, address + sizeof address);
}

[[noreturn]] void RaiseSocks4Refusal(uint8_t status) {
    switch (status) {
    case 91: throw EIdSocksRequestFailed();
    case 92: throw EIdSocksRequestServerFailed();
    case 93: throw EIdSocksRequestIdentFailed();
    default: throw EIdSocksUnknownError();
    }
}

[[noreturn]] void RaiseSocks5Refusal(uint8_t code) {
    switch (code) {
    case 1: throw EIdSocksServerGeneralError();
    case 2: throw EIdSocksServerPermissionError();
    case 3: throw EIdSocksServerNetUnreachableError();
    case 4: throw EIdSocksServerHostUnreachableError();
    case 5: throw EIdSocksServerConnectionRefusedError();
    case 6: throw EIdSocksServerTTLExpiredError();
    case 7: throw EIdSocksServerCommandError();
    case 8: throw EIdSocksServerAddressError();
    default: throw EIdSocksUnknownError();
    }
}

// Bytes of a SOCKS 5 reply still to read after its first five, by address type.
size_t Socks5BoundAddressRest(uint8_t addressType, uint8_t fifthByte) {
    switch (addressType) {
    case 1: return 5;              // IPv4: 3 more address bytes and the port
    case 3: return fifthByte + 2u; // the name whose length came first, and the port
    case 4: return 17;             // IPv6: 15 more address bytes and the port
    default: return 2;
    }
}

} // namespace

void TIdSocksInfo::Assign(const TIdSocksInfo& source) {
    if (&source == this)
        return;
    Authentication = source.Authentication;
    Host = source.Host;
    Password = source.Password;
    Port = source.Port;
    Username = source.Username;
    Version = source.Version;
}

void TIdSocksInfo::NegotiateSocks(const std::string& host, int32_t port) {
    switch (Version) {
    case TSocksVersion::svSocks4:
    case TSocksVersion::svSocks4A: NegotiateSocks4(host, port); break;
    case TSocksVersion::svSocks5: NegotiateSocks5(host, port); break;
    case TSocksVersion::svNoSocks: break;
    }
}

TIdIOHandlerSocket& TIdSocksInfo::Transport() const {
    if (OwnerHandler == nullptr)
        throw EIdClosedSocket();
    return *OwnerHandler;
}

// A request goes out whole even when the transport takes it in pieces; a
// proxy that is gone by then is reported like one that never answers.
void TIdSocksInfo::SendRequest(const std::vector<uint8_t>& request) const {
    TIdIOHandlerSocket& transport = Transport();
    size_t sent = 0;
    while (sent < request.size()) {
        int64_t n = 0;
        try {
            n = transport.SendRaw(request.data() + sent,
                                  static_cast<int64_t>(request.size() - sent));
        } catch (const std::exception&) {
            throw EIdSocksServerRespondError();
        }
        if (n <= 0)
            throw EIdSocksServerRespondError();
        sent += static_cast<size_t>(n);
    }
}

// A proxy may answer in several pieces: keep reading until the reply is
// complete, so that none of it is left for the application protocol. A proxy
// that closes or fails before then did not respond.
void TIdSocksInfo::ReceiveReply(uint8_t* buffer, size_t count) const {
    TIdIOHandlerSocket& transport = Transport();
    size_t received = 0;
    while (received < count) {
        int64_t n = 0;
        try {
            n = transport.ReceiveRaw(buffer + received, static_cast<int64_t>(count - received));
        } catch (const std::exception&) {
            throw EIdSocksServerRespondError();
        }
        if (n <= 0)
            throw EIdSocksServerRespondError();
        received += static_cast<size_t>(n);
    }
}

void TIdSocksInfo::NegotiateSocks4(const std::string& host, int32_t port) {
    const bool remoteResolve = Version == TSocksVersion::svSocks4A;
    // Checked before anything is sent, so that a refusal leaves no half request
    // at the proxy.
    if (IsIPv6Address(host))
        throw EIdSocks4NoIPv6(host);
    if (Username.size() > LengthFieldMax)
        RefuseCredentials(Username.size());
    if (remoteResolve && Socks4FixedPart + Username.size() + 1 + host.size() + 1 > Socks4RequestMax)
        RefuseName(host.size());

    std::vector<uint8_t> request{4, 1};
    AppendPort(request, port);
    AppendAddress(request, remoteResolve ? std::string("0.0.0.1") : ResolveHostAddress(host));
    AppendText(request, Username);
    request.push_back(0);
    if (remoteResolve) {
        AppendText(request, host);
        request.push_back(0);
    }
    SendRequest(request);

    uint8_t reply[8] = {};
    ReceiveReply(reply, sizeof reply);
    if (reply[1] != Socks4Granted)
        RaiseSocks4Refusal(reply[1]);
}

void TIdSocksInfo::NegotiateSocks5(const std::string& host, int32_t port) {
    const bool withPassword = Authentication == TSocksAuthentication::saUsernamePassword;
    if (withPassword && std::max(Username.size(), Password.size()) > LengthFieldMax)
        RefuseCredentials(std::max(Username.size(), Password.size()));
    if (host.size() > LengthFieldMax)
        RefuseName(host.size());

    const uint8_t method = withPassword ? Socks5MethodUserPass : Socks5MethodNone;
    SendRequest({5, 1, method});
    uint8_t choice[2] = {};
    ReceiveReply(choice, sizeof choice);
    if (choice[1] != method || choice[1] == Socks5NoAcceptableMethod)
        throw EIdSocksAuthMethodError();

    if (withPassword) {
        std::vector<uint8_t> login{1, static_cast<uint8_t>(Username.size())};
        AppendText(login, Username);
        login.push_back(static_cast<uint8_t>(Password.size()));
        AppendText(login, Password);
        SendRequest(login);
        uint8_t status[2] = {};
        ReceiveReply(status, sizeof status);
        if (status[1] != 0)
            throw EIdSocksAuthError();
    }

    // The destination goes as a name, even a dotted address: the proxy
    // resolves it, so the client needs no route or resolver of its own. An
    // IPv6 address goes as its sixteen bytes, under the address type SOCKS 5
    // has for it: a proxy need not take its text for a name.
    std::vector<uint8_t> request{5, 1, 0};
    uint8_t ipv6[16];
    if (ParseIPv6(host, ipv6)) {
        request.push_back(Socks5AddressIPv6);
        request.insert(request.end(), ipv6, ipv6 + sizeof ipv6);
    } else {
        request.push_back(Socks5AddressName);
        request.push_back(static_cast<uint8_t>(host.size()));
        AppendText(request, host);
    }
    AppendPort(request, port);
    SendRequest(request);

    uint8_t head[5] = {};
    ReceiveReply(head, sizeof head);
    if (head[1] != 0)
        RaiseSocks5Refusal(head[1]);
    // The bound address is of no use to us, but it must not stay in the
    // stream where the application protocol would read it.
    uint8_t rest[LengthFieldMax + 2] = {};
    ReceiveReply(rest, Socks5BoundAddressRest(head[3], head[4]));
}
