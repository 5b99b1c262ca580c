// Byte buffers for received input: a plain growable block, and one that is
// consumed from the front without moving bytes on every read.
#pragma once

#include "core/streams.h"

#include <cstdint>
#include <functional>
#include <string>

class TIdSimpleBuffer : public TMemoryStream {
public:
    using TRemovalHandler = std::function<void(TIdSimpleBuffer& buffer, int64_t count)>;
    TRemovalHandler RemovalHandler;

    // The first `count` bytes, removed from the buffer. Raises
    // EIdNotEnoughDataInBuffer when fewer are buffered.
    virtual std::string ExtractBytes(int64_t count);
    virtual void DiscardBytes(int64_t count);
};

class TIdManagedBuffer : public TIdSimpleBuffer {
public:
    int32_t CompactThreshold = 32768;
    int64_t ConsumedCount() const { return FConsumed; }

    // Size and positions count only the unread bytes.
    int64_t Size() override { return RawSize() - FConsumed; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;

    std::string ExtractBytes(int64_t count) override;
    void DiscardBytes(int64_t count) override;
    const char* UnreadStart() const { return Memory() + FConsumed; }
    void Compact();
    void ClearBuffer();
    // Appends at the end of the unread bytes.
    void Append(const void* data, int64_t count);

private:
    int64_t FConsumed = 0;
};
