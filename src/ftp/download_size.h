// Checking a download against the size the server stated for the file: from
// SIZE before the transfer, or else from the "(N bytes)" of the preliminary
// reply. Both state the whole remote file, also when the transfer resumes.
#pragma once

#include "core/streams.h"
#include "net/rfc_reply.h"

#include <cstdint>

struct TIdDownloadSize {
    // The remote file's size in bytes; -1 while unknown (nothing is checked).
    int64_t Stated = -1;
    // The target's position that stands for the remote file's first byte: 0
    // after REST with the target's position, else where the target stood.
    int64_t Origin = 0;
    // The 150 reply may state the size (only when SIZE gave none).
    bool FromPreliminary = false;
};

// The N of "(N bytes)" in a preliminary reply, -1 when it states none:
//   150 Opening BINARY mode data connection for f.bin (512 bytes).
int64_t SizeInPreliminaryReply(const TIdRFCReply& reply);

// Raises EIdTransferSizeMismatch ("Received X of Y bytes.") for a count other
// than the stated one.
void CheckReceivedSize(int64_t received, int64_t stated);

// The target of a download with a stated size: writes go through to the
// target until the stated size is reached; one that would pass it fails the
// download, so an endless stream never fills the disk.
class TIdSizeLimitedStream : public TStream {
public:
    TIdSizeLimitedStream(TStream& target, const TIdDownloadSize& size)
        : FTarget(target), FSize(size) {}

    int64_t Read(void* buffer, int64_t count) override { return FTarget.Read(buffer, count); }
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        return FTarget.Seek(offset, origin);
    }
    void SetSize(int64_t newSize) override { FTarget.SetSize(newSize); }
    int64_t Size() override { return FTarget.Size(); }
    // The target's file, with room for what is still due.
    TDirectTarget DirectTarget() override;

private:
    TStream& FTarget;
    TIdDownloadSize FSize;
};
