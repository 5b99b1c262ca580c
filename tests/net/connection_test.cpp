// Connecting, closing, writing, status events and filters of a TCP connection.
#include "core/exceptions.h"
#include "net/intercept.h"
#include "support/connected_pair.h"
#include "support/failing_stack.h"
#include "support/silent_listener.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

// A port nothing listens on: a listener opened and closed at once.
int ClosedPort() {
    LoopbackPeer peer;
    const int port = peer.Port();
    peer.CloseListener();
    return port;
}

std::vector<std::string> RecordStatus(TIdComponent& component) {
    (void)component;
    return {};
}

TEST(Connect, StatusTextsInOrderForAName) {
    LoopbackPeer peer;
    TIdTCPClient client;
    std::vector<std::string> texts;
    client.OnStatus = [&](TIdComponent*, TIdStatus, const std::string& text) {
        texts.push_back(text);
    };
    client.Host = "localhost";
    client.Port = peer.Port();
    client.ConnectToHost();
    EXPECT_EQ(texts, (std::vector<std::string>{"Resolving hostname localhost.",
                                               "Connecting to 127.0.0.1.", "Connected."}));
    (void)RecordStatus(client);
}

TEST(Connect, SecondConnectRaisesAlreadyConnectedThenReconnectsAfterDrop) {
    LoopbackPeer peer;
    TIdTCPClient client;
    client.Host = "127.0.0.1";
    client.Port = peer.Port();
    client.ConnectToHost();
    TIdIOHandler* first = client.IOHandler();
    try {
        client.ConnectToHost();
        FAIL() << "no exception";
    } catch (const EIdAlreadyConnected& e) {
        EXPECT_STREQ(e.what(), "Already connected.");
    }
    client.DropConnection();
    EXPECT_EQ(client.IOHandler(), nullptr);
    client.ConnectToHost();
    EXPECT_TRUE(client.IsConnected());
    EXPECT_NE(client.IOHandler(), nullptr);
    (void)first;
}

TEST(Connect, RefusedGivesTheMappedSocketErrorText) {
    TIdTCPClient client;
    client.Host = "127.0.0.1";
    client.Port = ClosedPort();
    try {
        client.ConnectToHost();
        FAIL() << "no exception";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode, 10061);
        EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
    }
    EXPECT_FALSE(client.IsConnected());
}

TEST(Connect, TimedConnectRefusedRaisesConnectExceptionWithTheText) {
    TIdTCPClient client;
    client.Host = "127.0.0.1";
    client.Port = ClosedPort();
    try {
        client.ConnectToHost(2000);
        FAIL() << "no exception";
    } catch (const EIdConnectException& e) {
        EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
    }
}

TEST(Connect, TimedConnectToASilentAddressTimesOutAndClosesTheSocket) {
    SilentListener silent;
    TIdTCPClient client;
    client.Host = "127.0.0.1";
    client.Port = silent.Port();
    const auto start = std::chrono::steady_clock::now();
    try {
        client.ConnectToHost(300);
        FAIL() << "no exception";
    } catch (const EIdConnectTimeout& e) {
        EXPECT_STREQ(e.what(), "Connect timed out.");
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    ASSERT_NE(client.SocketIOHandler(), nullptr);
    EXPECT_FALSE(client.SocketIOHandler()->HasOpenSocket());
}

TEST(Connect, UnknownHostRaisesHostNotFound) {
    TIdTCPClient client;
    client.Host = "no-such-host.invalid";
    client.Port = 21;
    try {
        client.ConnectToHost();
        FAIL() << "no exception";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode, 11001);
        EXPECT_STREQ(e.what(), "Socket Error # 11001\r\nHost not found.");
    }
}

TEST(Close, DropRaisesDisconnectEventsEvenWhenNotOpen) {
    TIdTCPClient client;
    std::vector<std::string> events;
    client.OnStatus = [&](TIdComponent*, TIdStatus, const std::string& t) { events.push_back(t); };
    client.OnDisconnected = [&](TIdComponent*) { events.push_back("OnDisconnected"); };
    client.DropConnection();
    EXPECT_EQ(events,
              (std::vector<std::string>{"Disconnecting.", "OnDisconnected", "Disconnected."}));
}

TEST(Close, PeerCloseThenDropSeesOnDisconnectedTwice) {
    ConnectedPair pair;
    int disconnects = 0;
    pair.Client.OnDisconnected = [&](TIdComponent*) { ++disconnects; };
    pair.Peer.Close();
    EXPECT_THROW(pair.Client.ReadLine(), EIdConnClosedGracefully);
    pair.Client.DropConnection();
    EXPECT_EQ(disconnects, 2);
}

TEST(Write, EmptyWritesDoNothingEvenWhenClosed) {
    TIdTCPClient client;
    EXPECT_NO_THROW(client.WriteText(""));
    EXPECT_NO_THROW(client.SendBytes("x", 0));
    EXPECT_THROW(client.WriteLine(""), EIdNotConnected);
}

TEST(Write, LineGetsCrLfAndWorkIsReported) {
    ConnectedPair pair;
    int32_t written = 0;
    pair.Client.StartWork(TWorkMode::wmWrite, 0);
    pair.Client.OnWork = [&](TIdComponent*, TWorkMode mode, int32_t count) {
        if (mode == TWorkMode::wmWrite)
            written = count;
    };
    pair.Client.WriteLine("NOOP");
    pair.Client.FinishWork(TWorkMode::wmWrite);
    EXPECT_EQ(pair.Peer.ReadExactly(6), "NOOP\r\n");
    EXPECT_EQ(written, 6);
}

TEST(Write, SendToAResetPeerRaisesSocketErrorAndCloses) {
    // The first send meets a connection the peer has reset.
    FailingStack stack(FailingStack::Call::Send, 1, 10054);
    ConnectedPair pair;
    try {
        pair.Client.WriteText("STOR /f\r\n");
        FAIL() << "no exception";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode, 10054);
    }
    EXPECT_FALSE(pair.Client.IsConnected());
    EXPECT_EQ(stack.Calls(FailingStack::Call::Send), 1);
}

TEST(Read, AFailedReceiveRaisesItsSocketError) {
    FailingStack stack(FailingStack::Call::Receive, 1, 10054);
    ConnectedPair pair;
    ASSERT_TRUE(pair.Peer.Send("220 Ready\r\n"));
    try {
        pair.Client.ReadLine();
        FAIL() << "no exception";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode, 10054);
        EXPECT_STREQ(e.what(), "Socket Error # 10054\r\nConnection reset by peer.");
    }
    EXPECT_EQ(stack.Calls(FailingStack::Call::Receive), 1);
}

TEST(Read, ConsumedInputIsReportedAsReadWork) {
    ConnectedPair pair;
    std::vector<int32_t> totals;
    pair.Client.OnWork = [&](TIdComponent*, TWorkMode mode, int32_t count) {
        if (mode == TWorkMode::wmRead)
            totals.push_back(count);
    };
    pair.Client.StartWork(TWorkMode::wmRead, 0);
    ASSERT_TRUE(pair.Peer.Send("ab\r\ncde\n"));
    pair.Client.ReadLine();
    pair.Client.ReadLine();
    pair.Client.FinishWork(TWorkMode::wmRead);
    EXPECT_EQ(totals, (std::vector<int32_t>{4, 8}));
}

TEST(Read, ExplicitTimeoutEndsTheLineReadWithoutRaising) {
    ConnectedPair pair;
    EXPECT_EQ(pair.Client.ReadLine("\n", 30), "");
    EXPECT_TRUE(pair.Client.LastLineTimedOut());
    EXPECT_TRUE(pair.Client.IsConnected());
}

// Filters: a chain wraps symmetrically, outgoing through the outer one first.
class UpperOnSend : public TIdConnectionIntercept {};

TEST(Intercept, FiltersRewriteBothDirectionsInChainOrder) {
    ConnectedPair pair;
    TIdConnectionIntercept outer;
    TIdConnectionIntercept inner;
    outer.SetNextIntercept(&inner);
    std::string order;
    outer.OnSend = [&](TIdConnectionIntercept*, TStream& s) {
        order += "outer-send ";
        std::string text(static_cast<size_t>(s.Size()), '\0');
        s.ReadBuffer(text.data(), s.Size());
        for (char& ch : text)
            ch = static_cast<char>(toupper(ch));
        s.SetPosition(0);
        s.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    };
    inner.OnSend = [&](TIdConnectionIntercept*, TStream&) { order += "inner-send "; };
    outer.OnReceive = [&](TIdConnectionIntercept*, TStream&) { order += "outer-recv "; };
    inner.OnReceive = [&](TIdConnectionIntercept*, TStream& s) {
        order += "inner-recv ";
        s.SetSize(s.Size() - 2); // drop the CR LF...
        s.Seek(0, TSeekOrigin::soEnd);
        s.WriteBuffer("!\n", 2); // ...and end the line another way
    };
    pair.Client.SetIntercept(&outer);
    pair.Client.WriteLine("quit");
    EXPECT_EQ(pair.Peer.ReadExactly(6), "QUIT\r\n");
    ASSERT_TRUE(pair.Peer.Send("ok\r\n"));
    EXPECT_EQ(pair.Client.ReadLine(), "ok!");
    EXPECT_EQ(order, "outer-send inner-send inner-recv outer-recv ");
}

TEST(Intercept, DestroyedFilterIsForgotten) {
    ConnectedPair pair;
    {
        TIdConnectionIntercept temporary;
        pair.Client.SetIntercept(&temporary);
    }
    EXPECT_EQ(pair.Client.Intercept(), nullptr);
    pair.Client.WriteLine("x");
    EXPECT_EQ(pair.Peer.ReadExactly(3), "x\r\n");
}

} // namespace
