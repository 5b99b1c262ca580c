// Login sequences, SYST/TYPE, the resume probe and signing off, byte for byte.
#include "core/exceptions.h"
#include "ftp/ftp_client.h"
#include "support/fake_ftp_server.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

struct LoginFixture : ::testing::Test {
    FakeFtpServer Server;
    TIdFTP Client;
    LoginFixture() {
        Client.Host = "127.0.0.1";
        Client.Port = Server.Port();
        Client.Username = "brimol";
        Client.Password = "pelrosta";
    }
    void UseProxy(TIdFtpProxyType type, std::string user = "", std::string password = "") {
        TIdFtpProxySettings proxy;
        proxy.ProxyType = type;
        proxy.UserName = std::move(user);
        proxy.Password = std::move(password);
        Client.SetProxySettings(proxy);
    }
    Lines LoginAndGetCommands() {
        Client.ConnectServer(false);
        Client.SignOn();
        return Server.Commands();
    }
};

TEST_F(LoginFixture, DirectLoginSendsUserAndPassThenAsksFeatures) {
    Server.Reply("331 Password required").Reply("230 Logged in");
    EXPECT_EQ(LoginAndGetCommands(), (Lines{"USER brimol", "PASS pelrosta", "FEAT"}));
    EXPECT_EQ(Client.LoginReply().NumericCode(), 230);
    EXPECT_EQ(Server.RawReceived(), "USER brimol\r\nPASS pelrosta\r\nFEAT\r\n");
}

TEST_F(LoginFixture, UserAnswered230SkipsPass) {
    Server.Reply("230 No password needed");
    EXPECT_EQ(LoginAndGetCommands(), (Lines{"USER brimol", "FEAT"}));
}

TEST_F(LoginFixture, RefusedPasswordRaisesAndSignOnAloneKeepsTheConnection) {
    Server.Reply("331 Password required").Reply("530 Login incorrect.");
    Client.ConnectServer(false);
    try {
        Client.SignOn();
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 530);
        EXPECT_STREQ(e.what(), "Login incorrect.\r\n");
    }
    EXPECT_TRUE(Client.IsConnected());
}

TEST_F(LoginFixture, UserSiteProxy) {
    UseProxy(TIdFtpProxyType::fpcmUserSite, "puser", "ppass");
    Server.Reply("331 p").Reply("230 p ok").Reply("331 u").Reply("230 u ok");
    EXPECT_EQ(LoginAndGetCommands(), (Lines{"USER puser", "PASS ppass", "USER brimol@127.0.0.1",
                                            "PASS pelrosta", "FEAT"}));
}

TEST_F(LoginFixture, SiteProxyWithoutProxyHostConnectsDirectAndSendsSite) {
    UseProxy(TIdFtpProxyType::fpcmSite);
    Server.Reply("200 site ok").Reply("331 u").Reply("230 u ok");
    EXPECT_EQ(LoginAndGetCommands(),
              (Lines{"SITE 127.0.0.1", "USER brimol", "PASS pelrosta", "FEAT"}));
}

TEST_F(LoginFixture, SiteAndOpenAcceptAnyCode) {
    UseProxy(TIdFtpProxyType::fpcmOpen, "puser");
    Server.Reply("230 p ok").Reply("502 whatever").Reply("230 u ok");
    EXPECT_EQ(LoginAndGetCommands(),
              (Lines{"USER puser", "OPEN 127.0.0.1", "USER brimol", "FEAT"}));
}

TEST_F(LoginFixture, UserPassProxyJoinsNamesInOneUserLine) {
    UseProxy(TIdFtpProxyType::fpcmUserPass, "puser", "ppass");
    Server.Reply("331 u").Reply("230 ok");
    EXPECT_EQ(LoginAndGetCommands(),
              (Lines{"USER brimol@puser@127.0.0.1", "PASS pelrosta@ppass", "FEAT"}));
}

TEST_F(LoginFixture, UserPassProxyWithoutProxyPasswordSendsTheUsersAlone) {
    UseProxy(TIdFtpProxyType::fpcmUserPass, "puser");
    Server.Reply("331 u").Reply("230 ok");
    EXPECT_EQ(LoginAndGetCommands(),
              (Lines{"USER brimol@puser@127.0.0.1", "PASS pelrosta", "FEAT"}));
}

TEST_F(LoginFixture, TransparentProxyLogsInTwice) {
    UseProxy(TIdFtpProxyType::fpcmTransparent, "puser", "ppass");
    Server.Reply("331 p").Reply("230 p").Reply("331 u").Reply("230 u");
    EXPECT_EQ(LoginAndGetCommands(),
              (Lines{"USER puser", "PASS ppass", "USER brimol", "PASS pelrosta", "FEAT"}));
}

TEST_F(LoginFixture, HttpProxyModeIsRefusedBeforeSending) {
    UseProxy(TIdFtpProxyType::fpcmHttpProxyWithFtp, "puser");
    Client.ConnectServer(false);
    Client.LoginReply().SetNumericCode(999);
    try {
        Client.SignOn();
        FAIL() << "no exception";
    } catch (const EIdException& e) {
        EXPECT_STREQ(e.what(), "Command not supported.");
    }
    EXPECT_TRUE(Server.Commands().empty());
    EXPECT_EQ(Client.LoginReply().NumericCode(), 999);
}

TEST_F(LoginFixture, ProxyHostIsDialledButTheServerIsNamed) {
    FakeFtpServer proxy;
    proxy.Reply("200 site ok").Reply("230 ok");
    TIdFtpProxySettings settings;
    settings.ProxyType = TIdFtpProxyType::fpcmSite;
    settings.Host = "127.0.0.1";
    settings.Port = proxy.Port();
    Client.SetProxySettings(settings);
    Client.Host = "ftp.example.invalid";
    Client.ConnectServer(false);
    EXPECT_EQ(Client.Host, "ftp.example.invalid");
    EXPECT_EQ(Client.Port, Server.Port());
    Client.SignOn();
    EXPECT_EQ(proxy.Commands(), (Lines{"SITE ftp.example.invalid", "USER brimol", "FEAT"}));
    EXPECT_EQ(Server.Connections(), 0);
}

TEST_F(LoginFixture, AutoLoginSendsTypeAndSystAndReportsReady) {
    Server.Reply("331 p").Reply("230 ok").Reply("200 Type set").Reply("215 UNIX Type: L8");
    std::vector<std::string> statuses;
    Client.OnStatus = [&](TIdComponent*, TIdStatus s, const std::string& text) {
        if (s == TIdStatus::ftpReady)
            statuses.push_back(text);
    };
    int afterLogin = 0;
    Client.OnAfterClientLogin = [&](TIdComponent*) { ++afterLogin; };
    Client.ConnectServer(true);
    EXPECT_EQ(Server.Commands(), (Lines{"USER brimol", "PASS pelrosta", "FEAT", "TYPE I", "SYST"}));
    EXPECT_EQ(Client.ServerSystem, "UNIX Type: L8");
    EXPECT_EQ(statuses, (Lines{"Connection established"}));
    EXPECT_EQ(afterLogin, 1);
}

TEST_F(LoginFixture, WithoutAutoLoginNothingFollowsTheGreeting) {
    Client.ConnectServer(false);
    EXPECT_TRUE(Server.Commands().empty());
    Client.SetTransferType(TIdFTPTransferType::ftBinary); // unchanged: nothing sent
    EXPECT_TRUE(Server.Commands().empty());
}

TEST_F(LoginFixture, SystRefusedWith500GivesUnknown) {
    Server.Reply("230 ok").Reply("200 Type set").Reply("500 SYST not understood");
    Client.ConnectServer(true);
    EXPECT_EQ(Client.ServerSystem, "Unknown");
}

TEST_F(LoginFixture, RefusedTypeDropsTheConnection) {
    Server.Reply("230 ok").Reply("504 No such type");
    EXPECT_THROW(Client.ConnectServer(true), EIdProtocolReplyError);
    EXPECT_FALSE(Client.IsConnected());
}

TEST_F(LoginFixture, AsciiTypeChosenOfflineIsSentByTheNextAutoLogin) {
    Client.SetTransferType(TIdFTPTransferType::ftASCII);
    EXPECT_EQ(Client.TransferType(), TIdFTPTransferType::ftASCII);
    Server.Reply("230 ok").Reply("200 Type set").Reply("215 UNIX");
    Client.ConnectServer(true);
    EXPECT_EQ(Server.Commands()[2], "TYPE A");
    Server.Reply("200 Type set");
    Client.SetTransferType(TIdFTPTransferType::ftBinary);
    ASSERT_TRUE(Server.WaitForCommands(5));
    EXPECT_EQ(Server.Commands()[4], "TYPE I");
}

TEST_F(LoginFixture, ResumeProbeIsAskedOnceAndAlwaysResetsTheOffset) {
    Server.Reply("502 REST not implemented").Reply("502 REST not implemented");
    Client.ConnectServer(false);
    EXPECT_FALSE(Client.SupportsResume());
    EXPECT_FALSE(Client.SupportsResume());
    EXPECT_EQ(Server.Commands(), (Lines{"REST 1", "REST 0"}));
}

TEST_F(LoginFixture, ResumeProbeAllowedOn350) {
    Server.Reply("350 Restarting at 1").Reply("350 Restarting at 0");
    Client.ConnectServer(false);
    EXPECT_TRUE(Client.SupportsResume());
    EXPECT_TRUE(Client.ResumeProbed);
}

TEST_F(LoginFixture, SignOffSendsQuitWithoutWaitingForTheReply) {
    Server.NoReply();
    Client.ConnectServer(false);
    Client.SignOff();
    EXPECT_FALSE(Client.IsConnected());
    ASSERT_TRUE(Server.WaitForCommands(1));
    EXPECT_EQ(Server.Commands(), (Lines{"QUIT"}));
    // Already closed: nothing more is sent, and it still drops cleanly.
    EXPECT_NO_THROW(Client.SignOff());
    EXPECT_EQ(Server.Commands().size(), 1u);
}

TEST_F(LoginFixture, ConnectServerWhileConnectedFailsAndClosesTheConnection) {
    Client.ConnectServer(false);
    EXPECT_THROW(Client.ConnectServer(false), EIdAlreadyConnected);
    EXPECT_FALSE(Client.IsConnected());
}

TEST_F(LoginFixture, WorkingDirectoryFromPwd) {
    Server.Reply("257 \"/home/brimol\" is the current directory")
        .Reply("257 \"/a \"\"quoted\"\" dir\" ok")
        .Reply("550 no")
        .Reply("257 no quotes here");
    Client.ConnectServer(false);
    EXPECT_EQ(Client.RetrieveCurrentDir(), "/home/brimol");
    EXPECT_EQ(Client.RetrieveCurrentDir(), "/a \"quoted\" dir");
    EXPECT_EQ(Client.RetrieveCurrentDir(), "/");
    EXPECT_EQ(Client.RetrieveCurrentDir(), "/");
}

} // namespace
