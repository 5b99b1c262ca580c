#include "transfer_progress.h"

#include <cmath>
#include <cstdio>

namespace {

// "0:07", "12:40", "1:02:03".
std::string FormatDuration(double seconds) {
    const long long whole = std::llround(seconds);
    const long long hours = whole / 3600;
    const long long minutes = whole / 60 % 60;
    const long long secs = whole % 60;
    char text[48];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, minutes, secs);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", minutes, secs);
    return text;
}

} // namespace

std::string FormatByteCount(int64_t bytes) {
    const double value = static_cast<double>(bytes);
    char text[48];
    if (bytes < 1000)
        std::snprintf(text, sizeof text, "%lld B", static_cast<long long>(bytes));
    else if (bytes < 1000 * 1000)
        std::snprintf(text, sizeof text, "%.1f kB", value / 1e3);
    else if (bytes < 1000 * 1000 * 1000)
        std::snprintf(text, sizeof text, "%.1f MB", value / 1e6);
    else
        std::snprintf(text, sizeof text, "%.2f GB", value / 1e9);
    return text;
}

std::string FormatProgressLine(int64_t bytes, std::optional<int64_t> total, double bytesPerSecond) {
    std::string line = FormatByteCount(bytes);
    if (total && *total > 0) {
        const int64_t shown = std::min(bytes, *total);
        const int percent = static_cast<int>(shown * 100 / *total);
        line += " of " + FormatByteCount(*total) + " (" + std::to_string(percent) + "%)";
    }
    char rateText[48];
    std::snprintf(rateText, sizeof rateText, ", %.1f MB/s", bytesPerSecond / 1e6);
    line += rateText;
    if (total && *total > 0) {
        const double left = static_cast<double>(*total - std::min(bytes, *total));
        if (bytesPerSecond > 0)
            line += ", " + FormatDuration(left / bytesPerSecond) + " left";
        else
            line += ", --:-- left";
    }
    return line;
}

TransferProgress::TransferProgress(std::ostream& terminal, int64_t already,
                                   std::optional<int64_t> total)
    : FTerminal(terminal), FAlready(already), FTotal(total) {}

void TransferProgress::Follow(TIdComponent& component) {
    component.OnWorkBegin = [this](TIdComponent*, TWorkMode, int32_t) {
        FLastPosition = 0;
        FStart = FLastDrawn = Clock::now();
    };
    component.OnWork = [this](TIdComponent*, TWorkMode, int32_t position) { Moved(position); };
    // The data is all there before the final reply is read: the line goes
    // then, so a dialogue shown with --verbose starts on a line of its own.
    component.OnWorkEnd = [this](TIdComponent*, TWorkMode) { Finish(); };
}

void TransferProgress::Moved(int32_t position, Clock::time_point now) {
    // The step since the last report, taken modulo 2^32 like the count itself.
    const uint32_t step = static_cast<uint32_t>(position) - FLastPosition;
    FLastPosition = static_cast<uint32_t>(position);
    FMoved += step;
    if (now - FLastDrawn < RedrawInterval)
        return;
    FLastDrawn = now;
    const double seconds = std::chrono::duration<double>(now - FStart).count();
    // The rate counts what moved in this run; the figures count the whole file.
    const double rate = seconds > 0 ? static_cast<double>(FMoved) / seconds : 0.0;
    FTerminal << '\r' << FormatProgressLine(FAlready + FMoved, FTotal, rate) << "\x1b[K"
              << std::flush;
    FDrawn = true;
}

void TransferProgress::Finish() {
    if (FDrawn)
        FTerminal << "\r\x1b[K" << std::flush;
    FDrawn = false;
}
