// SOCKS 4 and 4A against a scripted proxy: the request bytes, the reply
// statuses, replies in pieces and a proxy that goes away.
#include "socks_test_util.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string Granted = Bytes({0, 90, 0, 0, 0, 0, 0, 0});

std::string Socks4Reply(int status) {
    return Bytes({0, status, 0, 0, 0, 0, 0, 0});
}

TEST(Socks4Request, EmptyUserIdToDottedAddressIsNineBytesThenTheTunnel) {
    ThroughProxy link(TSocksVersion::svSocks4);
    link.Proxy.Expect(9).Answer(Granted);
    link.ConnectTo("10.1.2.3", 21);
    // The proxy is what was dialled.
    EXPECT_EQ(link.Handler.SocketHandle()->RemotePort, link.Proxy.Port());
    link.Client.WriteLine("NOOP");
    const std::string request = Bytes({4, 1, 0, 21, 10, 1, 2, 3, 0});
    ASSERT_TRUE(link.Proxy.WaitForReceived(request.size() + 6)) << link.Proxy.Failure();
    EXPECT_EQ(link.Proxy.Received(), request + "NOOP\r\n");
}

TEST(Socks4Request, UserIdAndANameResolvedByTheClient) {
    ThroughProxy link(TSocksVersion::svSocks4);
    link.Settings().Username = "alice";
    link.Proxy.Expect(14).Answer(Granted);
    link.ConnectTo("localhost", 2121);
    ASSERT_TRUE(link.Proxy.WaitForReceived(14));
    EXPECT_EQ(link.Proxy.Received(), Bytes({4, 1, 0x08, 0x49, 127, 0, 0, 1}) + "alice" + '\0');
}

TEST(Socks4Request, Socks4AWithEmptyUserIdSendsTheNameAfterAddressZeroZeroZeroOne) {
    ThroughProxy link(TSocksVersion::svSocks4A);
    link.Proxy.Expect(21).Answer(Granted);
    link.ConnectTo("example.org", 21);
    ASSERT_TRUE(link.Proxy.WaitForReceived(21));
    EXPECT_EQ(link.Proxy.Received(),
              Bytes({4, 1, 0, 21, 0, 0, 0, 1, 0}) + "example.org" + std::string(1, '\0'));
}

TEST(Socks4Request, Socks4AWithUserIdAndAFullRequestArea) {
    // 8 fixed bytes, 100 + 1 for the user id, 154 + 1 for the name: 264, the most.
    ThroughProxy link(TSocksVersion::svSocks4A);
    const std::string user(100, 'u');
    const std::string host(154, 'h');
    link.Settings().Username = user;
    link.Proxy.Expect(264).Answer(Granted);
    link.ConnectTo(host, 65535);
    ASSERT_TRUE(link.Proxy.WaitForReceived(264)) << link.Proxy.Failure();
    EXPECT_EQ(link.Proxy.Received(),
              Bytes({4, 1, 255, 255, 0, 0, 0, 1}) + user + '\0' + host + '\0');
}

TEST(Socks4Request, AnIPv6DestinationIsRefusedBeforeAnythingIsSent) {
    for (const TSocksVersion version : {TSocksVersion::svSocks4, TSocksVersion::svSocks4A}) {
        ThroughProxy link(version);
        ExpectRefusal([&] { link.ConnectTo("2001:db8::5", 21); },
                      SOCKS_REFUSAL(0, EIdSocks4NoIPv6,
                                    "SOCKS 4 cannot reach the IPv6 address 2001:db8::5; use a "
                                    "SOCKS 5 proxy."));
        EXPECT_TRUE(link.Proxy.WaitForEnd());
        EXPECT_EQ(link.Proxy.Received(), "");
    }
}

TEST(Socks4Reply, EveryRefusalStatusHasItsClassAndMessage) {
    const Refusal refusals[] = {
        SOCKS_REFUSAL(91, EIdSocksRequestFailed, "Request rejected or failed."),
        SOCKS_REFUSAL(92, EIdSocksRequestServerFailed,
                      "Request rejected because SOCKS server cannot connect."),
        SOCKS_REFUSAL(93, EIdSocksRequestIdentFailed,
                      "Request rejected because the client program and identd report different "
                      "user-ids."),
        SOCKS_REFUSAL(0, EIdSocksUnknownError, "Unknown socks error."),
        SOCKS_REFUSAL(94, EIdSocksUnknownError, "Unknown socks error."),
        SOCKS_REFUSAL(255, EIdSocksUnknownError, "Unknown socks error."),
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.Code);
        ThroughProxy link(TSocksVersion::svSocks4);
        link.Proxy.Expect(9).Answer(Socks4Reply(refusal.Code));
        ExpectRefusal([&] { link.ConnectTo("10.1.2.3", 21); }, refusal);
        // ConnectToHost closes the connection to the proxy.
        EXPECT_FALSE(link.Handler.HasOpenSocket());
        EXPECT_TRUE(link.Proxy.WaitForEnd());
    }
}

TEST(Socks4Reply, TheVersionByteIsNotExamined) {
    ThroughProxy link(TSocksVersion::svSocks4);
    link.Proxy.Expect(9).Answer(Bytes({4, 90, 1, 2, 3, 4, 5, 6}));
    link.ConnectTo("10.1.2.3", 21);
    EXPECT_TRUE(link.Client.IsConnected());
}

TEST(Socks4Reply, AReplyInSinglePiecesLeavesNothingForTheTunnel) {
    ThroughProxy link(TSocksVersion::svSocks4A);
    link.Proxy.Expect(21).AnswerByteByByte(Granted + "220 Tunnel\r\n");
    link.ConnectTo("example.org", 21);
    EXPECT_EQ(link.Client.ReadLine(), "220 Tunnel");
}

TEST(Socks4Reply, AProxyThatClosesMidReplyDidNotRespond) {
    ThroughProxy link(TSocksVersion::svSocks4);
    link.Proxy.Expect(9).Answer(Bytes({0, 90, 0})).Close();
    ExpectRefusal([&] { link.ConnectTo("10.1.2.3", 21); }, NoResponse);
    EXPECT_FALSE(link.Handler.HasOpenSocket());
}

TEST(Socks4Reply, AProxyThatClosesWithoutAnsweringDidNotRespond) {
    ThroughProxy link(TSocksVersion::svSocks4);
    link.Proxy.Expect(9).Close();
    ExpectRefusal([&] { link.ConnectTo("10.1.2.3", 21); }, NoResponse);
}

} // namespace
