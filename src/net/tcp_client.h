// The client side of a TCP connection: where to connect and the connect sequence.
#pragma once

#include "net/tcp_connection.h"

#include <cstdint>
#include <string>

class TIdTCPClient : public TIdTCPConnection {
public:
    std::string BoundIP;
    int32_t BoundPort = 0;
    int32_t BoundPortMin = 0;
    int32_t BoundPortMax = 0;
    std::string Host;
    int32_t Port = 0;
    std::string Username;
    std::string Password;
    TNotifyEvent OnConnected;

    virtual void SetHost(const std::string& host) { Host = host; }
    virtual void SetPort(int32_t port) { Port = port; }
    virtual void NotifyConnected();
    // -1: the default (a direct connect without time limit); -2: through the
    // timed path, without limit.
    virtual void ConnectToHost(int32_t timeout = IdTimeoutDefault);
    virtual std::string ConnectAndReceiveAll();

protected:
    // The handler ConnectToHost makes when none is installed.
    virtual std::unique_ptr<TIdIOHandler> MakeDefaultIOHandler();
};
