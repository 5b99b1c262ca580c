// Connecting to a host of several addresses, IPv6 ones among them: each
// address in the resolver's order until one connects.
#include "core/exceptions.h"
#include "net/tcp_client.h"
#include "support/loopback_peer.h"
#include "support/raw_socket.h"
#include "support/scoped_stack_class.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// The POSIX stack, except that every name resolves to the given addresses.
class FixedAddressesStack : public TIdStackPosix {
public:
    explicit FixedAddressesStack(std::vector<std::string> addresses)
        : FAddresses(std::move(addresses)) {}
    std::vector<std::string> LookupHostAddresses(const std::string&) override { return FAddresses; }

private:
    std::vector<std::string> FAddresses;
};

// Holds [::1]:`port` bound but not listening, so that a connect there is
// refused; nothing when the machine has no IPv6 (the connect fails anyway).
struct RefusingIPv6Port {
    int Fd = -1;
    explicit RefusingIPv6Port(int port) {
        Fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in6 sin6{};
        sin6.sin6_family = AF_INET6;
        sin6.sin6_addr = in6addr_loopback;
        sin6.sin6_port = htons(static_cast<uint16_t>(port));
        if (Fd >= 0 && ::bind(Fd, reinterpret_cast<sockaddr*>(&sin6), sizeof sin6) != 0)
            CloseFd(Fd);
    }
    ~RefusingIPv6Port() { CloseFd(Fd); }
};

std::vector<std::string> ConnectingTexts(TIdTCPClient& client, const std::string& host, int port) {
    std::vector<std::string> texts;
    client.OnStatus = [&](TIdComponent*, TIdStatus status, const std::string& text) {
        if (status == TIdStatus::hsResolving || status == TIdStatus::hsConnecting)
            texts.push_back(text);
    };
    client.Host = host;
    client.Port = port;
    client.ConnectToHost();
    return texts;
}

TEST(ConnectAddresses, AnAddressThatRefusesIsFollowedByTheNextOne) {
    ScopedStackClass stack([] {
        return std::make_unique<FixedAddressesStack>(std::vector<std::string>{"::1", "127.0.0.1"});
    });
    LoopbackPeer peer;
    const RefusingIPv6Port refusing(peer.Port());
    TIdTCPClient client;
    EXPECT_EQ(ConnectingTexts(client, "dual.test", peer.Port()),
              (std::vector<std::string>{"Resolving hostname dual.test.", "Connecting to ::1.",
                                        "Connecting to 127.0.0.1."}));
    EXPECT_TRUE(peer.AcceptOne());
    EXPECT_TRUE(client.IsConnected());
}

TEST(ConnectAddresses, AHostWithOnlyAnIPv6AddressIsReachedOverIPv6) {
    if (!HasIPv6Loopback())
        GTEST_SKIP() << "this machine has no IPv6 loopback (::1)";
    ScopedStackClass stack(
        [] { return std::make_unique<FixedAddressesStack>(std::vector<std::string>{"::1"}); });
    LoopbackPeer peer(8, "::1");
    TIdTCPClient client;
    EXPECT_EQ(ConnectingTexts(client, "v6only.test", peer.Port()),
              (std::vector<std::string>{"Resolving hostname v6only.test.", "Connecting to ::1."}));
    ASSERT_TRUE(peer.AcceptOne());
    client.WriteLine("NOOP");
    EXPECT_EQ(peer.ReadLine(), "NOOP\r\n");
    const TIdSocketHandle* handle = client.SocketIOHandler()->SocketHandle();
    EXPECT_EQ(handle->Family(), Id_PF_INET6);
    EXPECT_EQ(handle->IP, "::1");
}

} // namespace
