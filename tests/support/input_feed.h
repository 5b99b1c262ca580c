// Bytes served as a peer's byte stream, one piece per read: for a fuzz input
// in pieces whose sizes follow from a control byte, so that replies arrive
// split at every possible place; for a test in pieces of one fixed size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class TInputFeed {
public:
    // `pieceControl` 0 hands out as much as each read asks for; n > 0 hands
    // out pieces of 1 to n bytes.
    TInputFeed(std::string_view bytes, uint8_t pieceControl);
    // Pieces of exactly `pieceSize` bytes (the last one may be shorter); 0
    // hands out as much as each read asks for.
    static TInputFeed InPiecesOf(std::string_view bytes, size_t pieceSize);

    // Copies the next piece, at most `length` bytes; 0 once all is served.
    int64_t Next(void* buffer, int64_t length);
    int64_t Served() const { return static_cast<int64_t>(FServed); }
    bool Exhausted() const { return FServed == FBytes.size(); }
    // How many reads got bytes.
    int64_t PiecesServed() const { return FPieces; }

private:
    int64_t NextPieceSize();

    std::string_view FBytes;
    size_t FServed = 0;
    int64_t FPieces = 0;
    uint8_t FControl;
    uint32_t FState;
    size_t FFixedPiece = 0;
};
