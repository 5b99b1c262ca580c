// The progress line of a transfer on a terminal: how much has moved, the share
// of the whole when its size is known, the rate and the time left, redrawn in
// place at most ten times a second.
#pragma once

#include "sock/component.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

// "3.1 MB of 12.5 MB (24%), 1.6 MB/s, 0:06 left", or without a known size
// "3.1 MB, 1.6 MB/s". Sizes and rates count 10^6 bytes to the MB, like the
// summary line.
std::string FormatProgressLine(int64_t bytes, std::optional<int64_t> total, double bytesPerSecond);

// "950 B", "12.3 kB", "4.5 MB", "1.23 GB".
std::string FormatByteCount(int64_t bytes);

// Draws the progress of the transfer in hand on a terminal's line, fed from a
// component's work events.
class TransferProgress {
public:
    using Clock = std::chrono::steady_clock;

    // `already`: bytes that were there before (a resumed download), counted in
    // the figures but not in the rate. `total`: the size when the transfer is
    // done, when known.
    TransferProgress(std::ostream& terminal, int64_t already, std::optional<int64_t> total);

    // Routes the component's work events here; ReportWork's running count is
    // 32-bit, so its steps are added up here in 64 bits.
    void Follow(TIdComponent& component);
    // The running count of the component's work events.
    void Moved(int32_t position, Clock::time_point now = Clock::now());
    // Clears the line, ready for the summary.
    void Finish();

    static constexpr std::chrono::milliseconds RedrawInterval{100};

private:
    std::ostream& FTerminal;
    const int64_t FAlready;
    const std::optional<int64_t> FTotal;
    Clock::time_point FStart = Clock::now();
    // The first line comes a redraw interval after the start.
    Clock::time_point FLastDrawn = FStart;
    uint32_t FLastPosition = 0;
    int64_t FMoved = 0;
    bool FDrawn = false;
};
