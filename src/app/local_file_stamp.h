// The stamp the edit workers compare to notice a save: the local copy's
// last-write time to the nanosecond, its size and its inode (an editor that
// saves by renaming a new file over the copy may keep time and size). The
// whole seconds on the local clock are kept too, so that a change of the
// local offset (daylight saving) still counts as one change.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

// Milliseconds on the local clock rounded to the nearest second, a tie going
// to the even second.
int64_t RoundToStampSeconds(int64_t localMilliseconds);

// The stamp of a last-write time (UTC): moved to the local clock with
// `utcOffsetSeconds`, cut to whole milliseconds, then rounded. The offset is
// the one in force now, not the one at the time written, so a change of
// offset (daylight saving) changes every stamp once.
int64_t StampOfWriteTime(const std::timespec& writeTime, int64_t utcOffsetSeconds);

// Seconds the local clock is ahead of UTC right now.
int64_t CurrentUtcOffset();

struct TFileStamp {
    int64_t LocalSeconds = 0;
    int64_t WriteTimeNs = 0;
    int64_t Size = 0;
    uint64_t Device = 0;
    uint64_t Inode = 0;
    friend bool operator==(const TFileStamp&, const TFileStamp&) = default;
};

// The stamp of a local file; none when the file cannot be opened for reading
// or its time cannot be read, which callers must never take for a change.
std::optional<TFileStamp> LocalFileStamp(const std::string& path);
