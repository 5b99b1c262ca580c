// IPv6 control connections: EPSV and EPRT instead of PASV and PORT, the 229
// reply's rules, and real round trips against pyftpdlib on ::1 in both data
// connection modes. Skipped where the machine has no IPv6 loopback.
#include "core/exceptions.h"
#include "ftp/ftp_client.h"
#include "support/fake_ftp_server.h"
#include "support/loopback_peer.h"
#include "support/pyftpd_server.h"
#include "support/raw_socket.h"
#include "support/temp_dir.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

constexpr const char* NoIPv6 = "this machine has no IPv6 loopback (::1)";

struct TestedFTP : TIdFTP {
    using TIdFTP::RequestPassiveAddress;
};

// A client connected (greeting read) to a scripted control peer on ::1.
struct IPv6Wire : ::testing::Test {
    std::unique_ptr<FakeFtpServer> Server;
    TestedFTP Client;

    void SetUp() override {
        if (!HasIPv6Loopback())
            GTEST_SKIP() << NoIPv6;
        Server = std::make_unique<FakeFtpServer>("::1");
        Client.Host = "::1";
        Client.Port = Server->Port();
        Client.ReadTimeout = 10000;
        Client.ConnectServer(false);
    }
};

TEST_F(IPv6Wire, PassiveTransfersAskWithEpsvAndDialTheControlPeer) {
    Client.Passive = true;
    LoopbackPeer data(8, "::1");
    Server->Reply("229 Entering Extended Passive Mode (|||" + std::to_string(data.Port()) + "|)")
        .ReplyRaw("150 Opening\r\n226 Done\r\n");
    const std::string payload = RandomBytes(50000, 61);
    std::jthread peer([&] {
        if (data.AcceptOne()) {
            data.Send(payload);
            data.Close();
        }
    });
    TMemoryStream stream;
    Client.RetrieveStream("/f.bin", stream, false);
    peer.join();
    EXPECT_TRUE(stream.ToString() == payload);
    EXPECT_EQ(Server->Commands(), (Lines{"EPSV", "RETR /f.bin"}));
}

TEST_F(IPv6Wire, ActiveTransfersAnnounceTheListenerWithEprt) {
    std::string announced;
    std::jthread peer([&] {
        if (!Server->WaitForCommands(1))
            return;
        announced = Server->Commands()[0];
        const std::string prefix = "EPRT |2|::1|";
        if (announced.rfind(prefix, 0) != 0)
            return;
        RawConnection data = RawConnection::ConnectIPv6(std::stoi(announced.substr(prefix.size())));
        data.Send("active data");
        data.Close();
    });
    Server->Reply("200 EPRT command successful").ReplyRaw("150 Opening\r\n226 Done\r\n");
    TMemoryStream stream;
    Client.RetrieveStream("/f.txt", stream, false);
    peer.join();
    EXPECT_EQ(stream.ToString(), "active data");
    // "EPRT |2|::1|port|": the family, the listener's address and its port.
    EXPECT_EQ(Server->Commands(), (Lines{announced, "RETR /f.txt"}));
    const std::string port = announced.substr(std::min(announced.size(), size_t{12}));
    EXPECT_TRUE(port.size() > 1 && port.back() == '|' &&
                port.find_first_not_of("0123456789") == port.size() - 1)
        << announced;
}

TEST_F(IPv6Wire, ExtendedPassiveRepliesTakeAnyDelimiterAndRefuseBadFields) {
    Server->Reply("229 Entering Extended Passive Mode (!!!6446!)")
        .Reply("229 Extended Passive Mode |||6446|")
        .Reply("229 Entering Extended Passive Mode (|||6446#)")
        .Reply("229 Entering Extended Passive Mode (|2|::1|6446|)")
        .Reply("229 Entering Extended Passive Mode (|||x1|)")
        .Reply("229 Entering Extended Passive Mode (|||0|)")
        .Reply("229 Entering Extended Passive Mode (|||65536|)");
    std::string address;
    int32_t port = 0;
    Client.RequestPassiveAddress(address, port);
    EXPECT_EQ(address, "::1");
    EXPECT_EQ(port, 6446);
    for (const char* message :
         {"The extended passive mode reply names no port in parentheses: \"Extended Passive Mode "
          "|||6446|\".",
          "The delimiters of the extended passive mode reply do not match: \"|||6446#\".",
          "The delimiters of the extended passive mode reply do not match: \"|2|::1|6446|\".",
          "Invalid port \"x1\" in the extended passive mode reply.",
          "Invalid port \"0\" in the extended passive mode reply.",
          "Invalid port \"65536\" in the extended passive mode reply."}) {
        try {
            Client.RequestPassiveAddress(address, port);
            ADD_FAILURE() << "no exception for: " << message;
        } catch (const EIdInvalidPassiveReply& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
    EXPECT_EQ(Server->Commands(), Lines(7, "EPSV"));
}

// A client logged in to pyftpdlib on ::1, in the mode of the parameter.
struct IPv6Server : ::testing::TestWithParam<bool> {
    std::unique_ptr<PyFtpdServer> Server;
    TIdFTP Client;

    void SetUp() override {
        if (!HasIPv6Loopback())
            GTEST_SKIP() << NoIPv6;
        PyFtpdServer::Options options;
        options.extraArgs = {"--host", "::1"};
        Server = std::make_unique<PyFtpdServer>(options);
        Client.Host = "::1";
        Client.Port = Server->Port();
        Client.Username = PyFtpdServer::User;
        Client.Password = PyFtpdServer::Password;
        Client.Passive = GetParam();
        Client.ReadTimeout = 60000;
        Client.AcceptTimeout = 20000;
        Client.ConnectServer(true);
    }
    void TearDown() override {
        if (Server)
            Client.SignOff();
    }
};

TEST_P(IPv6Server, ListRetrieveAndStoreRoundTrip) {
    const std::string bytes = RandomBytes(3 << 20, 62);
    TMemoryStream upload;
    upload.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    upload.SetPosition(0);
    Client.StoreStream(upload, "/up.bin", false);
    EXPECT_TRUE(ReadFileBytes(Server->RootFile("up.bin")) == bytes);

    TMemoryStream download;
    Client.RetrieveStream("/up.bin", download, false);
    EXPECT_TRUE(download.ToString() == bytes);

    Client.ListDirectory(nullptr, "", true);
    ASSERT_EQ(Client.DirectoryEntries().Count(), 1);
    EXPECT_EQ(Client.DirectoryEntries().Items(0).EntryName, "up.bin");
    EXPECT_EQ(Client.DirectoryEntries().Items(0).EntrySize, static_cast<int64_t>(bytes.size()));
}

std::string ModeName(const ::testing::TestParamInfo<bool>& mode) {
    return mode.param ? "Passive" : "Active";
}

INSTANTIATE_TEST_SUITE_P(Modes, IPv6Server, ::testing::Bool(), ModeName);

} // namespace
