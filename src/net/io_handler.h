// The transport under a connection: an abstract handler and its socket form.
#pragma once

#include "net/socks_info.h"
#include "sock/component.h"
#include "sock/socket_handle.h"

#include <cstdint>
#include <memory>
#include <string>

class TIdIOHandler : public TIdComponent {
public:
    ~TIdIOHandler() override = default;

    virtual void AfterAccepted() {}
    virtual void CloseHandler() {}
    virtual void EstablishConnection(const std::string& host, int32_t port,
                                     const std::string& boundIP, int32_t boundPort, int32_t portMin,
                                     int32_t portMax, int32_t timeout);
    virtual bool HasOpenSocket() = 0;
    virtual void OpenHandler() {}
    virtual bool InputReady(int32_t milliseconds) = 0;
    virtual int64_t ReceiveRaw(void* buffer, int64_t length) = 0;
    virtual int64_t SendRaw(const void* buffer, int64_t length) = 0;
    // What has arrived, up to `length` bytes, without waiting: -1 when
    // nothing has yet (InputReady waits for it), 0 once the stream has ended.
    virtual int64_t ReceiveAvailable(void* buffer, int64_t length) {
        return InputReady(0) ? ReceiveRaw(buffer, length) : -1;
    }
    // False while the bytes are transformed (TLS): the socket may then not be
    // written to directly.
    virtual bool CarriesPlainBytes() const { return true; }

protected:
    // Derived destructors call this: a handler is closed before it goes away.
    void CloseOnDestroy() { CloseHandler(); }
};

class TIdIOHandlerSocket : public TIdIOHandler {
public:
    TIdIOHandlerSocket();
    ~TIdIOHandlerSocket() override;

    bool UseNagle = true;

    TIdSocketHandle* SocketHandle() const { return FSocketHandle.get(); }

    // The SOCKS settings this handler connects through. Reading creates an own
    // settings object with the defaults (a direct connection) when there is
    // none. Taking settings makes this handler their OwnerHandler, and so does
    // each connect, since settings shared by several handlers name only one.
    TIdSocksInfo* SocksInfo();
    // Copies `settings` into the handler's own settings object (dropping a
    // referenced one): later changes to `settings` do not reach this handler.
    void AssignSocksInfo(const TIdSocksInfo& settings);
    // Uses settings owned elsewhere, shared with whoever owns them; when they
    // are destroyed the reference is cleared. nullptr drops the reference.
    void ReferenceSocksInfo(TIdSocksInfo* shared);

    void CloseHandler() override;
    void EstablishConnection(const std::string& host, int32_t port, const std::string& boundIP,
                             int32_t boundPort, int32_t portMin, int32_t portMax,
                             int32_t timeout) override;
    bool HasOpenSocket() override;
    void OpenHandler() override;
    bool InputReady(int32_t milliseconds) override;
    int64_t ReceiveRaw(void* buffer, int64_t length) override;
    int64_t SendRaw(const void* buffer, int64_t length) override;

protected:
    // The address to dial for a destination, and the step run once the TCP
    // connection stands; a proxy-aware handler replaces both.
    virtual void DialAddress(const std::string& host, int32_t port, std::string& dialHost,
                             int32_t& dialPort);
    virtual void AfterConnected(const std::string& host, int32_t port);
    // Connects the opened socket to its RemoteIP and RemotePort.
    void ConnectPeerAddress(int32_t timeout);
    void ConnectWithTimeout(int32_t timeout);
    void Notification(TIdBaseComponent* destroyed) override;

private:
    // The proxy to negotiate with, or nullptr for a direct connection.
    TIdSocksInfo* ActiveSocks() const;
    void DropSocksReference();

    std::unique_ptr<TIdSocketHandle> FSocketHandle;
    // FSocksInfo is FOwnSocksInfo, a referenced object, or nullptr.
    std::unique_ptr<TIdSocksInfo> FOwnSocksInfo;
    TIdSocksInfo* FSocksInfo = nullptr;
};
