// The scripted FTP peer behaves as the other tests rely on.
#include "support/fake_ftp_server.h"
#include "support/raw_connection.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

TEST(FakeFtpServer, GreetsThenAnswersFromTheScriptInOrder) {
    FakeFtpServer server;
    server.Reply("331 Password required").ReplyRaw("230-Welcome\r\n230 Logged in\r\n").NoReply();
    RawConnection client = RawConnection::Connect(server.Port());

    EXPECT_EQ(client.ReadExactly(std::string(FakeFtpServer::DefaultGreeting).size()),
              FakeFtpServer::DefaultGreeting);
    client.Send("USER brimol\r\nPASS pelrosta\n");
    EXPECT_EQ(client.ReadLine(), "331 Password required\r\n");
    EXPECT_EQ(client.ReadLine(), "230-Welcome\r\n");
    EXPECT_EQ(client.ReadLine(), "230 Logged in\r\n");
    client.Send("QUIT\r\n");
    ASSERT_TRUE(server.WaitForCommands(3));
    EXPECT_EQ(server.Commands(), (Lines{"USER brimol", "PASS pelrosta", "QUIT"}));
    EXPECT_EQ(server.RawReceived(), "USER brimol\r\nPASS pelrosta\nQUIT\r\n");
    EXPECT_EQ(server.PendingReplies(), 0u);

    // Past the script: a refusal, not silence.
    client.Send("SYST\r\n");
    EXPECT_EQ(client.ReadLine(), FakeFtpServer::UnscriptedReply);
}

TEST(FakeFtpServer, ClosesAsScriptedAndContinuesTheScriptOnTheNextConnection) {
    FakeFtpServer server;
    server.Greeting("220 Hi\r\n").ReplyAndClose("421 Bye").Reply("200 Second");
    {
        RawConnection first = RawConnection::Connect(server.Port());
        EXPECT_EQ(first.ReadLine(), "220 Hi\r\n");
        first.Send("NOOP\r\n");
        EXPECT_EQ(first.ReadUntilClose(), "421 Bye\r\n");
        EXPECT_TRUE(first.PeerClosed());
    }
    ASSERT_TRUE(server.WaitForDisconnect());
    RawConnection second = RawConnection::Connect(server.Port());
    EXPECT_EQ(second.ReadLine(), "220 Hi\r\n");
    second.Send("NOOP\r\n");
    EXPECT_EQ(second.ReadLine(), "200 Second\r\n");
    EXPECT_EQ(server.Connections(), 2);
}

TEST(FakeFtpServer, SendsAndClosesWhenTheTestSaysSo) {
    FakeFtpServer server;
    server.Greeting("");
    server.CloseWithoutReply();
    RawConnection client = RawConnection::Connect(server.Port());
    ASSERT_TRUE(server.SendRawNow("220 late\r\n"));
    EXPECT_EQ(client.ReadLine(), "220 late\r\n");
    server.CloseClient();
    EXPECT_TRUE(client.WaitForClose());
    EXPECT_TRUE(server.WaitForDisconnect());
    EXPECT_TRUE(server.Commands().empty());
}

TEST(FakeFtpServer, NoticesTheClientClosing) {
    FakeFtpServer server;
    RawConnection client = RawConnection::Connect(server.Port());
    ASSERT_TRUE(server.WaitForConnections(1));
    client.Send("QUI");
    client.Close();
    EXPECT_TRUE(server.WaitForDisconnect());
    // A line without its LF is not a command, but its bytes did arrive.
    EXPECT_TRUE(server.Commands().empty());
    EXPECT_EQ(server.RawReceived(), "QUI");
}
