// Moving received bytes from a socket straight into a file with splice(2),
// through a pipe, so that they never pass through a user-space buffer.
#pragma once

#include <cstdint>

class TSplicePipe {
public:
    TSplicePipe();
    ~TSplicePipe();
    TSplicePipe(const TSplicePipe&) = delete;
    TSplicePipe& operator=(const TSplicePipe&) = delete;

    bool IsOpen() const { return FRead >= 0 && FWrite >= 0; }
    // Moves up to `most` bytes the socket has ready into the pipe. Returns the
    // bytes moved, 0 when the peer has closed, -1 (with errno) on a refusal.
    int64_t FillFromSocket(int socket, int64_t most);
    // Moves `count` bytes from the pipe to the file at its position. Returns
    // the bytes moved, which is less than `count` when the file refused them.
    int64_t DrainToFile(int fileHandle, int64_t count);
    // Takes up to `count` bytes out of the pipe into memory (after a refused drain).
    int64_t DrainToMemory(void* buffer, int64_t count);

private:
    int FRead = -1;
    int FWrite = -1;
};
