#include "sock/socket_descriptor.h"

void TIdSocketDescriptor::reset(TIdStackSocketHandle socket) noexcept {
    const TIdStackSocketHandle old = FSocket.exchange(socket);
    if (old == Id_INVALID_SOCKET || old == socket)
        return;
    try {
        // Through the stack, so that its close (which also wakes a thread
        // blocked on the socket) and any stack a test puts in place apply.
        Stack().SockClose(old);
    } catch (...) {
        // Closing never fails the owner; a stack that cannot be made has no
        // socket open either.
    }
}
