// Reading blocks, integers and streams from a connection.
#include "bulk_test_util.h"
#include "core/exceptions.h"
#include "core/streams.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>

namespace {

TEST(ReceiveStream, CountZeroReadsNothingAndCutsTheTargetAtItsPosition) {
    ConnectedPair pair;
    WorkLog log(pair.Client);
    TMemoryStream target;
    target.WriteBuffer("abcdef", 6);
    target.SetPosition(2);
    pair.Client.ReceiveStream(target, 0, false);
    EXPECT_EQ(target.ToString(), "ab");
    EXPECT_EQ(log.Events, (std::vector<std::string>{"begin read 0", "end read"}));
}

TEST(ReceiveStream, LengthPrefixAnnouncesTheBlockAndLeavesWhatFollows) {
    ConnectedPair pair;
    WorkLog log(pair.Client);
    const std::string block = RandomBytes(256, 1);
    ASSERT_TRUE(pair.Peer.Send(std::string("\0\0\x01\0", 4) + block + "next\r\n"));
    TMemoryStream target;
    pair.Client.ReceiveStream(target);
    EXPECT_EQ(target.ToString(), block);
    EXPECT_EQ(pair.Client.ReadLine(), "next");
    ASSERT_GE(log.Events.size(), 3u);
    EXPECT_EQ(log.Events.front(), "begin read 256");
    EXPECT_EQ(log.Events[log.Events.size() - 2], "work read 256");
    EXPECT_EQ(log.Events.back(), "end read");
}

TEST(ReceiveStream, UntilCloseReplacesLongerOldContent) {
    ConnectedPair pair;
    TMemoryStream target;
    target.WriteBuffer("XXXXXXXXXX", 10);
    target.SetPosition(0);
    ASSERT_TRUE(pair.Peer.Send("abc"));
    pair.Peer.Close();
    pair.Client.ReceiveStream(target, -1, true);
    EXPECT_EQ(target.ToString(), "abc");
}

TEST(ReceiveStream, UntilCloseWritesFromTheTargetsPosition) {
    ConnectedPair pair;
    TMemoryStream target;
    target.WriteBuffer("HEAD--tail", 10);
    target.SetPosition(6);
    ASSERT_TRUE(pair.Peer.Send("body"));
    pair.Peer.Close();
    pair.Client.ReceiveStream(target, -1, true);
    EXPECT_EQ(target.ToString(), "HEAD--body");
}

TEST(ReceiveStream, BytesBufferedWithAPrecedingLineComeFirst) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.Peer.Send("150 Opening\r\nDATA1"));
    EXPECT_EQ(pair.Client.ReadLine(), "150 Opening");
    EXPECT_EQ(pair.Client.PendingInput().Size(), 5);
    ASSERT_TRUE(pair.Peer.Send("DATA2"));
    pair.Peer.Close();
    TMemoryStream target;
    pair.Client.ReceiveStream(target, -1, true);
    EXPECT_EQ(target.ToString(), "DATA1DATA2");
}

TEST(ReceiveStream, CloseBeforeTheCountFailsAndKeepsOnlyTheWholeBlocks) {
    ConnectedPair pair;
    WorkLog log(pair.Client);
    const std::string data = RandomBytes(35000, 9);
    std::thread sender([&] {
        EXPECT_TRUE(pair.Peer.Send(data));
        pair.Peer.Close();
    });
    TMemoryStream target;
    EXPECT_THROW(pair.Client.ReceiveStream(target, 40000, false), EIdConnClosedGracefully);
    sender.join();
    // Pre-sized to 40000; the failed second block writes nothing, and the
    // target is cut back to the first block.
    EXPECT_EQ(target.Size(), 32768);
    EXPECT_TRUE(target.ToString() == data.substr(0, 32768));
    EXPECT_EQ(log.Events.back(), "end read");
}

TEST(ReceiveStream, CountedReadReportsRunningTotalsUpToTheCount) {
    ConnectedPair pair;
    WorkLog log(pair.Client);
    const std::string data = RandomBytes(100000, 2);
    std::thread sender([&] { EXPECT_TRUE(pair.Peer.Send(data)); });
    TMemoryStream target;
    pair.Client.ReceiveStream(target, 100000, false);
    sender.join();
    EXPECT_EQ(target.ToString(), data);
    EXPECT_EQ(log.Events.front(), "begin read 100000");
    EXPECT_EQ(log.Events[log.Events.size() - 2], "work read 100000");
    EXPECT_EQ(log.Events.back(), "end read");
}

TEST(ReceiveStream, UntilCloseMovesSeveralMegabytesIntact) {
    ConnectedPair pair;
    const std::string data = RandomBytes(5 << 20, 3);
    std::thread sender([&] {
        EXPECT_TRUE(pair.Peer.Send(data));
        pair.Peer.Close();
    });
    TMemoryStream target;
    pair.Client.ReceiveStream(target, -1, true);
    sender.join();
    EXPECT_TRUE(target.ToString() == data);
    EXPECT_FALSE(pair.Client.IsConnected());
}

TEST(ReceiveBytes, IntegersInNetworkAndHostOrder) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.Peer.Send(std::string("\0\0\x01\0\x01\0\0\0\xff\xff\xff\xfe", 12)));
    EXPECT_EQ(pair.Client.ReceiveInteger(), 256);
    EXPECT_EQ(pair.Client.ReceiveInteger(false), 1);
    EXPECT_EQ(pair.Client.ReceiveInteger(true), -2);
}

TEST(ReceiveBytes, ZeroCountReturnsEvenOnAClosedConnection) {
    ConnectedPair pair;
    pair.Client.DropConnection();
    char byte = 'x';
    EXPECT_NO_THROW(pair.Client.ReceiveBytes(&byte, 0));
    EXPECT_EQ(byte, 'x');
}

TEST(ReceiveBytes, PeerClosingShortOfTheCountRaises) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.Peer.Send("ab"));
    pair.Peer.Close();
    char bytes[3] = {};
    EXPECT_THROW(pair.Client.ReceiveBytes(bytes, 3), EIdConnClosedGracefully);
}

TEST(ReceiveAll, TakeAvailableReturnsWhatOneReceiveBrought) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.Peer.Send("xyz"));
    EXPECT_EQ(pair.Client.TakeAvailable(), "xyz");
    EXPECT_EQ(pair.Client.PendingInput().Size(), 0);
}

TEST(ReceiveAll, ConnectAndReceiveAllCollectsEverythingUntilTheClose) {
    LoopbackPeer peer;
    TIdTCPClient client;
    WorkLog log(client);
    client.Host = "127.0.0.1";
    client.Port = peer.Port();
    std::thread server([&] {
        ASSERT_TRUE(peer.AcceptOne());
        EXPECT_TRUE(peer.Send("part one, "));
        EXPECT_TRUE(peer.Send(RandomBytes(70000, 4)));
        EXPECT_TRUE(peer.Send("part three"));
        peer.Close();
    });
    const std::string received = client.ConnectAndReceiveAll();
    server.join();
    EXPECT_EQ(received.size(), 10u + 70000u + 10u);
    EXPECT_EQ(received.substr(0, 10), "part one, ");
    EXPECT_EQ(received.substr(received.size() - 10), "part three");
    EXPECT_EQ(log.Events.front(), "begin read 0");
    EXPECT_EQ(log.Events.back(), "end read");
    EXPECT_EQ(client.IOHandler(), nullptr);
}

} // namespace
