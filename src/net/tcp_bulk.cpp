// Moving blocks and whole streams over a connection, with work progress.
// Counts and positions are 64-bit throughout, so files beyond 2 GiB move
// intact; only the work events carry 32-bit totals (clamped at their start,
// wrapping in their running count).
#include "net/tcp_connection.h"

#include "core/exceptions.h"
#include "core/scope_guard.h"
#include "core/streams.h"
#include "net/io_handler.h"
#include "net/splice_receive.h"
#include "sock/stack.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

int32_t WorkTotal(int64_t count) {
    return static_cast<int32_t>(std::clamp<int64_t>(count, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// The whole-file send over sendfile(2): the kernel moves the pages straight
// from the page cache to the socket, with no copy through user space.
int64_t SendFileBySendfile(TIdStackSocketHandle socket, const std::string& fileName) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct stat st {};
    int64_t sent = 0;
    bool ok = ::fstat(fd, &st) == 0;
    const int64_t size = ok ? static_cast<int64_t>(st.st_size) : 0;
    while (ok && sent < size) {
        constexpr int64_t MaxChunk = 1 << 30;
        off_t offset = static_cast<off_t>(sent);
        const ssize_t n =
            ::sendfile(socket, fd, &offset, static_cast<size_t>(std::min(size - sent, MaxChunk)));
        if (n > 0)
            sent += n;
        else if (n == 0 || errno != EINTR)
            ok = false;
    }
    ::close(fd);
    return ok ? size : 0;
}

void InstallSendFileDirect() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!SendFileDirect)
            SendFileDirect = SendFileBySendfile;
    });
}

// A byte block of `size` bytes, released on every path.
std::unique_ptr<char[]> MakeBlock(int64_t size) {
    return std::make_unique_for_overwrite<char[]>(static_cast<size_t>(std::max<int64_t>(size, 1)));
}

} // namespace

void TIdTCPConnection::ResetTransport() {
    std::lock_guard<std::recursive_mutex> hold(FTransportLock);
    if (FSocketIOHandler == nullptr)
        return;
    const TIdSocketHandle* handle = FSocketIOHandler->SocketHandle();
    if (handle == nullptr || !handle->IsAllocated())
        return;
    const TIdStackSocketHandle socket = handle->NativeSocket();
    // With a zero linger the owning thread's close resets instead of ending.
    const linger abortive{1, 0};
    Stack().SockSetOption(socket, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    // Dissolving the association (a connect to AF_UNSPEC) resets the
    // connection now and wakes a thread blocked on it, while the descriptor
    // stays open for that thread to close. A shutdown would send FIN first,
    // which a server takes for the complete end of an upload; it remains the
    // fallback where the platform refuses. The call goes to the kernel
    // directly: ThreadSanitizer's connect() takes the descriptor for a new
    // one and would report the thread blocked on it as racing with us.
    sockaddr unspecified{};
    unspecified.sa_family = AF_UNSPEC;
    if (::syscall(SYS_connect, socket, &unspecified, sizeof unspecified) != 0)
        Stack().SockShutdown(socket, 2);
}

void TIdTCPConnection::ReceiveBytes(void* destination, int64_t count) {
    if (count <= 0 || destination == nullptr)
        return;
    while (FPendingInput.Size() < count) {
        FillInputBuffer(true, IdTimeoutDefault, true);
        CheckPeerClosed(true, true);
    }
    std::memcpy(destination, FPendingInput.UnreadStart(), static_cast<size_t>(count));
    FPendingInput.DiscardBytes(count);
}

int32_t TIdTCPConnection::ReceiveInteger(bool networkOrder) {
    uint32_t value = 0;
    ReceiveBytes(&value, sizeof value);
    if (networkOrder)
        value = Stack().NetToHostLong(value);
    return static_cast<int32_t>(value);
}

void TIdTCPConnection::SendInteger(int32_t value, bool networkOrder) {
    uint32_t wire = static_cast<uint32_t>(value);
    if (networkOrder)
        wire = Stack().HostToNetLong(wire);
    SendBytes(&wire, sizeof wire);
}

void TIdTCPConnection::PresizeStream(TStream& stream, int64_t newSize) {
    const int64_t position = stream.Position();
    stream.SetSize(newSize);
    if (stream.Position() != position)
        stream.SetPosition(position);
}

void TIdTCPConnection::ReceiveStream(TStream& target, int64_t count, bool untilClose) {
    if (count == -1 && !untilClose)
        count = ReceiveInteger(true);
    if (count >= 0)
        // A file target is then allocated once instead of growing block by block.
        PresizeStream(target, target.Position() + count);

    // Cuts off what was pre-sized but never filled, and any old content beyond
    // the written bytes, on every path (after the work has finished).
    const TScopeExit cutOff([&] {
        const int64_t end = target.Position();
        if (target.Size() > end)
            target.SetSize(end);
    });
    int64_t remaining = untilClose ? std::numeric_limits<int64_t>::max() : count;
    const TIdWorkUnit work(*this, TWorkMode::wmRead, untilClose ? 0 : WorkTotal(count));

    const int64_t buffered = FPendingInput.Size();
    if (buffered > 0 && remaining > 0) {
        const int64_t take = std::min(buffered, remaining);
        target.WriteBuffer(FPendingInput.UnreadStart(), take);
        FPendingInput.DiscardBytes(take);
        remaining -= take;
    }
    ReceiveBySplice(target, remaining, untilClose);
    ReceiveByBlocks(target, remaining, untilClose);
    const int64_t blockSize = std::min<int64_t>(remaining, std::max<int32_t>(RecvBufferSize, 1));
    const std::unique_ptr<char[]> block = MakeBlock(blockSize);
    while (remaining > 0 && IsConnected()) {
        int64_t take = std::min(remaining, blockSize);
        try {
            ReceiveBytes(block.get(), take);
        } catch (const EIdConnClosedGracefully&) {
            if (!untilClose)
                throw;
            // The close is the normal end: keep the bytes that came before it.
            take = FPendingInput.Size();
            if (take > 0)
                std::memcpy(block.get(), FPendingInput.UnreadStart(), static_cast<size_t>(take));
            FPendingInput.ClearBuffer();
        }
        if (take > 0) {
            target.WriteBuffer(block.get(), take);
            remaining -= take;
        }
    }
}

void TIdTCPConnection::ReceiveBySplice(TStream& target, int64_t& remaining, bool untilClose) {
    const TStream::TDirectTarget direct = target.DirectTarget();
    TFileStream* const file = direct.File;
    // Only bytes that reach the socket unchanged may bypass the input path: no
    // intercept, no filter, no other transport, nothing buffered ahead of them.
    if (file == nullptr || remaining <= 0 || FIntercept != nullptr || ASCIIFilter ||
        FPendingInput.Size() > 0 || FIOHandler == nullptr || FIOHandler != FSocketIOHandler ||
        !FSocketIOHandler->CarriesPlainBytes() || FSocketIOHandler->SocketHandle() == nullptr)
        return;
    TSplicePipe pipe;
    if (!pipe.IsOpen())
        return;
    const int socket = FSocketIOHandler->SocketHandle()->NativeSocket();
    // What the target still takes; past it the read loop goes on through the
    // target, which decides what more bytes mean.
    int64_t room = direct.Room < 0 ? remaining : std::min(remaining, direct.Room);
    while (room > 0 && IsConnected()) {
        if (!FIOHandler->InputReady(DefaultReadWait()))
            throw EIdReadTimeout();
        const int64_t n = pipe.FillFromSocket(socket, room);
        if (n < 0)
            return; // Refused: the read loop takes over and reports any real error.
        if (n == 0) {
            FPeerClosed = true;
            // An early close ends a counted receive with the same error as the read loop.
            CheckPeerClosed(!untilClose, true);
            return;
        }
        const int64_t written = pipe.DrainToFile(file->Handle(), n);
        if (written < n) {
            // The file refused the direct move: write the rest the ordinary
            // way, which raises the file's own error if it refuses again.
            const std::unique_ptr<char[]> rest = MakeBlock(n - written);
            const int64_t taken = pipe.DrainToMemory(rest.get(), n - written);
            target.WriteBuffer(rest.get(), taken);
        }
        remaining -= n;
        room -= n;
        ReportWork(TWorkMode::wmRead, static_cast<int32_t>(n));
    }
}

void TIdTCPConnection::ReceiveByBlocks(TStream& target, int64_t& remaining, bool untilClose) {
    if (remaining <= 0 || FIntercept != nullptr || ASCIIFilter || FPendingInput.Size() > 0 ||
        FIOHandler == nullptr || FIOHandler->CarriesPlainBytes())
        return;
    // Large writes to the target: a file takes 1 MiB in one call about as
    // fast as 16 KiB, and a TLS record is at most 16 KiB.
    constexpr int64_t WriteBlockSize = 1 << 20;
    const int64_t blockSize = std::min(
        remaining, std::max<int64_t>(WriteBlockSize, std::max<int32_t>(RecvBufferSize, 1)));
    const std::unique_ptr<char[]> block = MakeBlock(blockSize);
    int64_t filled = 0;
    const auto flush = [&] {
        if (filled > 0)
            target.WriteBuffer(block.get(), filled);
        filled = 0;
    };
    try {
        while (remaining > 0 && IsConnected()) {
            const int64_t n = FIOHandler->ReceiveAvailable(block.get() + filled,
                                                           std::min(blockSize - filled, remaining));
            if (n < 0) {
                if (!FIOHandler->InputReady(DefaultReadWait()))
                    throw EIdReadTimeout();
                continue;
            }
            if (n == 0) {
                flush();
                FPeerClosed = true;
                // An early close ends a counted receive with the same error as the read loop.
                CheckPeerClosed(!untilClose, true);
                return;
            }
            filled += n;
            remaining -= n;
            ReportWork(TWorkMode::wmRead, static_cast<int32_t>(n));
            if (filled == blockSize)
                flush();
        }
    } catch (...) {
        // What came before a failure is kept, as the read loop keeps it.
        flush();
        throw;
    }
    flush();
}

void TIdTCPConnection::SendStream(TStream& source, bool fromStart, bool withSizePrefix,
                                  int64_t count) {
    if (fromStart)
        source.SetPosition(0);
    int64_t position = source.Position();
    const int64_t end = count == 0 ? source.Size() : position + count;
    const int64_t total = end - position;
    if (withSizePrefix) {
        if (total > std::numeric_limits<int32_t>::max())
            throw EIdException(FormatMsg(TIdMsg::SizePrefixTooLarge, {std::to_string(total)}));
        SendInteger(static_cast<int32_t>(total), true);
    }
    const TIdWorkUnit work(*this, TWorkMode::wmWrite, WorkTotal(total));
    const int64_t blockSize = std::max<int32_t>(SendBufferSize, 1);
    const std::unique_ptr<char[]> block = MakeBlock(blockSize);
    for (;;) {
        int64_t n = std::min(end - position, blockSize);
        if (n <= 0)
            break;
        n = source.Read(block.get(), n);
        if (n == 0)
            throw EIdNoDataToRead();
        position += n;
        SendBytes(block.get(), n);
    }
}

int64_t TIdTCPConnection::SendFileContents(const std::string& fileName, bool fastPathAllowed) {
    if (!FileExists(fileName))
        throw EIdFileNotFound(fileName);
    InstallSendFileDirect();
    if (SendFileDirect && FIntercept == nullptr && fastPathAllowed && FSocketIOHandler != nullptr &&
        FSocketIOHandler->CarriesPlainBytes() && FSocketIOHandler->SocketHandle() != nullptr)
        return SendFileDirect(FSocketIOHandler->SocketHandle()->NativeSocket(), fileName);
    TFileStream file(fileName, TFileMode::fmOpenRead);
    SendStream(file, true, false, 0);
    return file.Size();
}

std::string TIdTCPConnection::TakeAvailable() {
    if (IsConnected())
        FillInputBuffer(false, IdTimeoutDefault, true);
    return FPendingInput.ExtractBytes(FPendingInput.Size());
}

std::string TIdTCPConnection::ReceiveAll() {
    const TIdWorkUnit work(*this, TWorkMode::wmRead, 0);
    std::string result;
    while (IsConnected())
        result += TakeAvailable();
    return result;
}
