// A fuzz input served as a peer's byte stream, in pieces whose sizes follow
// from a control byte, so that replies arrive split at every possible place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class TInputFeed {
public:
    // `pieceControl` 0 hands out as much as each read asks for; n > 0 hands
    // out pieces of 1 to n bytes.
    TInputFeed(std::string_view bytes, uint8_t pieceControl);

    // Copies the next piece, at most `length` bytes; 0 once all is served.
    int64_t Next(void* buffer, int64_t length);
    int64_t Served() const { return static_cast<int64_t>(FServed); }
    bool Exhausted() const { return FServed == FBytes.size(); }

private:
    int64_t NextPieceSize();

    std::string_view FBytes;
    size_t FServed = 0;
    uint8_t FControl;
    uint32_t FState;
};
