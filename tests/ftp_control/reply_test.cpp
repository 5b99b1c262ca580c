// Reading numeric replies: multi-line forms, odd terminators, refusals.
#include "core/exceptions.h"
#include "ftp/ftp_client.h"
#include "support/fake_ftp_server.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// A client connected to the fake server, greeting read, not logged in.
struct Connected {
    FakeFtpServer Server;
    TIdFTP Client;
    explicit Connected(std::string greeting = FakeFtpServer::DefaultGreeting) {
        Server.Greeting(std::move(greeting));
    }
    void Connect() {
        Client.Host = "127.0.0.1";
        Client.Port = Server.Port();
        Client.ConnectServer(false);
    }
};

TEST(ParseReply, CodeTextCodeAndLinesWithoutTheirFirstFourCharacters) {
    TIdRFCReply reply;
    reply.ParseReply({"220-Welcome", "220-second line", "220 Ready"});
    EXPECT_EQ(reply.NumericCode(), 220);
    EXPECT_EQ(reply.TextCode(), "220");
    EXPECT_EQ(reply.Text(), (Lines{"Welcome", "second line", "Ready"}));

    reply.ParseReply({"abc def"});
    EXPECT_EQ(reply.TextCode(), "abc");
    EXPECT_EQ(reply.NumericCode(), 0);
    EXPECT_EQ(reply.Text(), (Lines{"def"}));

    reply.ParseReply({});
    EXPECT_EQ(reply.NumericCode(), 0);
    EXPECT_TRUE(reply.Text().empty());
}

TEST(ParseReply, SettingCodesKeepsBothFormsInStep) {
    TIdRFCReply reply;
    reply.SetNumericCode(331);
    EXPECT_EQ(reply.TextCode(), "331");
    reply.SetTextCode("xyz");
    EXPECT_EQ(reply.NumericCode(), 0);
    TIdRFCReply copy;
    copy.Assign(reply);
    EXPECT_EQ(copy.TextCode(), "xyz");
}

TEST(ReadReply, MultiLineGreetingBecomesTheWelcomeReply) {
    Connected c;
    c.Connect();
    EXPECT_EQ(c.Client.WelcomeReply().NumericCode(), 220);
    EXPECT_EQ(c.Client.WelcomeReply().Text(), (Lines{"Scrivlet test server", "Ready"}));
}

TEST(ReadReply, InnerLinesLoseFourCharactersWhetherOrNotTheyCarryTheCode) {
    Connected c;
    c.Connect();
    c.Server.ReplyRaw("230-Hello\r\n   hello there\r\n\r\n230 Done\r\n");
    EXPECT_EQ(c.Client.SendCommand("X", 230), 230);
    EXPECT_EQ(c.Client.LastReply().Text(), (Lines{"Hello", "o there", "Done"}));
}

TEST(ReadReply, ShortLineEndsAMultiLineReply) {
    Connected c;
    c.Connect();
    c.Server.ReplyRaw("226-first\r\nmiddle\r\n226 \r\n");
    c.Server.Reply("200 next");
    EXPECT_EQ(c.Client.SendCommand("X", 226), 226);
    EXPECT_EQ(c.Client.LastReply().Text(), (Lines{"first", "le", ""}));
    EXPECT_EQ(c.Client.SendCommand("Y", 200), 200);
}

TEST(ReadReply, TerminatorIsComparedWithoutRegardToCase) {
    Connected c("abc-one\r\nABC two\r\n");
    c.Client.Host = "127.0.0.1";
    c.Client.Port = c.Server.Port();
    // The greeting is not 220: refused, and the connection is dropped.
    try {
        c.Client.ConnectServer(false);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 0);
        EXPECT_STREQ(e.what(), "one\r\ntwo\r\n");
    }
    EXPECT_FALSE(c.Client.IsConnected());
}

TEST(ReadReply, RefusedCodeRaisesWithTheTextAndKeepsTheConnection) {
    Connected c;
    c.Connect();
    c.Server.ReplyRaw("550-No such file\r\n550 Really not\r\n");
    try {
        c.Client.SendCommand("RETR x", 150);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 550);
        EXPECT_STREQ(e.what(), "No such file\r\nReally not\r\n");
    }
    EXPECT_EQ(c.Client.LastReply().NumericCode(), 550);
    EXPECT_TRUE(c.Client.IsConnected());
}

TEST(ReadReply, RawCommandAcceptsAnyCodeEvenNoNumber) {
    Connected c;
    c.Connect();
    c.Server.Reply("abc def");
    EXPECT_EQ(c.Client.SendRawCommand("HELP"), 0);
}

TEST(ReadReply, GreetingOtherThan220IsRefusedAndDropped) {
    Connected c("120 Wait a while\r\n");
    c.Client.Host = "127.0.0.1";
    c.Client.Port = c.Server.Port();
    try {
        c.Client.ConnectServer(false);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 120);
    }
    EXPECT_FALSE(c.Client.IsConnected());
}

TEST(ReadReply, ServerClosingMidReplyRaisesClosedGracefully) {
    Connected c;
    c.Connect();
    c.Server.ReplyAndClose("211-Status begins but never ends");
    EXPECT_THROW(c.Client.SendCommand("STAT", 211), EIdConnClosedGracefully);
    EXPECT_FALSE(c.Client.IsConnected());
}

TEST(ReadReply, EndlessMultiLineReplyIsCutOff) {
    Connected c;
    c.Connect();
    std::string flood = "211-start\r\n";
    for (int i = 0; i < TIdTCPConnection::MaxReplyLines; ++i)
        flood += " more\r\n";
    c.Server.ReplyRaw(flood);
    EXPECT_THROW(c.Client.SendCommand("STAT", 211), EIdPeerLimitExceeded);
}

TEST(ReadReply, LineOverTheLimitIsRefused) {
    Connected c;
    c.Connect();
    c.Server.ReplyRaw("200 " + std::string(20000, 'x') + "\r\n");
    EXPECT_THROW(c.Client.SendCommand("NOOP", 200), EIdReadLnMaxLineLengthExceeded);
}

} // namespace
