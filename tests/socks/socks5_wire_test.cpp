// SOCKS 5 against a scripted proxy: method selection, user name and password,
// the connect request, every reply code, each form of bound address, replies
// in pieces and a proxy that goes away at each step.
#include "socks_test_util.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string NoAuthChosen = Bytes({5, 0});
const std::string PasswordChosen = Bytes({5, 2});
const std::string LoginAccepted = Bytes({1, 0});
// Success with an IPv4 bound address: 10 bytes in all.
const std::string BoundIPv4 = Bytes({5, 0, 0, 1, 10, 9, 8, 7, 0x04, 0x38});

// The connect request for a destination name and port.
std::string ConnectRequest(const std::string& host, int port) {
    return Bytes({5, 1, 0, 3, static_cast<int>(host.size())}) + host +
           Bytes({port >> 8, port & 0xFF});
}

TEST(Socks5Request, WithoutAuthenticationTheDestinationGoesAsAName) {
    ThroughProxy link(TSocksVersion::svSocks5);
    const std::string request = ConnectRequest("10.1.2.3", 21);
    link.Proxy.Expect(3).Answer(NoAuthChosen).Expect(request.size()).Answer(BoundIPv4);
    link.ConnectTo("10.1.2.3", 21);
    link.Client.WriteLine("NOOP");
    const std::string expected = Bytes({5, 1, 0}) + request + "NOOP\r\n";
    ASSERT_TRUE(link.Proxy.WaitForReceived(expected.size())) << link.Proxy.Failure();
    EXPECT_EQ(link.Proxy.Received(), expected);
    EXPECT_EQ(request, Bytes({5, 1, 0, 3, 8, '1', '0', '.', '1', '.', '2', '.', '3', 0, 21}));
}

TEST(Socks5Request, AnIPv6DestinationGoesAsAddressTypeFourWithSixteenBytes) {
    ThroughProxy link(TSocksVersion::svSocks5);
    const std::string request =
        Bytes({5, 1, 0, 4, 0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0x08, 0x49});
    link.Proxy.Expect(3).Answer(NoAuthChosen).Expect(request.size()).Answer(BoundIPv4);
    link.ConnectTo("2001:DB8::5", 2121);
    ASSERT_TRUE(link.Proxy.WaitForReceived(3 + request.size())) << link.Proxy.Failure();
    EXPECT_EQ(link.Proxy.Received(), Bytes({5, 1, 0}) + request);
}

TEST(Socks5Request, UserNameAndPasswordAreSentBetweenMethodAndConnect) {
    ThroughProxy link(TSocksVersion::svSocks5);
    TIdSocksInfo& socks = link.Settings();
    socks.Authentication = TSocksAuthentication::saUsernamePassword;
    socks.Username = "alice";
    socks.Password = "s3cr3t!";
    const std::string login = Bytes({1, 5}) + "alice" + Bytes({7}) + "s3cr3t!";
    const std::string request = ConnectRequest("ftp.example.org", 2121);
    link.Proxy.Expect(3)
        .Answer(PasswordChosen)
        .Expect(login.size())
        .Answer(LoginAccepted)
        .Expect(request.size())
        .Answer(BoundIPv4);
    link.ConnectTo("ftp.example.org", 2121);
    const std::string expected = Bytes({5, 1, 2}) + login + request;
    ASSERT_TRUE(link.Proxy.WaitForReceived(expected.size()));
    EXPECT_EQ(link.Proxy.Received(), expected);
}

TEST(Socks5Request, ANameOf255BytesFitsTheLengthField) {
    ThroughProxy link(TSocksVersion::svSocks5);
    const std::string host(255, 'n');
    const std::string request = ConnectRequest(host, 21);
    link.Proxy.Expect(3).Answer(NoAuthChosen).Expect(request.size()).Answer(BoundIPv4);
    link.ConnectTo(host, 21);
    ASSERT_TRUE(link.Proxy.WaitForReceived(3 + request.size()));
    EXPECT_EQ(link.Proxy.Received(), Bytes({5, 1, 0}) + request);
}

TEST(Socks5Reply, EveryBoundAddressFormIsReadWholeAndNothingMore) {
    struct Form {
        const char* Name;
        std::string Reply;
    };
    const Form forms[] = {
        {"IPv4", BoundIPv4},
        {"domain name", Bytes({5, 0, 0, 3, 11}) + "proxy.local" + Bytes({0, 21})},
        {"IPv6", Bytes({5, 0, 0, 4}) + std::string(16, '\x01') + Bytes({0, 21})},
        {"unknown type", Bytes({5, 0, 0, 9, 0xAA, 0, 21})},
    };
    for (const Form& form : forms) {
        SCOPED_TRACE(form.Name);
        ThroughProxy link(TSocksVersion::svSocks5);
        const std::string request = ConnectRequest("10.1.2.3", 21);
        // The greeting travels in the same piece as the reply's end.
        link.Proxy.Expect(3)
            .Answer(NoAuthChosen)
            .Expect(request.size())
            .Answer(form.Reply + "220 Tunnel\r\n");
        link.ConnectTo("10.1.2.3", 21);
        EXPECT_EQ(link.Client.ReadLine(), "220 Tunnel");
    }
}

TEST(Socks5Reply, EveryRefusedMethodChoice) {
    struct Case {
        TSocksAuthentication Offered;
        std::string Choice;
    };
    const Case cases[] = {
        {TSocksAuthentication::saNoAuthentication, Bytes({5, 0xFF})},
        // Method 2 was not offered.
        {TSocksAuthentication::saNoAuthentication, PasswordChosen},
        {TSocksAuthentication::saUsernamePassword, Bytes({5, 0xFF})},
        {TSocksAuthentication::saUsernamePassword, NoAuthChosen},
    };
    const Refusal refusal =
        SOCKS_REFUSAL(0, EIdSocksAuthMethodError, "Invalid socks authentication method.");
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Choice[1]));
        ThroughProxy link(TSocksVersion::svSocks5);
        link.Settings().Authentication = c.Offered;
        link.Settings().Username = "alice";
        link.Proxy.Expect(3).Answer(c.Choice);
        ExpectRefusal([&] { link.ConnectTo("10.1.2.3", 21); }, refusal);
        EXPECT_FALSE(link.Handler.HasOpenSocket());
        // Nothing follows the method offer.
        ASSERT_TRUE(link.Proxy.WaitForEnd());
        EXPECT_EQ(link.Proxy.Received().size(), 3u);
    }
}

TEST(Socks5Reply, ARefusedLoginIsAnAuthenticationError) {
    ThroughProxy link(TSocksVersion::svSocks5);
    link.Settings().Authentication = TSocksAuthentication::saUsernamePassword;
    link.Settings().Username = "alice";
    link.Settings().Password = "wrong";
    link.Proxy.Expect(3).Answer(PasswordChosen).Expect(13).Answer(Bytes({1, 1}));
    ExpectRefusal([&] { link.ConnectTo("10.1.2.3", 21); },
                  SOCKS_REFUSAL(1, EIdSocksAuthError, "Authentication error to socks server."));
    ASSERT_TRUE(link.Proxy.WaitForEnd());
    EXPECT_EQ(link.Proxy.Received().size(), 16u);
}

TEST(Socks5Reply, EveryReplyCodeHasItsClassAndMessage) {
    const Refusal refusals[] = {
        SOCKS_REFUSAL(1, EIdSocksServerGeneralError, "General SOCKS server failure."),
        SOCKS_REFUSAL(2, EIdSocksServerPermissionError, "Connection not allowed by ruleset."),
        SOCKS_REFUSAL(3, EIdSocksServerNetUnreachableError, "Network unreachable."),
        SOCKS_REFUSAL(4, EIdSocksServerHostUnreachableError, "Host unreachable."),
        SOCKS_REFUSAL(5, EIdSocksServerConnectionRefusedError, "Connection refused."),
        SOCKS_REFUSAL(6, EIdSocksServerTTLExpiredError, "TTL expired."),
        SOCKS_REFUSAL(7, EIdSocksServerCommandError, "Command not supported."),
        SOCKS_REFUSAL(8, EIdSocksServerAddressError, "Address type not supported."),
        SOCKS_REFUSAL(9, EIdSocksUnknownError, "Unknown socks error."),
        SOCKS_REFUSAL(255, EIdSocksUnknownError, "Unknown socks error."),
    };
    const std::string request = ConnectRequest("10.1.2.3", 21);
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.Code);
        ThroughProxy link(TSocksVersion::svSocks5);
        link.Proxy.Expect(3)
            .Answer(NoAuthChosen)
            .Expect(request.size())
            .Answer(Bytes({5, refusal.Code, 0, 1, 0, 0, 0, 0, 0, 0}));
        ExpectRefusal([&] { link.ConnectTo("10.1.2.3", 21); }, refusal);
        EXPECT_FALSE(link.Handler.HasOpenSocket());
    }
}

TEST(Socks5Reply, EveryAnswerInSinglePiecesLeavesNothingForTheTunnel) {
    ThroughProxy link(TSocksVersion::svSocks5);
    link.Settings().Authentication = TSocksAuthentication::saUsernamePassword;
    link.Settings().Username = "u";
    link.Settings().Password = "p";
    const std::string request = ConnectRequest("10.1.2.3", 21);
    link.Proxy.Expect(3)
        .AnswerByteByByte(PasswordChosen)
        .Expect(5)
        .AnswerByteByByte(LoginAccepted)
        .Expect(request.size())
        .AnswerByteByByte(Bytes({5, 0, 0, 3, 11}) + "proxy.local" + Bytes({0, 21}) +
                          "220 Tunnel\r\n");
    link.ConnectTo("10.1.2.3", 21);
    EXPECT_EQ(link.Client.ReadLine(), "220 Tunnel");
}

TEST(Socks5Reply, AProxyThatClosesAtAnyStepDidNotRespond) {
    const std::string request = ConnectRequest("10.1.2.3", 21);
    struct Case {
        const char* Step;
        std::function<void(ScriptedSocksProxy&)> Script;
    };
    const Case cases[] = {
        {"before the method choice", [](ScriptedSocksProxy& p) { p.Expect(3).Close(); }},
        {"mid method choice", [](ScriptedSocksProxy& p) { p.Expect(3).Answer("\x05").Close(); }},
        {"mid login reply",
         [](ScriptedSocksProxy& p) {
             p.Expect(3).Answer(PasswordChosen).Expect(5).Answer("\x01").Close();
         }},
        {"mid connect reply",
         [&](ScriptedSocksProxy& p) {
             p.Expect(3).Answer(PasswordChosen).Expect(5).Answer(LoginAccepted);
             p.Expect(request.size()).Answer(Bytes({5, 0, 0})).Close();
         }},
        {"mid bound address",
         [&](ScriptedSocksProxy& p) {
             p.Expect(3).Answer(PasswordChosen).Expect(5).Answer(LoginAccepted);
             p.Expect(request.size()).Answer(Bytes({5, 0, 0, 3, 11}) + "prox").Close();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Step);
        ThroughProxy link(TSocksVersion::svSocks5);
        link.Settings().Authentication = TSocksAuthentication::saUsernamePassword;
        link.Settings().Username = "u";
        link.Settings().Password = "p";
        c.Script(link.Proxy);
        ExpectRefusal([&] { link.ConnectTo("10.1.2.3", 21); }, NoResponse);
        EXPECT_FALSE(link.Handler.HasOpenSocket());
    }
}

} // namespace
