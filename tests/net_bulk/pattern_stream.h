// Streams of any 64-bit size that hold no data: a source that produces a known
// byte pattern and a sink that checks it, for transfers beyond 4 GiB of
// addressable counters without using memory or disk.
#pragma once

#include "core/streams.h"

#include <cstdint>
#include <string>

// The byte at `position` of every pattern stream: the position modulo 251, so
// that a block landing at a wrong offset shows up at once.
uint8_t PatternByte(int64_t position);
// `count` pattern bytes starting at `position`.
std::string PatternBytes(int64_t position, int64_t count);

class PatternSource : public TStream {
public:
    explicit PatternSource(int64_t size) : FSize(size) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    int64_t Size() override { return FSize; }

private:
    int64_t FSize;
    int64_t FPosition = 0;
};

// Accepts writes at any position and checks them against the pattern (or
// against zero bytes, for a sparse file on the far side).
class PatternSink : public TStream {
public:
    enum class Expect { Pattern, Zeros };
    explicit PatternSink(Expect expect = Expect::Pattern) : FExpect(expect) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    int64_t Size() override { return FSize; }

    // Bytes written in total, and the position of the first wrong byte (-1: none).
    int64_t Written() const { return FWritten; }
    int64_t FirstMismatch() const { return FFirstMismatch; }
    // The last bytes written (up to 64), for checks of a tail that differs.
    const std::string& Tail() const { return FTail; }

private:
    Expect FExpect;
    int64_t FSize = 0;
    int64_t FPosition = 0;
    int64_t FWritten = 0;
    int64_t FFirstMismatch = -1;
    std::string FTail;
};
