// Every wait of a test peer has a deadline, so a failing test fails instead of
// hanging.
#pragma once

#include <chrono>

using SupportClock = std::chrono::steady_clock;

// The default limit of every wait in the test peers.
inline constexpr std::chrono::milliseconds DefaultWait{10000};

// Milliseconds left until `deadline`, rounded up, for poll(); 0 once it has passed.
int MillisLeft(SupportClock::time_point deadline);
