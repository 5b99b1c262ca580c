// FTPS against the installed servers vsftpd and proftpd (mod_tls), both of
// which refuse any data connection that does not resume the control
// connection's TLS session (vsftpd: require_ssl_reuse=YES; mod_tls by
// default). Each server's cases run where it can: vsftpd as root, proftpd
// where the install step has unpacked it.
#include "ftp/ftp_client.h"
#include "net/tls_context.h"
#include "net/tls_errors.h"
#include "support/proftpd_server.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"
#include "support/vsftpd_server.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace {

enum class Server { Vsftpd, Proftpd };

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

// The server and whether the client is passive.
struct InstalledFtps : ::testing::TestWithParam<std::tuple<Server, bool>> {
    TestCertificates Certificates;
    std::unique_ptr<FtpsTestServer> Server;
    TempDir Local;
    ForgetfulFtp Client;

    void SetUp() override {
        const auto pair = Certificates.Server("server", "IP:127.0.0.1,DNS:localhost");
        if (std::get<0>(GetParam()) == Server::Vsftpd) {
            if (!VsftpdServer::Available())
                GTEST_SKIP() << "vsftpd is not installed or cannot start sessions here";
            Server = std::make_unique<VsftpdServer>(pair);
        } else {
            if (!ProftpdServer::Available())
                GTEST_SKIP() << "proftpd is not unpacked in " << ProftpdServer::Tree()
                             << " (scripts/install-deps.sh does it)";
            Server = std::make_unique<ProftpdServer>(pair);
        }
        Client.Host = "127.0.0.1";
        Client.Port = Server->Port();
        Client.Username = Server->User();
        Client.Password = Server->Password();
        Client.ReadTimeout = 30000;
        Client.AcceptTimeout = 20000;
        Client.Passive = std::get<1>(GetParam());
        Client.UseTLS = TIdUseTLS::utUseExplicitTLS;
        Client.TLSCAFile = Certificates.Ca();
        Client.ConnectServer(true);
    }
    void TearDown() override {
        if (Server)
            Client.SignOff();
        if (HasFailure() && Server)
            std::cerr << "server log:\n" << Server->Log();
    }
};

TEST_P(InstalledFtps, TenTransfersResumeTheSessionAndAreByteIdentical) {
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

TEST_P(InstalledFtps, DataConnectionWithoutSessionReuseIsReportedAsSuch) {
    WriteFileBytes(Server->RootFile("a.txt"), "abc");
    // Every run of the transfer, the retry too, starts without a session.
    Client.OnStatus = [this](TIdComponent*, TIdStatus status, const std::string&) {
        if (status == TIdStatus::ftpTransfer)
            Client.ForgetSession();
    };
    try {
        Client.RetrieveFile("a.txt", Local.File("a.txt"), true, false);
        FAIL() << "the server took a data connection without session reuse";
    } catch (const EIdTLSSessionReuseRequired& e) {
        EXPECT_NE(std::string(e.what()).find("session reuse"), std::string::npos) << e.what();
    }
    // The refusal was the transfer's last word: the login goes on where the
    // server keeps it (vsftpd ends the session after its 522).
    Client.OnStatus = nullptr;
    if (std::get<0>(GetParam()) == Server::Vsftpd)
        return;
    Client.RetrieveFile("a.txt", Local.File("a.txt"), true, false);
    EXPECT_EQ(ReadFileBytes(Local.File("a.txt")), "abc");
}

INSTANTIATE_TEST_SUITE_P(
    ServersAndModes, InstalledFtps,
    ::testing::Combine(::testing::Values(Server::Vsftpd, Server::Proftpd), ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<Server, bool>>& names) {
        return std::string(std::get<0>(names.param) == Server::Vsftpd ? "Vsftpd" : "Proftpd") +
               (std::get<1>(names.param) ? "Passive" : "Active");
    });

} // namespace
