#include "support/loopback_peer.h"

#include "support/raw_socket.h"

#include <poll.h>
#include <sys/socket.h>

LoopbackPeer::LoopbackPeer(int backlog, const char* address) {
    FListener = ListenOnLoopback(backlog, FPort, address);
}

LoopbackPeer::~LoopbackPeer() {
    CloseFd(FListener);
}

bool LoopbackPeer::AcceptOne(std::chrono::milliseconds within) {
    if (FListener < 0)
        return false;
    if (WaitForEvents(FListener, POLLIN, SupportClock::now() + within) == 0)
        return false;
    const int fd = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return false;
    FConnection = RawConnection(fd);
    return true;
}

void LoopbackPeer::CloseListener() {
    CloseFd(FListener);
}
