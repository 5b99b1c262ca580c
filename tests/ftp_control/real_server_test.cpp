// Connecting and logging in to a real FTP server (pyftpdlib on loopback).
#include "core/exceptions.h"
#include "ftp/ftp_client.h"
#include "support/pyftpd_server.h"

#include <gtest/gtest.h>

namespace {

struct RealServer : ::testing::Test {
    PyFtpdServer Server;
    TIdFTP Client;
    RealServer() {
        Client.Host = "127.0.0.1";
        Client.Port = Server.Port();
        Client.Username = "brimol";
        Client.Password = "pelrosta";
    }
};

TEST_F(RealServer, LogsInSignsOffAndLogsInAgain) {
    Client.ConnectServer(true);
    EXPECT_EQ(Client.LoginReply().NumericCode(), 230);
    EXPECT_EQ(Client.WelcomeReply().NumericCode(), 220);
    EXPECT_EQ(Client.ServerSystem, "UNIX Type: L8");
    EXPECT_EQ(Client.RetrieveCurrentDir(), "/");
    Client.SignOff();
    EXPECT_FALSE(Client.IsConnected());
    Client.ConnectServer(false);
    Client.SignOn();
    EXPECT_TRUE(Client.IsConnected());
    Client.SignOff();
}

TEST_F(RealServer, WrongPasswordIsRefusedWith530) {
    Client.Password = "wrong";
    try {
        Client.ConnectServer(true);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 530);
    }
    EXPECT_FALSE(Client.IsConnected());
}

TEST_F(RealServer, ResumeIsSupported) {
    Client.ConnectServer(true);
    EXPECT_TRUE(Client.SupportsResume());
    Client.SignOff();
}

} // namespace
