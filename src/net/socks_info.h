// The SOCKS proxy settings of a socket transport and the client side of the
// SOCKS 4, 4A and 5 connect negotiation that runs over it before any byte of
// the application protocol.
#pragma once

#include "sock/component.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TIdIOHandlerSocket;

enum class TSocksVersion { svNoSocks = 0, svSocks4 = 1, svSocks4A = 2, svSocks5 = 3 };

enum class TSocksAuthentication { saNoAuthentication = 0, saUsernamePassword = 1 };

constexpr int32_t IdSocksPortDefault = 1080;

class TIdSocksInfo : public TIdComponent {
public:
    // Published settings.
    TSocksAuthentication Authentication = TSocksAuthentication::saNoAuthentication;
    std::string Host;
    std::string Password;
    int32_t Port = IdSocksPortDefault;
    std::string Username;
    TSocksVersion Version = TSocksVersion::svNoSocks;

    // The transport the negotiation talks through. The handler that holds
    // these settings sets it; it is never copied.
    TIdIOHandlerSocket* OwnerHandler = nullptr;

    // Copies the six settings, not OwnerHandler. (Only settings objects can be
    // copied onto each other; the parameter type refuses anything else.)
    void Assign(const TIdSocksInfo& source);

    // Runs the negotiation for the configured version towards the destination
    // the caller asked for; nothing with svNoSocks. Raises an EIdSocksError.
    void NegotiateSocks(const std::string& host, int32_t port);
    void NegotiateSocks4(const std::string& host, int32_t port);
    void NegotiateSocks5(const std::string& host, int32_t port);

private:
    TIdIOHandlerSocket& Transport() const;
    void SendRequest(const std::vector<uint8_t>& request) const;
    void ReceiveReply(uint8_t* buffer, size_t count) const;
};
