// The one owner of an operating-system socket: it closes the socket when it
// goes, it cannot be copied, and handing the socket to another owner is a move.
#pragma once

#include "sock/stack.h"

#include <atomic>

class TIdSocketDescriptor {
public:
    TIdSocketDescriptor() noexcept = default;
    explicit TIdSocketDescriptor(TIdStackSocketHandle socket) noexcept : FSocket(socket) {}
    ~TIdSocketDescriptor() { reset(); }
    TIdSocketDescriptor(TIdSocketDescriptor&& other) noexcept : FSocket(other.release()) {}
    TIdSocketDescriptor& operator=(TIdSocketDescriptor&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    TIdSocketDescriptor(const TIdSocketDescriptor&) = delete;
    TIdSocketDescriptor& operator=(const TIdSocketDescriptor&) = delete;

    // Id_INVALID_SOCKET when nothing is owned.
    TIdStackSocketHandle get() const noexcept { return FSocket.load(); }
    explicit operator bool() const noexcept { return get() != Id_INVALID_SOCKET; }
    // Gives the socket up without closing it; the caller owns it from now on.
    TIdStackSocketHandle release() noexcept { return FSocket.exchange(Id_INVALID_SOCKET); }
    // Closes the socket owned so far and owns `socket` instead.
    void reset(TIdStackSocketHandle socket = Id_INVALID_SOCKET) noexcept;

private:
    // Atomic because another thread may read it to shut the socket down (an
    // abort), while only the owner's thread changes it. The value is swapped
    // before the old socket is closed, so such a reader never sees a socket
    // that is already gone.
    std::atomic<TIdStackSocketHandle> FSocket{Id_INVALID_SOCKET};
};
