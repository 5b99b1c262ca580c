// Receiving into a file, which moves the bytes from the socket in the kernel.
#include "bulk_test_util.h"
#include "core/exceptions.h"
#include "core/streams.h"
#include "support/temp_dir.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

std::string ReadWholeFile(const std::string& path) {
    TFileStream file(path, TFileMode::fmOpenRead);
    std::string bytes(static_cast<size_t>(file.Size()), '\0');
    file.ReadBuffer(bytes.data(), file.Size());
    return bytes;
}

TEST(FileReceive, CountedReceiveStopsAtTheCountAndReportsProgress) {
    ConnectedPair pair;
    WorkLog log(pair.Client);
    TempDir dir;
    const int64_t count = 3 << 20;
    const std::string data = RandomBytes(count + 1000, 4);
    std::thread sender([&] { EXPECT_TRUE(pair.Peer.Send(data)); });
    {
        TFileStream target(dir.File("download"), TFileMode::fmCreate);
        pair.Client.ReceiveStream(target, count, false);
        EXPECT_EQ(target.Position(), count);
    }
    // What came beyond the count is still there for the next read.
    std::string rest(1000, '\0');
    pair.Client.ReceiveBytes(rest.data(), 1000);
    sender.join();
    EXPECT_TRUE(ReadWholeFile(dir.File("download")) == data.substr(0, count));
    EXPECT_TRUE(rest == data.substr(count));
    EXPECT_EQ(log.Events.front(), "begin read " + std::to_string(count));
    EXPECT_EQ(log.Events[log.Events.size() - 2], "work read " + std::to_string(count));
    EXPECT_EQ(log.Events.back(), "end read");
}

TEST(FileReceive, CloseBeforeTheCountFailsAndCutsTheFileToWhatCame) {
    ConnectedPair pair;
    TempDir dir;
    const std::string data = RandomBytes(35000, 5);
    std::thread sender([&] {
        EXPECT_TRUE(pair.Peer.Send(data));
        pair.Peer.Close();
    });
    {
        TFileStream target(dir.File("download"), TFileMode::fmCreate);
        EXPECT_THROW(pair.Client.ReceiveStream(target, 40000, false), EIdConnClosedGracefully);
    }
    sender.join();
    const std::string written = ReadWholeFile(dir.File("download"));
    EXPECT_LE(written.size(), data.size());
    EXPECT_TRUE(written == data.substr(0, written.size()));
}

} // namespace
