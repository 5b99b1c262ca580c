#include "net/buffers.h"

#include "core/exceptions.h"

#include <cstring>

std::string TIdSimpleBuffer::ExtractBytes(int64_t count) {
    if (count > Size() || count < 0)
        throw EIdNotEnoughDataInBuffer();
    std::string out(Memory(), static_cast<size_t>(count));
    DiscardBytes(count);
    return out;
}

void TIdSimpleBuffer::DiscardBytes(int64_t count) {
    const int64_t size = Size();
    if (count > size || count < 0)
        throw EIdNotEnoughDataInBuffer();
    if (count == size) {
        TMemoryStream::SetSize(0);
    } else {
        std::memmove(Memory(), Memory() + count, static_cast<size_t>(size - count));
        TMemoryStream::SetSize(size - count);
    }
    SetRawPosition(0);
    if (RemovalHandler)
        RemovalHandler(*this, count);
}

int64_t TIdManagedBuffer::Seek(int64_t offset, TSeekOrigin origin) {
    if (origin == TSeekOrigin::soBeginning)
        offset += FConsumed;
    return TMemoryStream::Seek(offset, origin) - FConsumed;
}

void TIdManagedBuffer::SetSize(int64_t newSize) {
    TMemoryStream::SetSize(FConsumed + newSize);
}

std::string TIdManagedBuffer::ExtractBytes(int64_t count) {
    if (count > Size() || count < 0)
        throw EIdNotEnoughDataInBuffer();
    std::string out(UnreadStart(), static_cast<size_t>(count));
    DiscardBytes(count);
    return out;
}

void TIdManagedBuffer::DiscardBytes(int64_t count) {
    if (count > Size() || count < 0)
        throw EIdNotEnoughDataInBuffer();
    if (count == Size()) {
        ClearBuffer();
    } else {
        FConsumed += count;
        if (FConsumed >= CompactThreshold)
            Compact();
    }
    if (RemovalHandler)
        RemovalHandler(*this, count);
}

void TIdManagedBuffer::Compact() {
    if (FConsumed <= 0)
        return;
    const int64_t unread = Size();
    std::memmove(Memory(), Memory() + FConsumed, static_cast<size_t>(unread));
    FConsumed = 0;
    TMemoryStream::SetSize(unread);
    SetRawPosition(unread);
}

void TIdManagedBuffer::ClearBuffer() {
    TMemoryStream::SetSize(0);
    SetRawPosition(0);
    FConsumed = 0;
}

void TIdManagedBuffer::Append(const void* data, int64_t count) {
    TMemoryStream::Seek(0, TSeekOrigin::soEnd);
    WriteBuffer(data, count);
}
