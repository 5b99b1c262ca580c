// Writing integers, streams and whole files to a connection.
#include "bulk_test_util.h"
#include "core/exceptions.h"
#include "core/streams.h"
#include "support/temp_dir.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>

namespace {

TMemoryStream StreamOf(const std::string& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return stream;
}

TEST(SendInteger, NetworkAndHostOrder) {
    ConnectedPair pair;
    pair.Client.SendInteger(-2);
    pair.Client.SendInteger(0x01020304, false);
    EXPECT_EQ(pair.Peer.ReadExactly(8), std::string("\xff\xff\xff\xfe\x04\x03\x02\x01", 8));
}

TEST(SendStream, SizePrefixPrecedesTheWholeStream) {
    ConnectedPair pair;
    WorkLog log(pair.Client);
    TMemoryStream source = StreamOf("0123456789");
    pair.Client.SendStream(source, true, true, 0);
    EXPECT_EQ(pair.Peer.ReadExactly(14), std::string("\0\0\0\x0A", 4) + "0123456789");
    EXPECT_EQ(log.Events,
              (std::vector<std::string>{"begin write 10", "work write 10", "end write"}));
}

TEST(SendStream, FromTheCurrentPositionOrFromTheStart) {
    ConnectedPair pair;
    const std::string data = RandomBytes(1000, 5);
    TMemoryStream source = StreamOf(data);
    source.SetPosition(100);
    pair.Client.SendStream(source, false, false, 0);
    EXPECT_EQ(pair.Peer.ReadExactly(900), data.substr(100));
    source.SetPosition(100);
    pair.Client.SendStream(source, true, false, 0);
    EXPECT_EQ(pair.Peer.ReadExactly(1000), data);
}

TEST(SendStream, AtTheEndSendsNothingButStillOpensAndClosesTheWork) {
    ConnectedPair pair;
    WorkLog log(pair.Client);
    TMemoryStream source = StreamOf("abc");
    pair.Client.SendStream(source, false, false, 0);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"begin write 0", "end write"}));
    pair.Client.DropConnection();
    EXPECT_EQ(pair.Peer.ReadUntilClose(), "");
}

TEST(SendStream, CountBeyondTheSourceSendsWhatThereIsThenRaises) {
    ConnectedPair pair;
    WorkLog log(pair.Client);
    TMemoryStream source = StreamOf("abcde");
    source.SetPosition(0);
    try {
        pair.Client.SendStream(source, false, false, 8);
        FAIL() << "no exception";
    } catch (const EIdNoDataToRead& e) {
        EXPECT_STREQ(e.what(), "No data to read.");
    }
    EXPECT_EQ(pair.Peer.ReadExactly(5), "abcde");
    EXPECT_EQ(source.Position(), 5);
    EXPECT_EQ(log.Events.front(), "begin write 8");
    EXPECT_EQ(log.Events.back(), "end write");
}

TEST(SendStream, SendsInBlocksOfSendBufferSize) {
    ConnectedPair pair;
    pair.Client.SendBufferSize = 1000;
    std::vector<int32_t> totals;
    pair.Client.OnWork = [&](TIdComponent*, TWorkMode, int32_t total) { totals.push_back(total); };
    const std::string data = RandomBytes(1 << 20, 6);
    TMemoryStream source = StreamOf(data);
    std::string received;
    std::thread reader([&] { received = pair.Peer.ReadExactly(data.size()); });
    pair.Client.SendStream(source, true, false, 0);
    reader.join();
    EXPECT_TRUE(received == data);
    ASSERT_FALSE(totals.empty());
    int32_t previous = 0;
    for (int32_t total : totals) {
        EXPECT_LE(total - previous, 1000);
        previous = total;
    }
    EXPECT_EQ(totals.back(), 1 << 20);
}

TEST(SendFileContents, MissingFileNamesTheFile) {
    ConnectedPair pair;
    try {
        pair.Client.SendFileContents("/nonexistent/scrivlet.bin");
        FAIL() << "no exception";
    } catch (const EIdFileNotFound& e) {
        EXPECT_STREQ(e.what(), "File \"/nonexistent/scrivlet.bin\" not found");
    }
}

TEST(SendFileContents, FastPathSendsTheWholeFileWithoutProgress) {
    ConnectedPair pair;
    WorkLog log(pair.Client);
    TempDir dir;
    const std::string data = RandomBytes(3 << 20, 7);
    WriteFileBytes(dir.File("f.bin"), data);
    std::string received;
    std::thread reader([&] { received = pair.Peer.ReadExactly(data.size()); });
    EXPECT_EQ(pair.Client.SendFileContents(dir.File("f.bin")), static_cast<int64_t>(data.size()));
    reader.join();
    EXPECT_TRUE(received == data);
    EXPECT_TRUE(log.Events.empty());
}

TEST(SendFileContents, StreamPathSendsTheFileAndReportsProgress) {
    ConnectedPair pair;
    WorkLog log(pair.Client);
    TempDir dir;
    const std::string data = RandomBytes(200000, 8);
    WriteFileBytes(dir.File("f.bin"), data);
    std::string received;
    std::thread reader([&] { received = pair.Peer.ReadExactly(data.size()); });
    EXPECT_EQ(pair.Client.SendFileContents(dir.File("f.bin"), false), 200000);
    reader.join();
    EXPECT_TRUE(received == data);
    EXPECT_EQ(log.Events.front(), "begin write 200000");
    EXPECT_EQ(log.Events[log.Events.size() - 2], "work write 200000");
    EXPECT_EQ(log.Events.back(), "end write");
}

} // namespace
