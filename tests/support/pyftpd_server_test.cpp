// The real FTP server starts, serves its root to the test account in passive
// mode, and leaves nothing behind.
#include "support/loopback_peer.h"
#include "support/pyftpd_server.h"
#include "support/raw_connection.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <sys/stat.h>

namespace {

// The port of a "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)" reply.
int PassivePort(const std::string& reply) {
    int h[4], p1 = 0, p2 = 0;
    const auto open = reply.find('(');
    if (open == std::string::npos || std::sscanf(reply.c_str() + open, "(%d,%d,%d,%d,%d,%d)", &h[0],
                                                 &h[1], &h[2], &h[3], &p1, &p2) != 6)
        return 0;
    return p1 * 256 + p2;
}

// Logs in on a fresh control connection.
RawConnection LogIn(const PyFtpdServer& server) {
    RawConnection control = RawConnection::Connect(server.Port());
    EXPECT_EQ(control.ReadLine().substr(0, 4), "220 ");
    control.Send(std::string("USER ") + PyFtpdServer::User + "\r\n");
    EXPECT_EQ(control.ReadLine().substr(0, 4), "331 ");
    control.Send(std::string("PASS ") + PyFtpdServer::Password + "\r\n");
    EXPECT_EQ(control.ReadLine().substr(0, 4), "230 ");
    return control;
}

} // namespace

TEST(PyFtpdServer, ServesItsRootAndCleansUp) {
    pid_t pid = -1;
    std::string root;
    {
        PyFtpdServer server;
        pid = server.Pid();
        root = server.Root();
        WriteFileBytes(server.RootFile("hello.txt"), "Hello\r\nFTP\n");

        RawConnection control = LogIn(server);
        control.Send("TYPE I\r\n");
        EXPECT_EQ(control.ReadLine().substr(0, 4), "200 ");
        control.Send("PASV\r\n");
        const int dataPort = PassivePort(control.ReadLine());
        ASSERT_GT(dataPort, 0);
        RawConnection data = RawConnection::Connect(dataPort);
        control.Send("RETR hello.txt\r\n");
        EXPECT_EQ(data.ReadUntilClose(), "Hello\r\nFTP\n");
        // The data connection was open before RETR: pyftpdlib says 125, not 150.
        const std::string opening = control.ReadLine();
        EXPECT_TRUE(opening.starts_with("125 ") || opening.starts_with("150 ")) << opening;
        EXPECT_EQ(control.ReadLine().substr(0, 4), "226 ");
    }
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
    EXPECT_FALSE(std::filesystem::exists(root));
}

TEST(PyFtpdServer, ServesAGivenRootAndLeavesIt) {
    TempDir dir;
    {
        PyFtpdServer::Options options;
        options.root = dir.Path();
        options.extraArgs = {"--banner", "Scrivlet pyftpd"};
        PyFtpdServer server(options);
        EXPECT_EQ(server.Root(), dir.Path());
        RawConnection control = RawConnection::Connect(server.Port());
        EXPECT_EQ(control.ReadLine(), "220 Scrivlet pyftpd\r\n");
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path()));
}

TEST(PyFtpdServer, StoresThroughAnActiveDataConnection) {
    PyFtpdServer server;
    RawConnection control = LogIn(server);
    control.Send("TYPE I\r\n");
    EXPECT_EQ(control.ReadLine().substr(0, 4), "200 ");
    LoopbackPeer data;
    control.Send("PORT 127,0,0,1," + std::to_string(data.Port() / 256) + "," +
                 std::to_string(data.Port() % 256) + "\r\n");
    EXPECT_EQ(control.ReadLine().substr(0, 4), "200 ");
    control.Send("STOR up.txt\r\n");
    ASSERT_TRUE(data.AcceptOne());
    const std::string opening = control.ReadLine();
    EXPECT_TRUE(opening.starts_with("125 ") || opening.starts_with("150 ")) << opening;
    ASSERT_TRUE(data.Send(std::string("line 1\r\n\0binary", 15)));
    data.Close();
    EXPECT_EQ(control.ReadLine().substr(0, 4), "226 ");
    EXPECT_EQ(ReadFileBytes(server.RootFile("up.txt")), std::string("line 1\r\n\0binary", 15));
}
