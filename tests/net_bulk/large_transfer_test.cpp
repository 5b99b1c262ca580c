// Streams beyond 4 GiB of 32-bit counters: counts and positions stay exact.
#include "bulk_test_util.h"
#include "pattern_stream.h"
#include "support/raw_socket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <vector>

namespace {

constexpr int64_t Size = (3LL << 30) + 7;
constexpr int64_t Chunk = 1 << 20;

// Deadlines per chunk, so that a stalled transfer fails instead of hanging.
SupportClock::time_point ChunkDeadline() {
    return SupportClock::now() + DefaultWait;
}

TEST(LargeTransfer, CountedReceiveOfThreeGibibytes) {
    ConnectedPair pair;
    std::thread sender([&] {
        // One reused buffer: fresh memory per chunk would make the sanitizer's
        // allocator touch gigabytes of new pages.
        PatternSource source(Size);
        std::vector<char> chunk(Chunk);
        for (int64_t sent = 0; sent < Size;) {
            const int64_t n = source.Read(chunk.data(), Chunk);
            if (!SendAll(pair.Peer.Connection().Fd(),
                         std::string_view(chunk.data(), static_cast<size_t>(n)), ChunkDeadline())) {
                ADD_FAILURE() << "send stopped at " << sent;
                break;
            }
            sent += n;
        }
    });
    PatternSink sink;
    pair.Client.ReceiveStream(sink, Size, false);
    sender.join();
    EXPECT_EQ(sink.Written(), Size);
    EXPECT_EQ(sink.Size(), Size);
    EXPECT_EQ(sink.FirstMismatch(), -1);
}

TEST(LargeTransfer, SendStreamOfThreeGibibytes) {
    ConnectedPair pair;
    PatternSink sink;
    std::thread reader([&] {
        std::vector<char> chunk(Chunk);
        const int fd = pair.Peer.Connection().Fd();
        while (sink.Written() < Size) {
            if ((WaitForEvents(fd, POLLIN, ChunkDeadline()) & (POLLIN | POLLHUP | POLLERR)) == 0)
                break;
            const ssize_t n = ::recv(fd, chunk.data(), chunk.size(), MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n <= 0)
                break;
            sink.Write(chunk.data(), n);
        }
    });
    PatternSource source(Size);
    pair.Client.SendStream(source, true, false, 0);
    reader.join();
    EXPECT_EQ(sink.Written(), Size);
    EXPECT_EQ(sink.FirstMismatch(), -1);
    EXPECT_EQ(source.Position(), Size);
}

} // namespace
