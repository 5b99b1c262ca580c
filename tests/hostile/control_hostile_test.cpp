// Servers that misbehave on the control connection: what the user gets (the
// exception and its message), and that the client logs in again afterwards.
#include "core/exceptions.h"
#include "hostile_fixture.h"
#include "support/loopback_peer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

namespace {

using ControlHostile = HostileFixture;

TEST_F(ControlHostile, MegabyteReplyLineWithoutLineEndIsRefusedAtTheLineLimit) {
    Server.Greeting("220 " + std::string(1 << 20, 'x'));
    const Failure f = FailureOf([&] { Client.ConnectServer(false); });
    EXPECT_EQ(f.Class, "EIdReadLnMaxLineLengthExceeded");
    EXPECT_EQ(f.Message, "Max line length exceeded.");
    // Refused before the rest arrived: only what one receive brought is held.
    EXPECT_LE(Client.PendingInput().Size(), int64_t{Client.RecvBufferSize});
    EXPECT_FALSE(Client.IsConnected());
    ExpectUsableAgain();
}

TEST_F(ControlHostile, EndlessMultiLineReplyIsCutOffAtTheLineCap) {
    LogIn();
    std::string flood = "211-Status follows\r\n";
    for (int i = 0; i < 3 * TIdTCPConnection::MaxReplyLines; ++i)
        flood += "211-and more\r\n";
    Server.ReplyRaw(flood);
    const Failure f = FailureOf([&] { Client.SendCommand("STAT", 211); });
    EXPECT_EQ(f.Class, "EIdPeerLimitExceeded");
    EXPECT_EQ(f.Message, "Reply has more than 10000 lines.");
    ExpectUsableAgain();
}

TEST_F(ControlHostile, EndlessBlankLinesCountAgainstTheLineCap) {
    // Blank lines are skipped between reply lines; a server sending nothing
    // else is cut off like one sending text, not read for ever.
    LogIn();
    std::string flood;
    for (int i = 0; i < 2 * TIdTCPConnection::MaxReplyLines; ++i)
        flood += "\r\n";
    Server.ReplyRaw(flood);
    const Failure f = FailureOf([&] { Client.SendCommand("NOOP", 200); });
    EXPECT_EQ(f.Class, "EIdPeerLimitExceeded");
    ExpectUsableAgain();
}

TEST_F(ControlHostile, ReplyStoppingMidLineThenClosingEndsGracefully) {
    LogIn();
    Server.ReplyRaw("211 Sta");
    // The server thread sends the piece before it sees the close request.
    std::thread closer([&] {
        if (Server.WaitForCommands(4))
            Server.CloseClient();
    });
    const Failure f = FailureOf([&] { Client.SendCommand("STAT", 211); });
    closer.join();
    EXPECT_EQ(f.Class, "EIdConnClosedGracefully");
    EXPECT_EQ(f.Message, "Connection Closed Gracefully.");
    EXPECT_FALSE(Client.IsConnected());
    ExpectUsableAgain();
}

TEST_F(ControlHostile, GarbageInsteadOfACodeIsRefused) {
    Server.Greeting("hello, this is no FTP server\r\n");
    Failure f = FailureOf([&] { Client.ConnectServer(false); });
    EXPECT_EQ(f.Class, "EIdProtocolReplyError");
    EXPECT_EQ(f.Code, 0);
    // The text from the fifth character on, as for any reply.
    EXPECT_EQ(f.Message, "o, this is no FTP server\r\n");
    EXPECT_FALSE(Client.IsConnected());
    ExpectUsableAgain();

    Server.Reply("OK, fine");
    f = FailureOf([&] { Client.SendCommand("NOOP", 200); });
    EXPECT_EQ(f.Class, "EIdProtocolReplyError");
    EXPECT_EQ(f.Code, 0);
    EXPECT_EQ(f.Message, "fine\r\n");
    ExpectUsableAgain();
}

TEST_F(ControlHostile, Greeting120IsRefusedAndTheConnectionDropped) {
    Server.Greeting("120 Service ready in 10 minutes\r\n");
    const Failure f = FailureOf([&] { Client.ConnectServer(false); });
    EXPECT_EQ(f.Class, "EIdProtocolReplyError");
    EXPECT_EQ(f.Code, 120);
    EXPECT_EQ(f.Message, "Service ready in 10 minutes\r\n");
    EXPECT_FALSE(Client.IsConnected());
    ExpectUsableAgain();
}

TEST_F(ControlHostile, DataBytesOnTheControlConnectionAreRefusedAsAReply) {
    LogIn();
    std::mt19937 engine(8);
    std::string bytes(64 * 1024, '\0');
    for (char& c : bytes)
        c = static_cast<char>(engine() & 0xFF);
    Server.ReplyRaw(bytes);
    const Failure f = FailureOf([&] { Client.SendCommand("SYST", 215); });
    EXPECT_EQ(f.Class, "EIdProtocolReplyError");
    EXPECT_EQ(f.Code, 0);
    ExpectUsableAgain();
}

TEST_F(ControlHostile, ServerThatStopsMidReplyTimesOut) {
    LogIn();
    Client.ReadTimeout = 300;
    Server.ReplyRaw("211-Status follows\r\n211-first line\r\n211-sec");
    const Failure f = FailureOf([&] { Client.SendCommand("STAT", 211); });
    EXPECT_EQ(f.Class, "EIdReadTimeout");
    EXPECT_EQ(f.Message, "Read Timeout");
    // The connection stays open; the user signs off and logs in again.
    EXPECT_TRUE(Client.IsConnected());
    ExpectUsableAgain();
}

TEST_F(ControlHostile, ServerThatStopsAnsweringTheGreetingTimesOut) {
    Server.Greeting("");
    Client.ReadTimeout = 300;
    const Failure f = FailureOf([&] { Client.ConnectServer(false); });
    EXPECT_EQ(f.Class, "EIdReadTimeout");
    EXPECT_FALSE(Client.IsConnected());
    ExpectUsableAgain();
}

TEST_F(ControlHostile, RepliesPushedBetweenCommandsAreNotTakenAsTheNextAnswer) {
    Server.Reply("331 Password required").ReplyRaw("230 Logged in\r\n226 Transfer complete\r\n");
    Client.Username = "brimol";
    Client.Password = "pelrosta";
    Client.ConnectServer(false);
    Client.SignOn();
    // One more after the login, readable before the next command goes out.
    ASSERT_TRUE(Server.SendRawNow("250 Requested file action okay\r\n"));
    ASSERT_TRUE(Client.IOHandler()->InputReady(10000));
    Server.Reply("200 NOOP ok").Reply("215 UNIX Type: L8");
    EXPECT_EQ(Client.SendCommand("NOOP", 200), 200);
    EXPECT_EQ(Client.SendCommand("SYST", 215), 215);
    EXPECT_EQ(Client.LastReply().Text(), (Lines{"UNIX Type: L8"}));
    ExpectUsableAgain();
}

TEST_F(ControlHostile, ReplyTricklingEndlessLinesTimesOutWithinTheReadTimeout) {
    // Every byte comes well within the read time-out, but the reply never ends.
    Server.Greeting("");
    Client.ReadTimeout = 500;
    std::atomic<bool> stop{false};
    std::thread trickler([&] {
        if (!Server.WaitForConnections(1))
            return;
        const std::string line = "220-and more\r\n";
        // Gives up after a while, so that a client that keeps reading fails
        // the test instead of hanging it.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (size_t i = 0; !stop && std::chrono::steady_clock::now() < giveUp; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (!Server.SendRawNow(line.substr(i % line.size(), 1), std::chrono::milliseconds(200)))
                return;
        }
        if (!stop)
            Server.CloseClient();
    });
    const auto start = std::chrono::steady_clock::now();
    const Failure f = FailureOf([&] { Client.ConnectServer(false); });
    const auto took = std::chrono::steady_clock::now() - start;
    stop = true;
    trickler.join();
    EXPECT_EQ(f.Class, "EIdReadTimeout");
    EXPECT_EQ(f.Message, "Read Timeout");
    EXPECT_LT(took, std::chrono::milliseconds(2500));
    EXPECT_FALSE(Client.IsConnected());
    ExpectUsableAgain();
}

TEST_F(ControlHostile, ControlBytesInAReplyAreRefusedAsMalformed) {
    LogIn();
    Server.ReplyRaw(std::string("200 NOOP\0 ok\r\n", 14));
    const Failure f = FailureOf([&] { Client.SendCommand("NOOP", 200); });
    // Caught as a refused reply, with no code to trust.
    EXPECT_EQ(f.Class, "EIdProtocolReplyError");
    EXPECT_EQ(f.Code, 0);
    EXPECT_EQ(f.Message, "Malformed server reply.");
    EXPECT_EQ(Client.LastReply().NumericCode(), 0);
    ExpectUsableAgain();
}

// A server answering one byte every 100 ms: slow, but every byte comes within
// the read time-out, so the login works.
TEST(SlowServer, OneBytePerHundredMillisecondsStillLogsIn) {
    LoopbackPeer peer;
    std::string received;
    std::thread server([&] {
        if (!peer.AcceptOne())
            return;
        auto trickle = [&](const std::string& bytes) {
            for (char c : bytes) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                if (!peer.Send(std::string(1, c)))
                    return;
            }
        };
        trickle("220 hi\r\n");
        received += peer.ReadLine();
        trickle("331 p\r\n");
        received += peer.ReadLine();
        trickle("230-a\r\n230 b\r\n");
        received += peer.ReadLine();
        peer.Send("502 FEAT not implemented\r\n");
        peer.WaitForClose();
    });
    TIdFTP client;
    client.Host = "127.0.0.1";
    client.Port = peer.Port();
    client.Username = "u";
    client.Password = "p";
    client.ReadTimeout = 5000;
    const Failure f = FailureOf([&] {
        client.ConnectServer(false);
        client.SignOn();
    });
    client.DropConnection();
    server.join();
    EXPECT_EQ(f.Class, "none") << f.Message;
    EXPECT_EQ(client.WelcomeReply().Text(), (Lines{"hi"}));
    EXPECT_EQ(client.LoginReply().NumericCode(), 230);
    EXPECT_EQ(client.LoginReply().Text(), (Lines{"a", "b"}));
    EXPECT_EQ(received, "USER u\r\nPASS p\r\nFEAT\r\n");
}

} // namespace
