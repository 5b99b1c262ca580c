#include "app/client_lock.h"

#include <stdexcept>

std::unique_ptr<std::recursive_mutex> ClientLock;

void CreateClientLock() {
    ClientLock = std::make_unique<std::recursive_mutex>();
}

void DestroyClientLock() {
    ClientLock.reset();
}

static std::recursive_mutex& ExistingLock() {
    if (!ClientLock)
        throw std::logic_error("ClientLock used outside the main window's life");
    return *ClientLock;
}

TClientLockHold::TClientLockHold() : FHold(ExistingLock()) {}

TClientLockTry::TClientLockTry() : FHold(ExistingLock(), std::try_to_lock) {}
