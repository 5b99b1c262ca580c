// Passive-mode transfers against the scripted control peer: the order of
// commands and connections, the PASV text rules, and the accepted replies.
#include "core/exceptions.h"
#include "support/raw_socket.h"
#include "transfer_fixture.h"

#include <gtest/gtest.h>

#include <poll.h>

namespace {

using PassiveTransfer = TransferFixture;

TEST_F(PassiveTransfer, RetrieveReadsTheDataAndTheFinalReply) {
    Client.Passive = true;
    const std::string payload = RandomBytes(100000, 11);
    Data.ServePassive(SendAndClose(payload));
    Server.Reply(Data.PasvReply()).ReplyRaw("150 Opening data connection\r\n226 Done\r\n");
    TMemoryStream stream;
    Client.RetrieveStream("/pub/f.bin", stream, false);
    EXPECT_TRUE(stream.ToString() == payload);
    EXPECT_EQ(Server.Commands(), (Lines{"PASV", "RETR /pub/f.bin"}));
    EXPECT_EQ(Status, Completed());
    EXPECT_EQ(Client.DataConnection(), nullptr);
    EXPECT_EQ(Client.LastReply().NumericCode(), 226);
}

TEST_F(PassiveTransfer, RetrieveConnectsBeforeSendingRetr) {
    // Nothing listens on the announced port: the connect fails, and since it
    // comes first, RETR is never sent.
    Client.Passive = true;
    Server.Reply(PasvReplyFor(ClosedPort()));
    TMemoryStream stream;
    EXPECT_THROW(Client.RetrieveStream("/f", stream, false), EIdSocketError);
    EXPECT_EQ(Server.Commands(), (Lines{"PASV"}));
    EXPECT_EQ(Status, Completed());
    EXPECT_EQ(Client.DataConnection(), nullptr);
}

TEST_F(PassiveTransfer, StoreSendsStorBeforeConnecting) {
    Client.Passive = true;
    Server.Reply(PasvReplyFor(ClosedPort())).Reply("425 Cannot open data connection");
    TMemoryStream stream = StreamOf("data");
    EXPECT_THROW(Client.StoreStream(stream, "/up.bin", false), EIdSocketError);
    ASSERT_TRUE(Server.WaitForCommands(2));
    EXPECT_EQ(Server.Commands(), (Lines{"PASV", "STOR /up.bin"}));
}

TEST_F(PassiveTransfer, StoreSendsFromTheStreamPositionAndAccepts110) {
    Client.Passive = true;
    const std::string data = RandomBytes(1000, 12);
    std::string received;
    Data.ServePassive(ReceiveUntilClose(received));
    Server.Reply(Data.PasvReply()).ReplyRaw("110 Restart marker\r\n226 Stored\r\n");
    TMemoryStream stream = StreamOf(data);
    stream.SetPosition(100);
    Client.StoreStream(stream, "/up.bin", false);
    Data.Join();
    EXPECT_TRUE(received == data.substr(100));
    EXPECT_EQ(Server.Commands(), (Lines{"PASV", "STOR /up.bin"}));
    EXPECT_EQ(Status, Completed());
}

TEST_F(PassiveTransfer, StoreCommandsForAppendAndUniqueNames) {
    Client.Passive = true;
    for (bool append : {true, false}) {
        DataPeer data;
        std::string received;
        data.ServePassive(ReceiveUntilClose(received));
        Server.Reply(data.PasvReply()).ReplyRaw("150 Ok\r\n226 Stored\r\n");
        TMemoryStream stream = StreamOf("x");
        Client.StoreStream(stream, append ? "/log.txt" : "", append);
        data.Join();
        EXPECT_EQ(received, "x");
    }
    EXPECT_EQ(Server.Commands(), (Lines{"PASV", "APPE /log.txt", "PASV", "STOU "}));
    EXPECT_NE(Server.RawReceived().find("STOU \r\n"), std::string::npos);
}

TEST_F(PassiveTransfer, PasvWithoutParenthesesAnd154ForRetrieval) {
    Client.Passive = true;
    Data.ServePassive(SendAndClose("abc"));
    Server.Reply(Data.PasvReply(false)).ReplyRaw("154 Opening\r\n250 Done\r\n");
    TMemoryStream stream;
    Client.RetrieveStream("/f", stream, false);
    EXPECT_EQ(stream.ToString(), "abc");
    EXPECT_EQ(Client.LastReply().NumericCode(), 250);
}

TEST_F(PassiveTransfer, PasvFieldsThatAreNoPortRaiseBeforeAnyConnection) {
    Client.Passive = true;
    Server.Reply("227 Entering Passive Mode (127,0,0,1,x,5)")
        .Reply("227 Entering Passive Mode (127,0,0,1)")
        .Reply("227 Entering Passive Mode (127,0,0,1,300,0)");
    TMemoryStream stream;
    try {
        Client.RetrieveStream("/f", stream, false);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
    }
    try {
        Client.RetrieveStream("/f", stream, false);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
    try {
        Client.RetrieveStream("/f", stream, false);
        FAIL() << "no exception";
    } catch (const EIdInvalidPassiveReply& e) {
        EXPECT_STREQ(e.what(), "Invalid port 76800 in the passive mode reply.");
    }
    EXPECT_EQ(Server.Commands(), (Lines{"PASV", "PASV", "PASV"}));
    EXPECT_EQ(Client.DataConnection(), nullptr);
}

TEST_F(PassiveTransfer, RefusedPreliminaryReplyClosesTheDataConnection) {
    Client.Passive = true;
    bool closed = false;
    Data.ServePassive([&](RawConnection& connection) { closed = connection.WaitForClose(); });
    Server.Reply(Data.PasvReply()).Reply("550 No such file.");
    TMemoryStream stream;
    try {
        Client.RetrieveStream("/missing", stream, false);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 550);
        EXPECT_STREQ(e.what(), "No such file.\r\n");
    }
    Data.Join();
    EXPECT_TRUE(closed);
    EXPECT_EQ(Status, Completed());
    EXPECT_EQ(Client.DataConnection(), nullptr);
}

TEST_F(PassiveTransfer, PreliminaryReply110IsRefusedForRetrieval) {
    Client.Passive = true;
    Data.ServePassive([](RawConnection& connection) { connection.WaitForClose(); });
    Server.Reply(Data.PasvReply()).Reply("110 Restart marker");
    TMemoryStream stream;
    try {
        Client.RetrieveStream("/f", stream, false);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 110);
    }
}

TEST_F(PassiveTransfer, AbortedFinalReplyFollowedBy226EndsWithoutAnException) {
    Client.Passive = true;
    Data.ServePassive(SendAndClose("part"));
    Server.Reply(Data.PasvReply()).ReplyRaw("150 Opening\r\n426 Aborted\r\n226 Closing\r\n");
    TMemoryStream stream;
    Client.RetrieveStream("/f", stream, false);
    EXPECT_EQ(stream.ToString(), "part");
    EXPECT_EQ(Status, Aborted());
    EXPECT_TRUE(Client.LastTransferAborted);
    // The next transfer that ends normally clears the mark.
    Data.Join();
    Data.ServePassive(SendAndClose("whole"));
    Server.Reply(Data.PasvReply()).ReplyRaw("150 Opening\r\n226 Done\r\n");
    TMemoryStream next;
    Client.RetrieveStream("/f", next, false);
    EXPECT_FALSE(Client.LastTransferAborted);
}

TEST_F(PassiveTransfer, AbortedFinalReplyFollowedBy250Raises) {
    Client.Passive = true;
    Data.ServePassive(SendAndClose("part"));
    Server.Reply(Data.PasvReply()).ReplyRaw("150 Opening\r\n426 Aborted\r\n250 Odd\r\n");
    TMemoryStream stream;
    try {
        Client.RetrieveStream("/f", stream, false);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 250);
    }
    EXPECT_EQ(Status, Completed());
}

TEST_F(PassiveTransfer, ServerClosingMidTransferThenFailingKeepsWhatArrived) {
    // For a retrieval the close is the end of the data; only the final reply
    // tells that it came too early.
    Client.Passive = true;
    Data.ServePassive(SendAndClose("first half"));
    Server.Reply(Data.PasvReply()).ReplyRaw("150 Opening\r\n451 Local error in processing\r\n");
    TMemoryStream stream;
    try {
        Client.RetrieveStream("/f", stream, false);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 451);
    }
    EXPECT_EQ(stream.ToString(), "first half");
    EXPECT_EQ(Status, Completed());
}

TEST_F(PassiveTransfer, ServerResettingTheDataConnectionMidStoreRaises) {
    Client.Passive = true;
    Data.ServePassive([](RawConnection& connection) {
        // Reads nothing: once the first bytes are there, the reset leaves the
        // client with most of the stream still to send.
        WaitForEvents(connection.Fd(), POLLIN, SupportClock::now() + DefaultWait);
        connection.Abort();
    });
    Server.Reply(Data.PasvReply()).ReplyRaw("150 Ok\r\n426 Connection reset\r\n");
    // Larger than any socket buffer, so that the client is still sending.
    TMemoryStream stream = StreamOf(std::string(64 << 20, 'z'));
    EXPECT_THROW(Client.StoreStream(stream, "/up.bin", false), EIdSocketError);
    EXPECT_EQ(Status, Completed());
    EXPECT_EQ(Client.DataConnection(), nullptr);
}

TEST_F(PassiveTransfer, DataProgressReachesTheClientsHandlersInItsBlockSize) {
    Client.Passive = true;
    Client.RecvBufferSize = 1000;
    std::vector<TIdComponent*> senders;
    std::vector<int32_t> totals;
    Client.OnWorkBegin = [&](TIdComponent* sender, TWorkMode mode, int32_t) {
        senders.push_back(sender);
        EXPECT_EQ(mode, TWorkMode::wmRead);
    };
    Client.OnWork = [&](TIdComponent*, TWorkMode, int32_t total) { totals.push_back(total); };
    Data.ServePassive(SendAndClose(RandomBytes(50000, 13)));
    Server.Reply(Data.PasvReply()).ReplyRaw("150 Opening\r\n226 Done\r\n");
    TMemoryStream stream;
    Client.RetrieveStream("/f", stream, false);
    ASSERT_EQ(senders.size(), 1u);
    EXPECT_NE(senders[0], &Client);
    ASSERT_FALSE(totals.empty());
    int32_t previous = 0;
    for (int32_t total : totals) {
        EXPECT_LE(total - previous, 1000);
        previous = total;
    }
    EXPECT_EQ(totals.back(), 50000);
}

} // namespace
