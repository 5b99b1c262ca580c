#include "net/intercept.h"

void TIdConnectionIntercept::SetNextIntercept(TIdConnectionIntercept* next) {
    if (FNext != nullptr)
        FNext->RemoveFreeNotification(this);
    FNext = next;
    if (FNext != nullptr)
        FNext->FreeNotification(this);
}

void TIdConnectionIntercept::Notification(TIdBaseComponent* destroyed) {
    if (destroyed == FNext)
        FNext = nullptr;
}

void TIdConnectionIntercept::ForwardAttach(TIdBaseComponent* connection) {
    if (FNext != nullptr)
        FNext->AttachConnection(connection);
}

void TIdConnectionIntercept::ForwardDetach() {
    if (FNext != nullptr)
        FNext->DetachConnection();
}

void TIdConnectionIntercept::ForwardReceived(TStream& stream) {
    if (FNext != nullptr)
        FNext->FilterReceived(stream);
}

void TIdConnectionIntercept::ForwardOutgoing(TStream& stream) {
    if (FNext != nullptr)
        FNext->FilterOutgoing(stream);
}

void TIdConnectionIntercept::AttachConnection(TIdBaseComponent* connection) {
    FConnection = connection;
    if (OnConnect)
        OnConnect(this);
    ForwardAttach(connection);
}

void TIdConnectionIntercept::DetachConnection() {
    ForwardDetach();
    if (OnDisconnect)
        OnDisconnect(this);
    FConnection = nullptr;
}

void TIdConnectionIntercept::FilterReceived(TStream& stream) {
    ForwardReceived(stream);
    if (OnReceive) {
        OnReceive(this, stream);
        stream.SetPosition(0);
    }
}

void TIdConnectionIntercept::FilterOutgoing(TStream& stream) {
    if (OnSend) {
        OnSend(this, stream);
        stream.SetPosition(0);
    }
    ForwardOutgoing(stream);
}
