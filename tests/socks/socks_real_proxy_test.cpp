// FTP sessions through real SOCKS servers on loopback: microsocks for SOCKS 5
// with and without a login, danted for SOCKS 4 and 5. Passive data
// connections go through the same proxy as the control connection. (Dante
// takes SOCKS 4A's 0.0.0.1 for an address, so 4A is covered by the scripted
// proxy only.)
#include "core/exceptions.h"
#include "real_proxies.h"
#include "socks_test_util.h"

#include <gtest/gtest.h>

namespace {

// A loopback port nothing listens on.
int ClosedPort() {
    return FreeLoopbackPort();
}

TEST(Microsocks, Socks5SessionWithoutLogin) {
    Microsocks proxy;
    FtpBehindSocks ftp(TSocksVersion::svSocks5, proxy.Port());
    ftp.RunSession();
}

TEST(Microsocks, Socks5SessionWithUserNameAndPassword) {
    // The data connections need the login too: their settings are a copy.
    Microsocks proxy("socksuser", "sockspass");
    FtpBehindSocks ftp(TSocksVersion::svSocks5, proxy.Port());
    ftp.Socks().Authentication = TSocksAuthentication::saUsernamePassword;
    ftp.Socks().Username = "socksuser";
    ftp.Socks().Password = "sockspass";
    ftp.RunSession();
}

TEST(Microsocks, RefusesAWrongPasswordAndAMissingLogin) {
    Microsocks proxy("socksuser", "sockspass");
    {
        FtpBehindSocks ftp(TSocksVersion::svSocks5, proxy.Port());
        ftp.Socks().Authentication = TSocksAuthentication::saUsernamePassword;
        ftp.Socks().Username = "socksuser";
        ftp.Socks().Password = "wrong";
        ExpectRefusal([&] { ftp.Client.ConnectServer(true); },
                      SOCKS_REFUSAL(1, EIdSocksAuthError, "Authentication error to socks server."));
        EXPECT_FALSE(ftp.Client.IsConnected());
    }
    FtpBehindSocks ftp(TSocksVersion::svSocks5, proxy.Port());
    ftp.Client.Host = "127.0.0.1";
    ExpectRefusal(
        [&] { ftp.Client.ConnectServer(true); },
        SOCKS_REFUSAL(0, EIdSocksAuthMethodError, "Invalid socks authentication method."));
}

TEST(Microsocks, ReportsARefusedDestination) {
    Microsocks proxy;
    ThroughProxy link(TSocksVersion::svSocks5);
    link.Settings().Port = proxy.Port();
    ExpectRefusal([&] { link.ConnectTo("127.0.0.1", ClosedPort()); },
                  SOCKS_REFUSAL(5, EIdSocksServerConnectionRefusedError, "Connection refused."));
}

struct DanteTest : ::testing::Test {
    int Blocked = ClosedPort();
    Dante Proxy{Blocked};

    void TearDown() override {
        if (HasFailure())
            std::cerr << "danted log:\n" << Proxy.Log();
    }
};

TEST_F(DanteTest, Socks4Session) {
    FtpBehindSocks ftp(TSocksVersion::svSocks4, Proxy.Port());
    ftp.RunSession();
    // The control connection and the three data connections.
    EXPECT_TRUE(Proxy.WaitForConnectsPassed(4, DefaultWait));
    EXPECT_EQ(Proxy.ConnectsPassed(), 4);
}

TEST_F(DanteTest, Socks5Session) {
    FtpBehindSocks ftp(TSocksVersion::svSocks5, Proxy.Port());
    ftp.RunSession();
    EXPECT_TRUE(Proxy.WaitForConnectsPassed(4, DefaultWait));
    EXPECT_EQ(Proxy.ConnectsPassed(), 4);
}

TEST_F(DanteTest, RulesetRefusalsInBothVersions) {
    {
        ThroughProxy link(TSocksVersion::svSocks4);
        link.Settings().Port = Proxy.Port();
        ExpectRefusal([&] { link.ConnectTo("127.0.0.1", Blocked); },
                      SOCKS_REFUSAL(91, EIdSocksRequestFailed, "Request rejected or failed."));
    }
    ThroughProxy link(TSocksVersion::svSocks5);
    link.Settings().Port = Proxy.Port();
    ExpectRefusal(
        [&] { link.ConnectTo("127.0.0.1", Blocked); },
        SOCKS_REFUSAL(2, EIdSocksServerPermissionError, "Connection not allowed by ruleset."));
}

} // namespace
