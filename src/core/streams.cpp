#include "core/streams.h"

#include "core/exceptions.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int64_t TStream::Size() {
    const int64_t here = Position();
    const int64_t end = Seek(0, TSeekOrigin::soEnd);
    Seek(here, TSeekOrigin::soBeginning);
    return end;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    auto* out = static_cast<char*>(buffer);
    while (count > 0) {
        const int64_t n = Read(out, count);
        if (n <= 0)
            throw EFileError(FormatMsg(TIdMsg::FileIoError, {"", "Stream read error"}));
        out += n;
        count -= n;
    }
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    const auto* in = static_cast<const char*>(buffer);
    while (count > 0) {
        const int64_t n = Write(in, count);
        if (n <= 0)
            throw EFileError(FormatMsg(TIdMsg::FileIoError, {"", "Stream write error"}));
        in += n;
        count -= n;
    }
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr int64_t ChunkSize = 64 * 1024;
    auto chunk = std::make_unique<char[]>(ChunkSize);
    int64_t copied = 0;
    while (copied < count) {
        const int64_t want = std::min(ChunkSize, count - copied);
        source.ReadBuffer(chunk.get(), want);
        WriteBuffer(chunk.get(), want);
        copied += want;
    }
    return copied;
}

// --- TMemoryStream ---

void TMemoryStream::Reserve(int64_t capacity) {
    if (capacity <= FCapacity)
        return;
    int64_t grown = std::max<int64_t>(capacity, FCapacity + FCapacity / 2);
    grown = (grown + 4095) & ~int64_t(4095);
    auto data = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(grown));
    if (FSize > 0)
        std::memcpy(data.get(), FData.get(), static_cast<size_t>(FSize));
    FData = std::move(data);
    FCapacity = grown;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || FPosition >= FSize)
        return 0;
    const int64_t n = std::min(count, FSize - FPosition);
    std::memcpy(buffer, FData.get() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0 || FPosition < 0)
        return 0;
    const int64_t end = FPosition + count;
    if (end > FSize) {
        Reserve(end);
        if (FPosition > FSize)
            std::memset(FData.get() + FSize, 0, static_cast<size_t>(FPosition - FSize));
        FSize = end;
    }
    std::memcpy(FData.get() + FPosition, buffer, static_cast<size_t>(count));
    FPosition = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    switch (origin) {
    case TSeekOrigin::soBeginning: FPosition = offset; break;
    case TSeekOrigin::soCurrent: FPosition += offset; break;
    case TSeekOrigin::soEnd: FPosition = FSize + offset; break;
    }
    return FPosition;
}

void TMemoryStream::SetSize(int64_t newSize) {
    if (newSize < 0)
        newSize = 0;
    if (newSize > FSize) {
        Reserve(newSize);
        std::memset(FData.get() + FSize, 0, static_cast<size_t>(newSize - FSize));
    }
    FSize = newSize;
    if (FPosition > FSize)
        FPosition = FSize;
}

void TMemoryStream::Clear() {
    FData.reset();
    FCapacity = 0;
    FSize = 0;
    FPosition = 0;
}

// --- TFileStream ---

TFileStream::TFileStream(const std::string& path, TFileMode mode) : FPath(path) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case TFileMode::fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case TFileMode::fmOpenRead: flags |= O_RDONLY; break;
    case TFileMode::fmOpenWrite: flags |= O_WRONLY; break;
    case TFileMode::fmOpenReadWrite: flags |= O_RDWR; break;
    }
    FHandle = ::open(path.c_str(), flags, 0644);
    if (FHandle < 0)
        throw EFileError(
            FormatMsg(mode == TFileMode::fmCreate ? TIdMsg::FileCreateError : TIdMsg::FileOpenError,
                      {path, std::strerror(errno)}));
}

TFileStream::~TFileStream() {
    if (FHandle >= 0)
        ::close(FHandle);
}

void TFileStream::RaiseIoError() const {
    throw EFileError(FormatMsg(TIdMsg::FileIoError, {FPath, std::strerror(errno)}));
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    for (;;) {
        const ssize_t n = ::read(FHandle, buffer, static_cast<size_t>(count));
        if (n >= 0)
            return n;
        if (errno != EINTR)
            RaiseIoError();
    }
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    for (;;) {
        const ssize_t n = ::write(FHandle, buffer, static_cast<size_t>(count));
        if (n >= 0)
            return n;
        if (errno != EINTR)
            RaiseIoError();
    }
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    const off_t at = ::lseek(FHandle, static_cast<off_t>(offset), whence);
    if (at < 0)
        RaiseIoError();
    return at;
}

void TFileStream::SetSize(int64_t newSize) {
    if (::ftruncate(FHandle, static_cast<off_t>(newSize)) != 0)
        RaiseIoError();
    if (Position() > newSize)
        Seek(newSize, TSeekOrigin::soBeginning);
}

int64_t TFileStream::Size() {
    struct stat st {};
    if (::fstat(FHandle, &st) != 0)
        RaiseIoError();
    return st.st_size;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}
