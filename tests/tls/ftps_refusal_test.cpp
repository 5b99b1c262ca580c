// What FTPS refuses: certificates that do not verify (unknown CA, wrong
// name, expired, wrong pin), with nothing of the login sent, and a server
// that will not do AUTH TLS.
#include "support/ftps_server_setup.h"

#include "net/tls_errors.h"
#include "support/fake_ftp_server.h"

#include <gtest/gtest.h>

namespace {

// Connects and expects a certificate refusal naming `reason`; the server
// must have seen the AUTH but no USER.
void ExpectRefused(FtpsServerSetup& setup, TIdFTP& client, const std::string& reason) {
    try {
        client.ConnectServer(true);
        FAIL() << "the certificate was accepted";
    } catch (const EIdTLSCertificateError& e) {
        EXPECT_NE(e.Reason.find(reason), std::string::npos) << e.Reason;
        EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
    EXPECT_FALSE(client.IsConnected());
    // The server logs the command after it handled it. Only this attempt's
    // log counts (after its AUTH TLS).
    setup.Server.reset();
    const std::string log = setup.Log();
    const size_t auth = log.rfind("<- AUTH TLS");
    ASSERT_NE(auth, std::string::npos) << log;
    EXPECT_EQ(log.find("<- USER", auth), std::string::npos) << log;
}

TEST(FtpsCertificate, FromAnUnknownCaIsRefusedBeforeTheLogin) {
    FtpsServerSetup setup(false, "stranger", "IP:127.0.0.1", false);
    TIdFTP client;
    setup.Configure(client, TIdUseTLS::utUseExplicitTLS);
    ExpectRefused(setup, client, "unable to get local issuer certificate");
}

TEST(FtpsCertificate, ForAnotherNameIsRefused) {
    FtpsServerSetup setup(false, "elsewhere", "DNS:elsewhere.example", true);
    TIdFTP client;
    setup.Configure(client, TIdUseTLS::utUseExplicitTLS);
    ExpectRefused(setup, client, "IP address mismatch");
}

TEST(FtpsCertificate, ForAnotherHostNameIsRefused) {
    FtpsServerSetup setup(false, "elsewhere", "DNS:elsewhere.example,IP:127.0.0.1", true);
    TIdFTP client;
    setup.Configure(client, TIdUseTLS::utUseExplicitTLS);
    client.Host = "localhost";
    ExpectRefused(setup, client, "hostname mismatch");
}

TEST(FtpsCertificate, ThatHasExpiredIsRefused) {
    FtpsServerSetup setup(false, "old", "IP:127.0.0.1", true, "20200101000000Z", "20200201000000Z");
    TIdFTP client;
    setup.Configure(client, TIdUseTLS::utUseExplicitTLS);
    ExpectRefused(setup, client, "certificate has expired");
}

TEST(FtpsCertificate, PinnedOneIsTakenWhateverItsIssuerAndAnotherIsRefused) {
    FtpsServerSetup setup(false, "stranger", "IP:127.0.0.1", false);
    TIdFTP client;
    setup.Configure(client, TIdUseTLS::utUseExplicitTLS);
    client.TLSPinnedSha256 = CertificateSha256(setup.Served.Certificate);
    client.ConnectServer(true);
    EXPECT_TRUE(client.IsConnected());
    client.SignOff();

    client.TLSPinnedSha256 = std::string(64, 'a');
    ExpectRefused(setup, client, "pinned");
}

TEST(FtpsCertificate, UntrustedOneIsAskedAboutBeforeTheLoginAndTakenWhenAllowed) {
    FtpsServerSetup setup(false, "stranger", "IP:127.0.0.1", false);
    TIdFTP client;
    setup.Configure(client, TIdUseTLS::utUseExplicitTLS);
    TIdCertificateInfo asked;
    client.OnUntrustedCertificate = [&](TIdFTP*, const TIdCertificateInfo& info) {
        asked = info;
        return true;
    };
    client.ConnectServer(true);
    EXPECT_EQ(asked.Sha256, [&] {
        std::string fingerprint = CertificateSha256(setup.Served.Certificate);
        for (char& c : fingerprint)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return fingerprint;
    }());
    EXPECT_NE(asked.Subject.find("stranger"), std::string::npos) << asked.Subject;
    EXPECT_NE(asked.Issuer.find("other-ca"), std::string::npos) << asked.Issuer;
    EXPECT_FALSE(asked.NotAfter.empty());
    EXPECT_NE(asked.Problem.find("issuer"), std::string::npos) << asked.Problem;
    client.SignOff();
}

TEST(FtpsAuth, RefusedByAPlainServerFailsTheLoginWithoutUser) {
    FakeFtpServer server;
    server.Reply("500 'AUTH TLS': command not understood.");
    TIdFTP client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.ReadTimeout = 10000;
    client.UseTLS = TIdUseTLS::utUseExplicitTLS;
    try {
        client.ConnectServer(true);
        FAIL() << "logged in without TLS";
    } catch (const EIdTLSAuthRefused& e) {
        EXPECT_NE(std::string(e.what()).find("command not understood"), std::string::npos);
    }
    ASSERT_TRUE(server.WaitForDisconnect());
    EXPECT_EQ(server.Commands(), std::vector<std::string>{"AUTH TLS"});
}

} // namespace
