// A PASV reply naming another host while the control connection runs through
// a SOCKS proxy: the data connection asks the proxy for the control
// connection's host, never for the address in the reply. Both proxies are
// scripted and connect nowhere.
#include "hostile_fixture.h"
#include "net/io_handler.h"
#include "scripted_socks_proxy.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ConnectRequest(const std::string& host, int port) {
    return Bytes({5, 1, 0, 3, static_cast<int>(host.size())}) + host +
           Bytes({port >> 8, port & 0xFF});
}

TEST(SocksPasv, DataConnectionAsksTheProxyForTheControlHost) {
    const std::string host = "ftp.hostile.example";
    const std::string noAuth = Bytes({5, 1, 0});
    const std::string bound = Bytes({5, 0, 0, 1, 127, 0, 0, 1, 0, 21});
    // The control connection: the SOCKS handshake, then the FTP server.
    ScriptedSocksProxy control;
    control.Expect(noAuth.size())
        .Answer(Bytes({5, 0}))
        .Expect(ConnectRequest(host, 21).size())
        .Answer(bound)
        .Answer("220 Ready\r\n")
        .Expect(6)
        .Answer("227 Entering Passive Mode (10,9,8,7,4,1).\r\n")
        .Expect(9)
        .Answer("150 Opening\r\n226 Done\r\n");
    // The data connection, through a second proxy.
    ScriptedSocksProxy data;
    data.Expect(noAuth.size())
        .Answer(Bytes({5, 0}))
        .Expect(ConnectRequest(host, 1025).size())
        .Answer(bound)
        .Answer("the file")
        .Close();

    TIdIOHandlerSocket handler;
    TIdSocksInfo& socks = *handler.SocksInfo();
    socks.Version = TSocksVersion::svSocks5;
    socks.Host = "127.0.0.1";
    socks.Port = control.Port();
    // The library's own client: its data connection must go through the proxy.
    TIdFTP client;
    client.SetIOHandler(&handler);
    client.Host = host;
    client.ReadTimeout = 10000;
    client.Passive = true;
    ASSERT_NO_THROW(client.ConnectServer(false));
    // Data connections copy the control connection's SOCKS settings.
    socks.Port = data.Port();
    TMemoryStream stream;
    const Failure f = FailureOf([&] { client.RetrieveStream("/f", stream, false); });
    client.DropConnection();
    EXPECT_EQ(f.Class, "none") << f.Message;
    EXPECT_EQ(stream.ToString(), "the file");
    ASSERT_TRUE(data.WaitForEnd()) << data.Failure();
    EXPECT_EQ(data.Received(), noAuth + ConnectRequest(host, 1025));
    EXPECT_EQ(control.Failure(), "");
}

} // namespace
