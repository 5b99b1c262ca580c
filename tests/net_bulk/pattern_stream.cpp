#include "pattern_stream.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

constexpr int64_t Period = 251;
constexpr int64_t Window = 1 << 20;

// The pattern from offset 0 over one window plus one period, so that any
// window-sized run starting anywhere in the period can be copied or compared
// with one memcpy or memcmp.
const std::vector<char>& PatternWindow() {
    static const std::vector<char> window = [] {
        std::vector<char> bytes(static_cast<size_t>(Window + Period));
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(PatternByte(static_cast<int64_t>(i)));
        return bytes;
    }();
    return window;
}

const std::vector<char>& ZeroWindow() {
    static const std::vector<char> window(static_cast<size_t>(Window), 0);
    return window;
}

int64_t SeekWithin(int64_t& position, int64_t size, int64_t offset, TSeekOrigin origin) {
    switch (origin) {
    case TSeekOrigin::soBeginning: position = offset; break;
    case TSeekOrigin::soCurrent: position += offset; break;
    case TSeekOrigin::soEnd: position = size + offset; break;
    }
    return position;
}

} // namespace

uint8_t PatternByte(int64_t position) {
    return static_cast<uint8_t>(position % Period);
}

std::string PatternBytes(int64_t position, int64_t count) {
    std::string bytes(static_cast<size_t>(count), '\0');
    PatternSource source(position + count);
    source.SetPosition(position);
    source.ReadBuffer(bytes.data(), count);
    return bytes;
}

int64_t PatternSource::Read(void* buffer, int64_t count) {
    const int64_t n = std::max<int64_t>(0, std::min(count, FSize - FPosition));
    char* out = static_cast<char*>(buffer);
    for (int64_t done = 0; done < n;) {
        const int64_t piece = std::min(n - done, Window);
        std::memcpy(out + done, PatternWindow().data() + (FPosition + done) % Period,
                    static_cast<size_t>(piece));
        done += piece;
    }
    FPosition += n;
    return n;
}

int64_t PatternSource::Write(const void*, int64_t) {
    throw std::logic_error("PatternSource is read-only");
}

int64_t PatternSource::Seek(int64_t offset, TSeekOrigin origin) {
    return SeekWithin(FPosition, FSize, offset, origin);
}

void PatternSource::SetSize(int64_t) {
    throw std::logic_error("PatternSource has a fixed size");
}

int64_t PatternSink::Read(void*, int64_t) {
    throw std::logic_error("PatternSink is write-only");
}

int64_t PatternSink::Write(const void* buffer, int64_t count) {
    const char* in = static_cast<const char*>(buffer);
    for (int64_t done = 0; done < count && FFirstMismatch < 0;) {
        const int64_t piece = std::min(count - done, Window);
        const char* expected = FExpect == Expect::Zeros
                                   ? ZeroWindow().data()
                                   : PatternWindow().data() + (FPosition + done) % Period;
        if (std::memcmp(in + done, expected, static_cast<size_t>(piece)) != 0) {
            for (int64_t i = 0; i < piece; ++i)
                if (in[done + i] != expected[i]) {
                    FFirstMismatch = FPosition + done + i;
                    break;
                }
        }
        done += piece;
    }
    const int64_t keep = std::min<int64_t>(count, 64);
    FTail = (FTail + std::string(in + count - keep, static_cast<size_t>(keep)));
    if (FTail.size() > 64)
        FTail.erase(0, FTail.size() - 64);
    FPosition += count;
    FWritten += count;
    FSize = std::max(FSize, FPosition);
    return count;
}

int64_t PatternSink::Seek(int64_t offset, TSeekOrigin origin) {
    return SeekWithin(FPosition, FSize, offset, origin);
}

void PatternSink::SetSize(int64_t newSize) {
    FSize = newSize;
    FPosition = std::min(FPosition, FSize);
}
