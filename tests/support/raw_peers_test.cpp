// The loopback peers behave as the connection tests rely on.
#include "support/loopback_peer.h"
#include "support/silent_listener.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

TEST(LoopbackPeer, MovesBytesBothWaysAndReportsClosing) {
    LoopbackPeer peer;
    RawConnection client = RawConnection::Connect(peer.Port());
    ASSERT_TRUE(peer.AcceptOne());
    ASSERT_TRUE(client.Send("hello\r\nwor"));
    EXPECT_EQ(peer.ReadLine(), "hello\r\n");
    EXPECT_EQ(peer.ReadExactly(3), "wor");
    ASSERT_TRUE(peer.Send("answer"));
    EXPECT_EQ(client.ReadExactly(6), "answer");
    client.Send("tail");
    client.Close();
    EXPECT_EQ(peer.ReadUntilClose(), "tail");
    EXPECT_TRUE(peer.PeerClosed());
}

TEST(LoopbackPeer, ReadsGiveUpAtTheirDeadline) {
    LoopbackPeer peer;
    RawConnection client = RawConnection::Connect(peer.Port());
    ASSERT_TRUE(peer.AcceptOne());
    EXPECT_EQ(peer.ReadAvailable(std::chrono::milliseconds(50)), "");
    EXPECT_FALSE(peer.WaitForClose(std::chrono::milliseconds(50)));
    EXPECT_FALSE(peer.PeerClosed());
}

TEST(LoopbackPeer, ConnectsAreRefusedOnceTheListenerIsClosed) {
    LoopbackPeer peer;
    const int port = peer.Port();
    peer.CloseListener();
    EXPECT_THROW(RawConnection::Connect(port), std::runtime_error);
}

TEST(SilentListener, AConnectToItStaysInProgress) {
    SilentListener silent;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sin.sin_port = htons(static_cast<uint16_t>(silent.Port()));
    const int r = ::connect(fd, reinterpret_cast<sockaddr*>(&sin), sizeof sin);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(errno, EINPROGRESS);
    // Neither connected nor refused after a second (the first SYN retry).
    pollfd p{fd, POLLOUT, 0};
    EXPECT_EQ(::poll(&p, 1, 1500), 0);
    ::close(fd);
}
