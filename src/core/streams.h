// Byte streams with 64-bit positions and sizes: an in-memory block and a file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    // Returns the number of bytes read or written, which may be less than asked.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(int64_t newSize) = 0;
    virtual int64_t Size();

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
    // Both raise EFileError when fewer bytes than asked could be moved.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies `count` bytes from the source's position; 0 copies the whole source
    // from its start. Returns the bytes copied.
    int64_t CopyFrom(TStream& source, int64_t count);

    // The file that writes to this stream land in unchanged, at its current
    // position, and how many more bytes it takes (-1: no limit), so that a
    // receive may move bytes into it without passing them through memory.
    // None for a stream that keeps or changes what it is given.
    struct TDirectTarget {
        class TFileStream* File = nullptr;
        int64_t Room = -1;
    };
    virtual TDirectTarget DirectTarget() { return {}; }
};

class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    int64_t Size() override { return FSize; }

    char* Memory() { return FData.get(); }
    const char* Memory() const { return FData.get(); }
    void Clear();
    std::string ToString() const { return std::string(FData.get(), static_cast<size_t>(FSize)); }

protected:
    int64_t RawSize() const { return FSize; }
    int64_t RawPosition() const { return FPosition; }
    void SetRawPosition(int64_t position) { FPosition = position; }

private:
    void Reserve(int64_t capacity);
    std::unique_ptr<char[]> FData;
    int64_t FCapacity = 0;
    int64_t FSize = 0;
    int64_t FPosition = 0;
};

enum class TFileMode { fmCreate, fmOpenRead, fmOpenWrite, fmOpenReadWrite };

class TFileStream : public TStream {
public:
    // Raises EFileError with the path and the system's reason when it cannot open.
    TFileStream(const std::string& path, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    int64_t Size() override;
    TDirectTarget DirectTarget() override { return {this, -1}; }

    int Handle() const { return FHandle; }
    const std::string& FileName() const { return FPath; }

private:
    [[noreturn]] void RaiseIoError() const;
    std::string FPath;
    int FHandle = -1;
};

bool FileExists(const std::string& path);
