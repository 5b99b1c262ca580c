// Whether ClientLock could be taken right now by a thread other than the
// caller (the caller's own holds do not count: the lock is re-entrant).
#pragma once

#include "app/client_lock.h"

#include <thread>

inline bool ClientLockFreeForOthers() {
    bool taken = false;
    std::thread other([&taken] {
        if (ClientLock->try_lock()) {
            taken = true;
            ClientLock->unlock();
        }
    });
    other.join();
    return taken;
}
