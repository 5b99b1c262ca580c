// Helpers for the socket layer tests: swapping the stack implementation and
// finding or holding local ports with plain POSIX calls.
#pragma once

#include "sock/stack.h"

#include <vector>

// Makes SharedStack come from `factory` while this object lives; the stack in
// use before is dropped on both ends, so no network component may be alive
// across either.
class ScopedStackClass {
public:
    explicit ScopedStackClass(TIdStackFactory factory);
    ~ScopedStackClass();
    ScopedStackClass(const ScopedStackClass&) = delete;
    ScopedStackClass& operator=(const ScopedStackClass&) = delete;

private:
    TIdStackFactory FSaved;
};

// A port bound (not listening) on every local address, so nobody else can bind it.
class HeldPort {
public:
    explicit HeldPort(int port);
    ~HeldPort();
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;
    bool Held() const { return FFd >= 0; }

private:
    int FFd = -1;
};

// The first of `count` consecutive ports that are all free now, chosen at
// random above the system's ephemeral range (61000 and up) so that parallel
// tests do not pick them; 0 when none was found.
int FindFreePortRun(int count);

// A loopback port on which nothing listens now (connects are refused).
int ClosedLoopbackPort();
