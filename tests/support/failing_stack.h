// A stack that fails on purpose: the POSIX stack, except that the Nth send or
// receive after it was installed (counted over every socket, from 1) returns
// -1 with a chosen socket error code. For the local failures that otherwise
// need a peer to misbehave (a reset, a vanished host) only to provoke them.
#pragma once

#include "support/scoped_stack_class.h"

#include <atomic>
#include <cstdint>
#include <memory>

class FailingStack {
public:
    enum class Call { Send, Receive };

    // Installed while this object lives (see ScopedStackClass for when).
    FailingStack(Call call, int nth, int32_t code);

    // How many calls of the kind were made so far, the failed one included.
    int Calls(Call call) const;

    struct Plan {
        Call FailingCall;
        int Nth;
        int32_t Code;
        std::atomic<int> Sends{0};
        std::atomic<int> Receives{0};
    };

private:
    // Shared with every stack made while installed: the stack is made anew
    // whenever the first network component comes after the last one went.
    std::shared_ptr<Plan> FPlan;
    ScopedStackClass FInstalled;
};
