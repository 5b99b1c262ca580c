// Helpers for the socket layer tests: finding or holding local ports with
// plain POSIX calls (and, from support, swapping the stack implementation).
#pragma once

#include "sock/stack.h"
#include "support/scoped_stack_class.h"

#include <vector>

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
