// BindLocal: a fixed port, the system's choice, or the highest free port of a
// range, with the failures each can give.
#include "core/exceptions.h"
#include "sock/socket_handle.h"
#include "sock_test_helpers.h"
#include "support/loopback_peer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

// The port the system really bound, asked without going through the stack.
int BoundPort(TIdStackSocketHandle fd) {
    sockaddr_in sin{};
    socklen_t size = sizeof sin;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sin), &size);
    return ntohs(sin.sin_port);
}

class BindLocalTest : public ::testing::Test {
protected:
    void SetUp() override {
        first = FindFreePortRun(3);
        ASSERT_NE(first, 0) << "no run of 3 free ports found";
        handle.OpenSocket();
    }
    int first = 0;
    TIdSocketHandle handle;
};

} // namespace

TEST_F(BindLocalTest, ARangeBindsItsHighestFreePort) {
    handle.ClientPortMin = first;
    handle.ClientPortMax = first + 2;
    handle.BindLocal();
    EXPECT_EQ(handle.Port, first + 2);
    EXPECT_EQ(BoundPort(handle.NativeSocket()), first + 2);
    EXPECT_EQ(handle.IP, "0.0.0.0");
}

TEST_F(BindLocalTest, ARangeSkipsAPortInUse) {
    HeldPort held(first + 2);
    ASSERT_TRUE(held.Held());
    handle.ClientPortMin = first;
    handle.ClientPortMax = first + 2;
    handle.BindLocal();
    EXPECT_EQ(handle.Port, first + 1);
    EXPECT_EQ(BoundPort(handle.NativeSocket()), first + 1);
}

TEST_F(BindLocalTest, ARangeWithEveryPortInUseRaisesAndLeavesPortAtItsMinimum) {
    HeldPort a(first), b(first + 1), c(first + 2);
    ASSERT_TRUE(a.Held() && b.Held() && c.Held());
    handle.ClientPortMin = first;
    handle.ClientPortMax = first + 2;
    try {
        handle.BindLocal();
        FAIL() << "no exception";
    } catch (const EIdCanNotBindPortInRange& e) {
        EXPECT_EQ(std::string(e.what()), "Can not bind in port range (" + std::to_string(first) +
                                             " - " + std::to_string(first + 2) + ")");
    }
    EXPECT_EQ(handle.Port, first);
}

TEST_F(BindLocalTest, AnInvertedRangeIsRefusedBeforeAnyBind) {
    handle.ClientPortMin = 3000;
    handle.ClientPortMax = 2000;
    try {
        handle.BindLocal();
        FAIL() << "no exception";
    } catch (const EIdInvalidPortRange& e) {
        EXPECT_STREQ(e.what(), "Invalid Port Range (3000 - 2000)");
    }
    EXPECT_EQ(handle.Port, 0);
    EXPECT_EQ(BoundPort(handle.NativeSocket()), 0);
}

TEST_F(BindLocalTest, AFixedPortInUseCannotBeBound) {
    LoopbackPeer listener;
    handle.IP = "127.0.0.1";
    handle.Port = listener.Port();
    // A fixed port wins over a range.
    handle.ClientPortMin = first;
    handle.ClientPortMax = first + 2;
    try {
        handle.BindLocal();
        FAIL() << "no exception";
    } catch (const EIdCouldNotBindSocket& e) {
        EXPECT_STREQ(e.what(), "Could not bind socket. Address and port are already in use.");
    }
}

TEST_F(BindLocalTest, AFixedFreePortIsBound) {
    handle.IP = "127.0.0.1";
    handle.Port = first + 1;
    handle.BindLocal();
    EXPECT_EQ(handle.Port, first + 1);
    EXPECT_EQ(handle.IP, "127.0.0.1");
    EXPECT_EQ(BoundPort(handle.NativeSocket()), first + 1);
}

TEST_F(BindLocalTest, OnlyOneEndOfTheRangeMeansTheSystemChooses) {
    for (const auto& [min, max] : {std::pair{first, 0}, std::pair{0, first + 2}}) {
        TIdSocketHandle one;
        one.OpenSocket();
        one.IP = "127.0.0.1";
        one.ClientPortMin = min;
        one.ClientPortMax = max;
        one.BindLocal();
        EXPECT_GT(one.Port, 0);
        EXPECT_EQ(one.Port, BoundPort(one.NativeSocket()));
    }
}

TEST_F(BindLocalTest, ANonLocalAddressRaisesCannotAssign) {
    // Bind only: nothing is sent anywhere.
    handle.IP = "10.255.255.1";
    try {
        handle.BindLocal();
        FAIL() << "no exception";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode, 10049);
        EXPECT_STREQ(e.what(), "Socket Error # 10049\r\nCannot assign requested address.");
    }
    EXPECT_EQ(Stack().LastSocketError, 10049);
}
