// FTPS against vsftpd, which refuses any data connection that does not resume
// the control connection's TLS session (require_ssl_reuse=YES). Runs where
// vsftpd is installed and may start its sessions (as root).
#include "ftp/ftp_client.h"
#include "net/tls_context.h"
#include "net/tls_errors.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"
#include "support/vsftpd_server.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A client that can drop the session its data connections would resume, as
// a client without session reuse behaves.
struct ForgetfulFtp : TIdFTP {
    void ForgetSession() { TLSContext()->ForgetSession(); }
};

std::string Pattern(size_t size, int seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 13 + static_cast<size_t>(seed) + i / 509) & 0xFF);
    return bytes;
}

struct VsftpdFtps : ::testing::TestWithParam<bool> {
    TestCertificates Certificates;
    std::unique_ptr<VsftpdServer> Server;
    TempDir Local;
    ForgetfulFtp Client;

    void SetUp() override {
        if (!VsftpdServer::Available())
            GTEST_SKIP() << "vsftpd is not installed or cannot start sessions here";
        Server = std::make_unique<VsftpdServer>(
            Certificates.Server("vsftpd", "IP:127.0.0.1,DNS:localhost"));
        Client.Host = "127.0.0.1";
        Client.Port = Server->Port();
        Client.Username = "anonymous";
        Client.Password = "scrivlet@";
        Client.ReadTimeout = 30000;
        Client.AcceptTimeout = 20000;
        Client.Passive = GetParam();
        Client.UseTLS = TIdUseTLS::utUseExplicitTLS;
        Client.TLSCAFile = Certificates.Ca();
        Client.ConnectServer(true);
    }
    void TearDown() override {
        if (Server)
            Client.SignOff();
    }
};

TEST_P(VsftpdFtps, TenTransfersResumeTheSessionAndAreByteIdentical) {
    for (int round = 0; round < 5; ++round) {
        const std::string name = "f" + std::to_string(round) + ".bin";
        const std::string served = Pattern(400000 + static_cast<size_t>(round) * 4099, round);
        WriteFileBytes(Server->RootFile(name), served);
        Client.RetrieveFile(name, Local.File(name), true, false);
        EXPECT_TRUE(ReadFileBytes(Local.File(name)) == served) << name;

        const std::string sent = Pattern(300000 + static_cast<size_t>(round) * 7, round + 9);
        WriteFileBytes(Local.File("up" + name), sent);
        Client.StoreFile(Local.File("up" + name), "up/" + name, false);
        EXPECT_TRUE(ReadFileBytes(Server->RootFile("up/" + name)) == sent) << name;
    }
    std::vector<std::string> names;
    Client.ListDirectory(&names, "up", false);
    EXPECT_EQ(names.size(), 5u);
}

TEST_P(VsftpdFtps, DataConnectionWithoutSessionReuseIsReportedAsSuch) {
    WriteFileBytes(Server->RootFile("a.txt"), "abc");
    Client.ForgetSession();
    try {
        Client.RetrieveFile("a.txt", Local.File("a.txt"), true, false);
        FAIL() << "the server took a data connection without session reuse";
    } catch (const EIdTLSSessionReuseRequired& e) {
        EXPECT_NE(std::string(e.what()).find("session reuse"), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, VsftpdFtps, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& mode) {
                             return mode.param ? "Passive" : "Active";
                         });

} // namespace
