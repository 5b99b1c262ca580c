#include "support/input_feed.h"

#include <algorithm>
#include <cstring>

TInputFeed::TInputFeed(std::string_view bytes, uint8_t pieceControl)
    : FBytes(bytes), FControl(pieceControl), FState(pieceControl * 2654435761u) {}

TInputFeed TInputFeed::InPiecesOf(std::string_view bytes, size_t pieceSize) {
    TInputFeed feed(bytes, 0);
    feed.FFixedPiece = pieceSize;
    return feed;
}

int64_t TInputFeed::NextPieceSize() {
    // A plain linear congruential step: the same input always splits the same
    // way, which a crash reproduction needs.
    FState = FState * 1664525u + 1013904223u;
    return 1 + static_cast<int64_t>((FState >> 16) % FControl);
}

int64_t TInputFeed::Next(void* buffer, int64_t length) {
    const auto left = static_cast<int64_t>(FBytes.size() - FServed);
    if (left == 0 || length <= 0)
        return 0;
    int64_t n = std::min(left, length);
    if (FFixedPiece != 0)
        n = std::min(n, static_cast<int64_t>(FFixedPiece));
    else if (FControl != 0)
        n = std::min(n, NextPieceSize());
    std::memcpy(buffer, FBytes.data() + FServed, static_cast<size_t>(n));
    FServed += static_cast<size_t>(n);
    ++FPieces;
    return n;
}
