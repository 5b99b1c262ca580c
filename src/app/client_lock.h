// The one lock of the window's side: every use of the shared FTP client, by the
// GUI thread or by a worker, happens while holding it. Re-entrant, because the
// login action holds it while the listing it starts takes it again.
#pragma once

#include <memory>
#include <mutex>

// Lives from the main window's creation to its destruction.
extern std::unique_ptr<std::recursive_mutex> ClientLock;

void CreateClientLock();
void DestroyClientLock();

// Holds ClientLock for the life of the object; released on every exit, an
// exception included, so no thread waits for a holder that has gone.
class TClientLockHold {
public:
    // Throws std::logic_error when the lock does not exist (no window).
    TClientLockHold();

private:
    std::unique_lock<std::recursive_mutex> FHold;
};

// Holds ClientLock when it is free (or held by this thread) at once, and
// never waits for it: for the keep-alive, which must not freeze the window
// while a worker transfers.
class TClientLockTry {
public:
    // Throws std::logic_error when the lock does not exist (no window).
    TClientLockTry();
    bool Held() const { return FHold.owns_lock(); }

private:
    std::unique_lock<std::recursive_mutex> FHold;
};
