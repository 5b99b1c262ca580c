#include "net/splice_receive.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {
// What one pipe holds at most by default; a larger move would block on it.
constexpr int64_t PipeCapacity = 1 << 16;
} // namespace

TSplicePipe::TSplicePipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return;
    FRead = ends[0];
    FWrite = ends[1];
    // A larger pipe means fewer calls per megabyte; the default still works.
    ::fcntl(FWrite, F_SETPIPE_SZ, 1 << 20);
}

TSplicePipe::~TSplicePipe() {
    if (FRead >= 0)
        ::close(FRead);
    if (FWrite >= 0)
        ::close(FWrite);
}

int64_t TSplicePipe::FillFromSocket(int socket, int64_t most) {
    const int capacity = ::fcntl(FWrite, F_GETPIPE_SZ);
    const int64_t room = capacity > 0 ? capacity : PipeCapacity;
    for (;;) {
        const ssize_t n = ::splice(socket, nullptr, FWrite, nullptr,
                                   static_cast<size_t>(std::min(most, room)), SPLICE_F_MOVE);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

int64_t TSplicePipe::DrainToFile(int fileHandle, int64_t count) {
    int64_t moved = 0;
    while (moved < count) {
        const ssize_t n = ::splice(FRead, nullptr, fileHandle, nullptr,
                                   static_cast<size_t>(count - moved), SPLICE_F_MOVE);
        if (n > 0)
            moved += n;
        else if (n == 0 || errno != EINTR)
            break;
    }
    return moved;
}

int64_t TSplicePipe::DrainToMemory(void* buffer, int64_t count) {
    int64_t taken = 0;
    while (taken < count) {
        const ssize_t n =
            ::read(FRead, static_cast<char*>(buffer) + taken, static_cast<size_t>(count - taken));
        if (n > 0)
            taken += n;
        else if (n == 0 || errno != EINTR)
            break;
    }
    return taken;
}
