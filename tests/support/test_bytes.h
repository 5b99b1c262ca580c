// Test data: the same pseudo-random bytes for a given seed on every run.
#pragma once

#include <cstddef>
#include <random>
#include <string>

inline std::string RandomBytes(size_t count, unsigned seed) {
    std::mt19937 engine(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = static_cast<char>(engine() & 0xFF);
    return bytes;
}
