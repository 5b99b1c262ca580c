// Where the negotiation sits in the connect sequence: no proxy means no SOCKS
// bytes, over-long values are refused before any byte goes out, an FTP
// greeting arrives intact behind the proxy's reply, and shared settings
// negotiate through the connection being made.
#include "ftp/ftp_client.h"
#include "socks_test_util.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string Greeting = "220 Scripted greeting\r\n";

TEST(SocksConnect, WithoutAVersionTheDestinationIsDialledAndNoSocksByteIsSent) {
    ScriptedSocksProxy proxy;
    ScriptedSocksProxy server; // here a plain FTP peer
    server.Answer(Greeting);
    TIdIOHandlerSocket handler;
    TIdSocksInfo& socks = *handler.SocksInfo();
    socks.Host = "127.0.0.1";
    socks.Port = proxy.Port();
    {
        TIdFTP ftp;
        ftp.SetIOHandler(&handler);
        ftp.Host = "127.0.0.1";
        ftp.Port = server.Port();
        ftp.ConnectServer(false);
        EXPECT_EQ(ftp.WelcomeReply().NumericCode(), 220);
        EXPECT_EQ(handler.SocketHandle()->RemotePort, server.Port());
        ftp.DropConnection();
    }
    ASSERT_TRUE(server.WaitForEnd());
    EXPECT_EQ(server.Received(), "");
    EXPECT_EQ(proxy.Connections(), 0);
}

TEST(SocksConnect, AnFtpGreetingBehindADomainNameBoundAddressArrivesWhole) {
    for (const bool bytewise : {false, true}) {
        SCOPED_TRACE(bytewise ? "byte by byte" : "in one piece");
        ScriptedSocksProxy proxy;
        const std::string request = Bytes({5, 1, 0, 3, 15}) + "ftp.example.org" + Bytes({0, 21});
        const std::string reply = Bytes({5, 0, 0, 3, 11}) + "proxy.local" + Bytes({0, 21});
        proxy.Expect(3).Answer(Bytes({5, 0})).Expect(request.size());
        if (bytewise)
            proxy.AnswerByteByByte(reply + Greeting);
        else
            proxy.Answer(reply + Greeting);
        TIdIOHandlerSocket handler;
        handler.SocksInfo()->Version = TSocksVersion::svSocks5;
        handler.SocksInfo()->Host = "127.0.0.1";
        handler.SocksInfo()->Port = proxy.Port();
        TIdFTP ftp;
        ftp.SetIOHandler(&handler);
        ftp.Host = "ftp.example.org";
        ftp.Port = 21;
        ftp.ConnectServer(false);
        EXPECT_EQ(ftp.WelcomeReply().NumericCode(), 220);
        EXPECT_EQ(ftp.WelcomeReply().Text(), (std::vector<std::string>{"Scripted greeting"}));
        EXPECT_EQ(proxy.Received(), Bytes({5, 1, 0}) + request);
        ftp.DropConnection();
    }
}

TEST(SocksConnect, OverLongValuesAreRefusedBeforeAnyByteIsSent) {
    struct Case {
        const char* What;
        TSocksVersion Version;
        TSocksAuthentication Authentication;
        std::string Username;
        std::string Password;
        std::string Host;
        const char* Message;
    };
    const auto none = TSocksAuthentication::saNoAuthentication;
    const auto password = TSocksAuthentication::saUsernamePassword;
    const Case cases[] = {
        {"SOCKS 5 name", TSocksVersion::svSocks5, none, "", "", std::string(256, 'h'),
         "Host name too long for the socks request (256 bytes)."},
        {"SOCKS 5 user name", TSocksVersion::svSocks5, password, std::string(256, 'u'), "p",
         "ftp.example.org", "Socks user name or password too long (256 bytes)."},
        {"SOCKS 5 password", TSocksVersion::svSocks5, password, "u", std::string(300, 'p'),
         "ftp.example.org", "Socks user name or password too long (300 bytes)."},
        {"SOCKS 4 user id", TSocksVersion::svSocks4, none, std::string(256, 'u'), "", "10.1.2.3",
         "Socks user name or password too long (256 bytes)."},
        {"SOCKS 4A user id and name", TSocksVersion::svSocks4A, none, std::string(100, 'u'), "",
         std::string(155, 'h'), "Host name too long for the socks request (155 bytes)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ThroughProxy link(c.Version);
        link.Settings().Authentication = c.Authentication;
        link.Settings().Username = c.Username;
        link.Settings().Password = c.Password;
        try {
            link.ConnectTo(c.Host, 21);
            ADD_FAILURE() << "no exception";
        } catch (const EIdSocksRequestTooLong& e) {
            EXPECT_STREQ(e.what(), c.Message);
        }
        EXPECT_FALSE(link.Handler.HasOpenSocket());
        ASSERT_TRUE(link.Proxy.WaitForEnd());
        EXPECT_EQ(link.Proxy.Received(), "");
    }
}

TEST(SocksConnect, CredentialsThatAreNotSentAreNotChecked) {
    ThroughProxy link(TSocksVersion::svSocks5);
    link.Settings().Username = std::string(300, 'u');
    link.Proxy.Expect(3)
        .Answer(Bytes({5, 0}))
        .Expect(15)
        .Answer(Bytes({5, 0, 0, 1, 0, 0, 0, 0, 0, 0}));
    link.ConnectTo("10.1.2.3", 21);
    EXPECT_TRUE(link.Client.IsConnected());
}

TEST(SocksConnect, SharedSettingsNegotiateThroughTheConnectionBeingMade) {
    ScriptedSocksProxy proxy;
    proxy.Expect(9).Answer(Bytes({0, 90, 0, 0, 0, 0, 0, 0}));
    TIdSocksInfo shared;
    shared.Version = TSocksVersion::svSocks4;
    shared.Host = "127.0.0.1";
    shared.Port = proxy.Port();
    TIdIOHandlerSocket first;
    TIdIOHandlerSocket second;
    first.ReferenceSocksInfo(&shared);
    second.ReferenceSocksInfo(&shared); // the settings now name `second`
    TIdTCPClient client;
    client.SetIOHandler(&first);
    client.Host = "10.1.2.3";
    client.Port = 21;
    client.ConnectToHost();
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(proxy.Received(), Bytes({4, 1, 0, 21, 10, 1, 2, 3, 0}));
}

TEST(SocksConnect, AProxyRefusalEndsAnFtpLoginWithTheRefusal) {
    ScriptedSocksProxy proxy;
    proxy.Expect(3).Answer(Bytes({5, 0})).Expect(15).Answer(Bytes({5, 2, 0, 1, 0, 0, 0, 0, 0, 0}));
    TIdIOHandlerSocket handler;
    handler.SocksInfo()->Version = TSocksVersion::svSocks5;
    handler.SocksInfo()->Host = "127.0.0.1";
    handler.SocksInfo()->Port = proxy.Port();
    TIdFTP ftp;
    ftp.SetIOHandler(&handler);
    ftp.Host = "10.1.2.3";
    ftp.Port = 21;
    ExpectRefusal(
        [&] { ftp.ConnectServer(true); },
        SOCKS_REFUSAL(2, EIdSocksServerPermissionError, "Connection not allowed by ruleset."));
    EXPECT_FALSE(ftp.IsConnected());
}

} // namespace
