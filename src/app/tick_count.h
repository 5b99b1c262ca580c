// The millisecond tick counter the keep-alive measures idle time with: an
// unsigned 32-bit count that wraps at 2^32, like the platform counter it
// stands for.
#pragma once

#include <cstdint>

uint32_t TickCount();
