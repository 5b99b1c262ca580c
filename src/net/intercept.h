// An optional byte filter on a connection; filters chain through NextIntercept.
#pragma once

#include "core/streams.h"
#include "sock/component.h"

#include <functional>

class TIdConnectionIntercept;
using TIdInterceptNotifyEvent = std::function<void(TIdConnectionIntercept* ASender)>;
using TIdInterceptStreamEvent =
    std::function<void(TIdConnectionIntercept* ASender, TStream& AStream)>;

class TIdConnectionIntercept : public TIdBaseComponent {
public:
    TIdInterceptNotifyEvent OnConnect;
    TIdInterceptNotifyEvent OnDisconnect;
    TIdInterceptStreamEvent OnReceive;
    TIdInterceptStreamEvent OnSend;

    TIdConnectionIntercept* NextIntercept() const { return FNext; }
    void SetNextIntercept(TIdConnectionIntercept* next);
    TIdBaseComponent* Connection() const { return FConnection; }

    virtual void ForwardAttach(TIdBaseComponent* connection);
    virtual void ForwardDetach();
    virtual void ForwardReceived(TStream& stream);
    virtual void ForwardOutgoing(TStream& stream);
    virtual void AttachConnection(TIdBaseComponent* connection);
    virtual void DetachConnection();
    virtual void FilterReceived(TStream& stream);
    virtual void FilterOutgoing(TStream& stream);

protected:
    void Notification(TIdBaseComponent* destroyed) override;

private:
    TIdBaseComponent* FConnection = nullptr;
    TIdConnectionIntercept* FNext = nullptr;
};
