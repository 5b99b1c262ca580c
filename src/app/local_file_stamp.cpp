#include "app/local_file_stamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Division rounding towards minus infinity, for times before 1970.
int64_t FloorDiv(int64_t value, int64_t divisor) {
    const int64_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

} // namespace

int64_t RoundToStampSeconds(int64_t localMilliseconds) {
    const int64_t seconds = FloorDiv(localMilliseconds, 1000);
    const int64_t rest = localMilliseconds - seconds * 1000;
    if (rest > 500 || (rest == 500 && seconds % 2 != 0))
        return seconds + 1;
    return seconds;
}

int64_t StampOfWriteTime(const std::timespec& writeTime, int64_t utcOffsetSeconds) {
    const int64_t utcMilliseconds = static_cast<int64_t>(writeTime.tv_sec) * 1000 +
                                    FloorDiv(static_cast<int64_t>(writeTime.tv_nsec), 1000000);
    return RoundToStampSeconds(utcMilliseconds + utcOffsetSeconds * 1000);
}

int64_t CurrentUtcOffset() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr)
        return 0;
    return static_cast<int64_t>(local.tm_gmtoff);
}

std::optional<TFileStamp> LocalFileStamp(const std::string& path) {
    // Opened rather than only looked up, so that a copy that cannot be read
    // (and so could not be uploaded either) has no stamp.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    const int result = ::fstat(fd, &info);
    ::close(fd);
    if (result != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    TFileStamp stamp;
    stamp.LocalSeconds = StampOfWriteTime(info.st_mtim, CurrentUtcOffset());
    stamp.WriteTimeNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 +
                        static_cast<int64_t>(info.st_mtim.tv_nsec);
    stamp.Size = static_cast<int64_t>(info.st_size);
    stamp.Device = static_cast<uint64_t>(info.st_dev);
    stamp.Inode = static_cast<uint64_t>(info.st_ino);
    return stamp;
}
