// After a transfer fails, the control connection is not left a reply behind;
// and in active mode the wait for the server's connection listens to the
// control connection and is bounded by the read time-out.
#include "core/exceptions.h"
#include "transfer_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

struct TransferFailure : TransferFixture {
    // Breaks the data connection once RETR (after PASV) has come.
    DataPeer::Action SendAndResetAfterRetr() {
        return [this](RawConnection& connection) {
            Server.WaitForCommands(2);
            connection.Send(std::string(1000, 'b'));
            connection.Abort();
        };
    }
};
using Clock = std::chrono::steady_clock;

TEST_F(TransferFailure, ABrokenDataConnectionLeavesNoReplyBehind) {
    Client.Passive = true;
    Data.ServePassive(SendAndResetAfterRetr());
    Server.Reply(Data.PasvReply())
        .ReplyRaw("150 Opening\r\n426 Connection reset by peer\r\n")
        .Reply("257 \"/home\" is the current directory");
    TMemoryStream stream;
    EXPECT_THROW(Client.RetrieveStream("/f", stream, false), EIdSocketError);
    Data.Join();
    EXPECT_EQ(Client.RetrieveCurrentDir(), "/home");
}

TEST_F(TransferFailure, AServerThatOwesTheReplyAndStaysSilentIsDropped) {
    Client.Passive = true;
    Client.ReadTimeout = 300;
    Data.ServePassive(SendAndResetAfterRetr());
    Server.Reply(Data.PasvReply()).Reply("150 Opening");
    TMemoryStream stream;
    EXPECT_THROW(Client.RetrieveStream("/f", stream, false), EIdSocketError);
    Data.Join();
    // The next use logs in again instead of reading a late reply as its own.
    EXPECT_FALSE(Client.IsConnected());
}

TEST_F(TransferFailure, ActiveModeFailsAtOnceWhenTheServerCannotConnectBack) {
    Client.AcceptTimeout = 60000;
    Client.ReadTimeout = 20000;
    // The refusal comes with the preliminary reply, and then on its own.
    Server.Reply("200 PORT ok")
        .ReplyRaw("150 Opening\r\n425 Can't open data connection\r\n")
        .Reply("200 PORT ok")
        .Reply("150 Opening");
    const auto start = Clock::now();
    TMemoryStream stream;
    try {
        Client.RetrieveStream("/f", stream, false);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 425);
    }
    std::thread refuser([&] {
        if (Server.WaitForCommands(4))
            Server.SendRawNow("421 Cannot connect to your data port\r\n");
    });
    try {
        Client.RetrieveStream("/f", stream, false);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 421);
        EXPECT_STREQ(e.what(), "Cannot connect to your data port\r\n");
    }
    refuser.join();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

TEST_F(TransferFailure, TheAcceptWaitEndsWithTheReadTimeout) {
    Client.ReadTimeout = 500;
    Server.Reply("200 PORT ok").Reply("150 Opening");
    const auto start = Clock::now();
    TMemoryStream stream;
    try {
        Client.RetrieveStream("/f", stream, false);
        FAIL() << "no exception";
    } catch (const EIdAcceptTimeout& e) {
        EXPECT_STREQ(e.what(), "The server did not open the data connection within 1 seconds.");
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

} // namespace
