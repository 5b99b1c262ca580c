// Active-mode transfers against the scripted control peer: the PORT text,
// REST before the command, the accepted replies, and the bounded wait for
// a server that never connects back.
#include "core/exceptions.h"
#include "support/temp_dir.h"
#include "transfer_fixture.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

namespace {

using ActiveTransfer = TransferFixture;

// The port a "PORT h1,h2,h3,h4,p1,p2" command announces.
int PortOf(const std::string& command) {
    std::vector<int> parts;
    std::stringstream fields(command.substr(5));
    for (std::string field; std::getline(fields, field, ',');)
        parts.push_back(std::stoi(field));
    return parts.size() == 6 ? parts[4] * 256 + parts[5] : -1;
}

bool Refuses(int port) {
    try {
        RawConnection::Connect(port);
        return false;
    } catch (const std::runtime_error&) {
        return true;
    }
}

TEST_F(ActiveTransfer, RetrieveAnnouncesTheListenerAndReadsTheData) {
    const std::string payload = RandomBytes(100000, 21);
    Data.ServeActive(Server, SendAndClose(payload));
    Server.Reply("200 PORT command successful").ReplyRaw("150 Opening\r\n226 Done\r\n");
    TMemoryStream stream;
    Client.RetrieveStream("/f.bin", stream, false);
    Data.Join();
    ASSERT_EQ(Data.Problem(), "");
    EXPECT_TRUE(stream.ToString() == payload);
    const int port = Data.AnnouncedPort();
    EXPECT_EQ(Server.Commands(), (Lines{"PORT 127,0,0,1," + std::to_string(port / 256) + "," +
                                            std::to_string(port % 256),
                                        "RETR /f.bin"}));
    EXPECT_EQ(Status, Completed());
    // One transfer, one connection: the listener is gone.
    EXPECT_TRUE(Refuses(port));
}

TEST_F(ActiveTransfer, ResumedRetrieveFileSendsRestWithTheLocalSizeAndAppends) {
    TempDir dir;
    const std::string head = RandomBytes(1000, 22);
    WriteFileBytes(dir.File("f.bin"), head);
    Data.ServeActive(Server, SendAndClose("tail bytes"));
    Server.Reply("350 Restarting at 1")
        .Reply("350 Restarting at 0")
        .Reply("200 PORT ok")
        .Reply("350 Restarting at 1000")
        .ReplyRaw("150 Opening\r\n226 Done\r\n");
    Client.RetrieveFile("/f.bin", dir.File("f.bin"), false, true);
    Data.Join();
    const Lines commands = Server.Commands();
    ASSERT_EQ(commands.size(), 5u);
    EXPECT_EQ(commands[0], "REST 1");
    EXPECT_EQ(commands[1], "REST 0");
    EXPECT_EQ(commands[2].rfind("PORT 127,0,0,1,", 0), 0u);
    EXPECT_EQ(commands[3], "REST 1000");
    EXPECT_EQ(commands[4], "RETR /f.bin");
    EXPECT_TRUE(ReadFileBytes(dir.File("f.bin")) == head + "tail bytes");
}

TEST_F(ActiveTransfer, RestOffsetsBeyondFourGibibytesGoOutWhole) {
    Data.ServeActive(Server, SendAndClose("x"));
    Server.Reply("350 Restarting at 1")
        .Reply("350 Restarting at 0")
        .Reply("200 PORT ok")
        .Reply("350 Restarting")
        .ReplyRaw("150 Opening\r\n226 Done\r\n");
    // A stream that reports a position of 5 GiB, which is all REST looks at;
    // the received byte lands at its real position.
    struct FarStream : TMemoryStream {
        int64_t Far = 5LL << 30;
        int64_t Seek(int64_t offset, TSeekOrigin origin) override {
            if (origin == TSeekOrigin::soCurrent && offset == 0)
                return Far;
            return TMemoryStream::Seek(offset, origin);
        }
    } far;
    Client.RetrieveStream("/big", far, true);
    Data.Join();
    ASSERT_EQ(Server.Commands().size(), 5u);
    EXPECT_EQ(Server.Commands()[3], "REST 5368709120");
}

TEST_F(ActiveTransfer, StoreSendsTheWholeStreamFromItsStart) {
    const std::string data = RandomBytes(1000, 23);
    std::string received;
    Data.ServeActive(Server, ReceiveUntilClose(received));
    Server.Reply("200 PORT ok").ReplyRaw("150 Ok\r\n226 Stored\r\n");
    TMemoryStream stream = StreamOf(data);
    stream.SetPosition(100);
    Client.StoreStream(stream, "/up.bin", false);
    Data.Join();
    EXPECT_TRUE(received == data);
    ASSERT_EQ(Server.Commands().size(), 2u);
    EXPECT_EQ(Server.Commands()[1], "STOR /up.bin");
    EXPECT_EQ(Status, Completed());
}

TEST_F(ActiveTransfer, Reply154IsAcceptedForRetrievalOnly) {
    Data.ServeActive(Server, SendAndClose("abc"));
    Server.Reply("200 PORT ok").ReplyRaw("154 Opening\r\n226 Done\r\n");
    TMemoryStream stream;
    Client.RetrieveStream("/f", stream, false);
    Data.Join();
    EXPECT_EQ(stream.ToString(), "abc");

    Server.Reply("200 PORT ok").Reply("154 Opening");
    TMemoryStream source = StreamOf("abc");
    try {
        Client.StoreStream(source, "/up", false);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 154);
    }
}

TEST_F(ActiveTransfer, Reply110IsRefusedForActiveStoreAndTheListenerCloses) {
    Server.Reply("200 PORT ok").Reply("110 Restart marker");
    TMemoryStream source = StreamOf("abc");
    try {
        Client.StoreStream(source, "/up", false);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 110);
    }
    ASSERT_EQ(Server.Commands().size(), 2u);
    EXPECT_TRUE(Refuses(PortOf(Server.Commands()[0])));
    EXPECT_EQ(Client.DataConnection(), nullptr);
}

TEST_F(ActiveTransfer, Refused425ClosesTheListener) {
    Server.Reply("200 PORT ok").Reply("425 Can't open data connection.");
    TMemoryStream stream;
    try {
        Client.RetrieveStream("/f", stream, false);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 425);
    }
    EXPECT_TRUE(Refuses(PortOf(Server.Commands()[0])));
    EXPECT_EQ(Status, Completed());
}

TEST_F(ActiveTransfer, ServerThatNeverConnectsEndsTheWaitWithAClearError) {
    Client.AcceptTimeout = 1000;
    Server.Reply("200 PORT ok").Reply("150 Opening");
    TMemoryStream stream;
    try {
        Client.RetrieveStream("/f", stream, false);
        FAIL() << "no exception";
    } catch (const EIdAcceptTimeout& e) {
        EXPECT_STREQ(e.what(), "The server did not open the data connection within 1 seconds.");
    }
    EXPECT_EQ(Status, Completed());
    EXPECT_EQ(Client.DataConnection(), nullptr);
    EXPECT_TRUE(Refuses(PortOf(Server.Commands()[0])));
}

TEST_F(ActiveTransfer, RetrieveFileRefusesAnExistingFileBeforeSendingAnything) {
    TempDir dir;
    WriteFileBytes(dir.File("f.txt"), "keep me");
    EXPECT_THROW(Client.RetrieveFile("/f.txt", dir.File("f.txt"), false, false),
                 EIdFTPFileAlreadyExists);
    // Overwrite allowed and resume asked and granted: refused after the probe.
    Server.Reply("350 Restarting at 1").Reply("350 Restarting at 0");
    try {
        Client.RetrieveFile("/f.txt", dir.File("f.txt"), true, true);
        FAIL() << "no exception";
    } catch (const EIdFTPFileAlreadyExists& e) {
        EXPECT_STREQ(e.what(), "Destination file already exists.");
    }
    EXPECT_EQ(Server.Commands(), (Lines{"REST 1", "REST 0"}));
    EXPECT_EQ(ReadFileBytes(dir.File("f.txt")), "keep me");
}

} // namespace
