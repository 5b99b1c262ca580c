#include "sock/socket_list.h"

#include "core/exceptions.h"

TIdStackSocketHandle TIdSocketListPosix::SocketAt(int32_t index) const {
    if (index < 0 || index >= FCount)
        throw EIdStackSetSizeExceeded();
    return FSockets[static_cast<size_t>(index)];
}

void TIdSocketListPosix::AddSocket(TIdStackSocketHandle socket) {
    if (FCount >= Capacity)
        throw EIdStackSetSizeExceeded();
    FSockets[static_cast<size_t>(FCount++)] = socket;
}

void TIdSocketListPosix::RemoveSocket(TIdStackSocketHandle socket) {
    for (int32_t i = 0; i < FCount; ++i) {
        if (FSockets[static_cast<size_t>(i)] == socket) {
            FSockets[static_cast<size_t>(i)] = FSockets[static_cast<size_t>(FCount - 1)];
            FSockets[static_cast<size_t>(FCount - 1)] = 0;
            --FCount;
            return;
        }
    }
}

void TIdSocketListPosix::Clear() {
    FCount = 0;
}
