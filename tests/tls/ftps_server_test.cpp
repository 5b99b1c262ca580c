// FTPS against a real server: explicit and implicit TLS, listings, downloads
// and uploads byte-identical in both data-connection modes, many transfers on
// one login.
#include "support/ftps_server_setup.h"

#include "core/streams.h"
#include "net/tls_errors.h"
#include "net/tls_io_handler.h"
#include "support/raw_socket.h"

#include <gtest/gtest.h>

namespace {

std::string Pattern(size_t size, int seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + static_cast<size_t>(seed) * 7 + i / 251) & 0xFF);
    return bytes;
}

// Without printing megabytes when they differ.
void ExpectSameBytes(const std::string& actual, const std::string& expected) {
    EXPECT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected) << "the bytes differ";
}

struct FtpsRoundTrip : ::testing::TestWithParam<bool> {
    FtpsServerSetup Setup;
    TempDir Local;
    TIdFTP Client;

    FtpsRoundTrip() {
        Setup.Configure(Client, TIdUseTLS::utUseExplicitTLS);
        Client.Passive = GetParam();
        Client.ConnectServer(true);
    }
    ~FtpsRoundTrip() override { Client.SignOff(); }
};

TEST(FtpsOnIPv6, AnIPv6AddressIsCheckedAgainstTheCertificatesIPEntries) {
    if (!HasIPv6Loopback())
        GTEST_SKIP() << "this machine has no IPv6 loopback (::1)";
    // Checked as a host name, "::1" would match no entry of a certificate
    // that names only IP:::1, and the login would be refused.
    FtpsServerSetup setup{FtpsServerSetup::OnIPv6{}};
    TIdFTP client;
    setup.Configure(client, TIdUseTLS::utUseExplicitTLS);
    client.Host = "::1";
    client.Passive = true;
    client.ConnectServer(true);
    WriteFileBytes(setup.Server->RootFile("a.txt"), "over IPv6");
    TMemoryStream copy;
    client.RetrieveStream("a.txt", copy, false);
    EXPECT_EQ(copy.ToString(), "over IPv6");
    client.SignOff();
}

TEST_P(FtpsRoundTrip, ListGetAndPutAreByteIdenticalTenTimesOnOneLogin) {
    ASSERT_NE(Client.ControlTLS(), nullptr);
    const std::string version = Client.ControlTLS()->ProtocolVersion();
    EXPECT_TRUE(version == "TLSv1.2" || version == "TLSv1.3") << version;
    // Binary, so that CR LF in the pattern survives.
    Client.SendRawCommand("TYPE I");
    for (int round = 0; round < 5; ++round) {
        const std::string served = Pattern(300000 + static_cast<size_t>(round) * 977, round);
        WriteFileBytes(Setup.Server->RootFile("down" + std::to_string(round) + ".bin"), served);
        const std::string copy = Local.File("copy" + std::to_string(round));
        Client.RetrieveFile("down" + std::to_string(round) + ".bin", copy, true, false);
        ExpectSameBytes(ReadFileBytes(copy), served);

        const std::string sent = Pattern(200000 + static_cast<size_t>(round) * 13, round + 50);
        const std::string source = Local.File("up" + std::to_string(round));
        WriteFileBytes(source, sent);
        Client.StoreFile(source, "up" + std::to_string(round) + ".bin", false);
        ExpectSameBytes(
            ReadFileBytes(Setup.Server->RootFile("up" + std::to_string(round) + ".bin")), sent);
    }
    std::vector<std::string> names;
    Client.ListDirectory(&names, "", false);
    EXPECT_EQ(names.size(), 10u);
}

INSTANTIATE_TEST_SUITE_P(Modes, FtpsRoundTrip, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& mode) {
                             return mode.param ? "Passive" : "Active";
                         });

TEST(FtpsTruncation, DataEndedWithoutCloseNotifyFailsTheTransfer) {
    // A listing states no size: only the missing close_notify tells that
    // an attacker (or a crash) cut it short.
    FtpsServerSetup setup{FtpsServerSetup::CutsData{1000}};
    for (int i = 0; i < 60; ++i)
        WriteFileBytes(setup.Server->RootFile("name-" + std::to_string(i) + ".txt"), "x");
    TIdFTP client;
    setup.Configure(client, TIdUseTLS::utUseExplicitTLS);
    // However the server ends its side, no wait may run long.
    client.ReadTimeout = 5000;
    client.Passive = true;
    client.ConnectServer(true);
    std::vector<std::string> lines;
    EXPECT_THROW(client.ListDirectory(&lines, "", true), EIdTLSTruncated);
    client.SignOff();
}

TEST(FtpsImplicit, LogsInWithTLSFromTheFirstByteAndTransfers) {
    FtpsServerSetup setup(true);
    TIdFTP client;
    setup.Configure(client, TIdUseTLS::utUseImplicitTLS);
    client.Passive = true;
    client.ConnectServer(true);
    ASSERT_NE(client.ControlTLS(), nullptr);
    WriteFileBytes(setup.Server->RootFile("i.txt"), "implicit");
    TMemoryStream sink;
    client.RetrieveStream("i.txt", sink, false);
    EXPECT_EQ(sink.ToString(), "implicit");
    EXPECT_EQ(setup.Log().find("AUTH"), std::string::npos);
    client.SignOff();
}

} // namespace
