// A loopback port that never answers a connection attempt: a connect to it
// stays in progress until the connecting side gives up. For connect time-out
// tests without any traffic off this machine.
//
// How: a listener with backlog 0 that never accepts, its accept queue filled
// with connections that this object keeps open. Linux drops the SYN of any
// further attempt while the queue is full, so the client keeps retransmitting
// and sees neither an answer nor a refusal (about two minutes with the default
// tcp_syn_retries of 6, far longer than any test waits).
#pragma once

#include "support/deadline.h"

#include <vector>

class SilentListener {
public:
    // Throws std::runtime_error when the queue cannot be filled so that a
    // further connect hangs.
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    int Port() const { return FPort; }

private:
    int FListener = -1;
    int FPort = 0;
    std::vector<int> FFillers;
};
