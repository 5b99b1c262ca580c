// Socket handles against plain loopback peers: connect, accept, readiness
// waits, release from another thread, and sends to a vanished peer.
#include "core/exceptions.h"
#include "sock/socket_handle.h"
#include "sock/socket_list.h"
#include "sock_test_helpers.h"
#include "support/loopback_peer.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <csignal>
#include <future>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr int32_t WaitMs = static_cast<int32_t>(DefaultWait.count());

// A handle connected to a LoopbackPeer whose end has been accepted.
struct ConnectedPair {
    ConnectedPair() {
        handle.OpenSocket();
        handle.AssignPeer("127.0.0.1", peer.Port());
        CheckSocketResult(handle.ConnectPeer());
        accepted = peer.AcceptOne();
    }
    LoopbackPeer peer;
    TIdSocketHandle handle;
    bool accepted = false;
};

// Shuts `fd` down if not cancelled within the deadline, so that a wait without
// limit that fails to return still ends.
class Watchdog {
public:
    explicit Watchdog(int fd)
        : FThread([this, fd] {
              std::unique_lock<std::mutex> hold(FMutex);
              if (!FCancelled.wait_for(hold, DefaultWait, [this] { return FDone; }))
                  ::shutdown(fd, SHUT_RDWR);
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> hold(FMutex);
            FDone = true;
        }
        FCancelled.notify_all();
        FThread.join();
    }

private:
    std::mutex FMutex;
    std::condition_variable FCancelled;
    bool FDone = false;
    std::thread FThread;
};

} // namespace

TEST(ConnectPeer, ARefusedConnectRaisesConnectionRefused) {
    TIdSocketHandle handle;
    handle.OpenSocket();
    handle.AssignPeer("127.0.0.1", ClosedLoopbackPort());
    const int result = handle.ConnectPeer();
    EXPECT_EQ(result, Id_SOCKET_ERROR);
    try {
        CheckSocketResult(result);
        FAIL() << "no exception";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode, 10061);
        EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
    }
}

TEST(ConnectPeer, FillsInBothEndsOfTheConnection) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.accepted);
    EXPECT_EQ(pair.handle.RemoteIP, "127.0.0.1");
    EXPECT_EQ(pair.handle.RemotePort, pair.peer.Port());
    EXPECT_EQ(pair.handle.IP, "127.0.0.1");
    EXPECT_GT(pair.handle.Port, 0);
    EXPECT_TRUE(pair.handle.IsAllocated());
}

TEST(ConnectPeer, AMalformedAddressFailsInTheConversion) {
    TIdSocketHandle handle;
    handle.OpenSocket();
    handle.AssignPeer("", 21);
    EXPECT_THROW(handle.ConnectPeer(), EConvertError);
}

TEST(AcceptPeer, TakesTheConnectionWithBothAddresses) {
    TIdSocketHandle listener;
    listener.OpenSocket();
    listener.IP = "127.0.0.1";
    listener.BindLocal();
    listener.ListenForPeers(5);
    RawConnection client = RawConnection::Connect(listener.Port);

    TIdSocketHandle accepted;
    ASSERT_TRUE(accepted.AcceptPeer(listener.NativeSocket()));
    EXPECT_TRUE(accepted.IsAllocated());
    EXPECT_EQ(accepted.IP, "127.0.0.1");
    EXPECT_EQ(accepted.Port, listener.Port);
    EXPECT_EQ(accepted.RemoteIP, "127.0.0.1");
    EXPECT_GT(accepted.RemotePort, 0);
    EXPECT_NE(accepted.RemotePort, listener.Port);

    ASSERT_TRUE(client.Send("ping"));
    char buffer[8] = {};
    ASSERT_TRUE(accepted.WaitReadable(WaitMs));
    EXPECT_EQ(accepted.ReceiveData(buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer, 4), "ping");
}

TEST(AcceptPeer, ReturnsFalseWhenAnotherThreadReleasesTheListener) {
    TIdSocketHandle listener;
    listener.OpenSocket();
    listener.IP = "127.0.0.1";
    listener.BindLocal();
    listener.ListenForPeers(5);

    // Shared with the accepting thread, which is left behind (not joined) if it
    // never returns, so that the failure is reported instead of hanging.
    auto accepted = std::make_shared<TIdSocketHandle>();
    auto result = std::make_shared<std::promise<bool>>();
    std::future<bool> done = result->get_future();
    std::thread waiter([accepted, result, fd = listener.NativeSocket()] {
        try {
            result->set_value(accepted->AcceptPeer(fd));
        } catch (...) {
            result->set_exception(std::current_exception());
        }
    });
    // Let the waiter block in accept (if it is not there yet, the closed socket
    // gives the same answer).
    std::this_thread::sleep_for(100ms);
    listener.ReleaseSocket();
    if (done.wait_for(DefaultWait) != std::future_status::ready) {
        waiter.detach();
        FAIL() << "accept still blocked after the listener was released";
    }
    waiter.join();
    EXPECT_FALSE(done.get());
    EXPECT_FALSE(accepted->IsAllocated());
}

TEST(WaitReadable, ZeroPollsAndReportsData) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.accepted);
    EXPECT_FALSE(pair.handle.WaitReadable(0));
    ASSERT_TRUE(pair.peer.Send("x"));
    EXPECT_TRUE(pair.handle.WaitReadable(WaitMs));
    EXPECT_TRUE(pair.handle.WaitReadable(0));
    char c = 0;
    EXPECT_EQ(pair.handle.ReceiveData(&c, 1), 1);
    EXPECT_FALSE(pair.handle.WaitReadable(0));
}

TEST(WaitReadable, APeerThatClosedMakesTheSocketReadableWithEndOfStream) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.accepted);
    pair.peer.Close();
    ASSERT_TRUE(pair.handle.WaitReadable(WaitMs));
    char c = 0;
    EXPECT_EQ(pair.handle.ReceiveData(&c, 1), 0);
}

TEST(WaitReadable, WithoutLimitWaitsForData) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.accepted);
    Watchdog watchdog(pair.handle.NativeSocket());
    std::thread sender([&] {
        std::this_thread::sleep_for(50ms);
        pair.peer.Send("late");
    });
    EXPECT_TRUE(pair.handle.WaitReadable(IdTimeoutInfinite));
    sender.join();
    char buffer[8] = {};
    EXPECT_EQ(pair.handle.ReceiveData(buffer, sizeof buffer), 4);
}

TEST(WaitReadable, AfterReleaseSocketRaisesClosedGracefully) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.accepted);
    pair.handle.ReleaseSocket();
    EXPECT_FALSE(pair.handle.IsAllocated());
    // The closed socket's number is gone (the system may reuse it); the
    // addresses stay for whoever looks afterwards.
    EXPECT_EQ(pair.handle.NativeSocket(), Id_INVALID_SOCKET);
    EXPECT_EQ(pair.handle.RemotePort, pair.peer.Port());
    try {
        pair.handle.WaitReadable(0);
        FAIL() << "no exception";
    } catch (const EIdConnClosedGracefully& e) {
        EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
    }
    // The peer sees the close; a second release does nothing.
    EXPECT_TRUE(pair.peer.WaitForClose());
    pair.handle.ReleaseSocket();
}

TEST(WaitReadable, ANeverOpenedHandleIsClosed) {
    TIdSocketHandle handle;
    EXPECT_THROW(handle.WaitReadable(0), EIdConnClosedGracefully);
}

TEST(SocketHandle, DestroyingItClosesTheConnection) {
    LoopbackPeer peer;
    {
        TIdSocketHandle handle;
        handle.OpenSocket();
        handle.AssignPeer("127.0.0.1", peer.Port());
        CheckSocketResult(handle.ConnectPeer());
        ASSERT_TRUE(peer.AcceptOne());
        ASSERT_EQ(handle.SendData("bye", 3), 3);
    }
    EXPECT_EQ(peer.ReadUntilClose(), "bye");
    EXPECT_TRUE(peer.PeerClosed());
}

TEST(SocketHandle, ResetBindingClosesTheSocketItOwns) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.accepted);
    pair.handle.ResetBinding(false);
    EXPECT_FALSE(pair.handle.IsAllocated());
    EXPECT_EQ(pair.handle.NativeSocket(), Id_INVALID_SOCKET);
    EXPECT_EQ(pair.handle.RemoteIP, "");
    EXPECT_EQ(pair.handle.RemotePort, 0);
    EXPECT_EQ(pair.handle.IP, "127.0.0.1");
    // Nobody else owns the socket, so it is not left open.
    EXPECT_TRUE(pair.peer.WaitForClose());
}

TEST(SocketHandle, TakeSocketHandsTheOpenSocketOver) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.accepted);
    const TIdStackSocketHandle fd = pair.handle.NativeSocket();
    {
        TIdSocketDescriptor taken = pair.handle.TakeSocket();
        EXPECT_FALSE(pair.handle.IsAllocated());
        EXPECT_EQ(pair.handle.RemotePort, pair.peer.Port());
        ASSERT_EQ(taken.get(), fd);
        ASSERT_EQ(Stack().SockSend(taken.get(), "still", 5, 0), 5);
        EXPECT_EQ(pair.peer.ReadExactly(5), "still");
    }
    // The new owner closed it when it went.
    EXPECT_TRUE(pair.peer.WaitForClose());
}

TEST(SocketHandle, CopyBindingTakesBothAddresses) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.accepted);
    TIdSocketHandle copy;
    copy.CopyBinding(pair.handle);
    EXPECT_EQ(copy.IP, pair.handle.IP);
    EXPECT_EQ(copy.Port, pair.handle.Port);
    EXPECT_EQ(copy.RemoteIP, "127.0.0.1");
    EXPECT_EQ(copy.RemotePort, pair.peer.Port());
    EXPECT_FALSE(copy.IsAllocated());
}

TEST(SetOption, SetsNoDelayAndRaisesForAnUnknownOption) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.accepted);
    const int one = 1;
    pair.handle.SetOption(Id_IPPROTO_TCP, Id_TCP_NODELAY, &one, sizeof one);
    int value = 0;
    int length = sizeof value;
    ASSERT_EQ(
        Stack().SockGetOption(pair.handle.NativeSocket(), IPPROTO_TCP, TCP_NODELAY, &value, length),
        0);
    EXPECT_NE(value, 0);
    try {
        pair.handle.SetOption(Id_IPPROTO_TCP, 9999, &one, sizeof one);
        FAIL() << "no exception";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode, 10042);
        EXPECT_STREQ(e.what(), "Socket Error # 10042\r\nBad protocol option.");
    }
}

namespace {

// Sends until a send fails (the peer's reset may still be on its way), giving
// up after about two seconds.
int64_t SendUntilFailure(TIdSocketHandle& handle) {
    int64_t result = 0;
    for (int i = 0; i < 400 && result >= 0; ++i) {
        result = handle.SendData("data", 4);
        if (result >= 0)
            std::this_thread::sleep_for(5ms);
    }
    return result;
}

} // namespace

TEST(SendData, ToAPeerThatIsGoneGivesConnectionResetNotSigpipe) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.accepted);
    pair.peer.Abort();
    ASSERT_TRUE(pair.handle.WaitReadable(WaitMs));
    // The first failure reports the reset, later ones a broken pipe: both are
    // the same code, and neither may end the process.
    EXPECT_EQ(SendUntilFailure(pair.handle), -1);
    EXPECT_EQ(Stack().LastErrorCode(), 10054);
    EXPECT_EQ(SendUntilFailure(pair.handle), -1);
    try {
        CheckSocketResult(Id_SOCKET_ERROR);
        FAIL() << "no exception";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode, 10054);
        EXPECT_STREQ(e.what(), "Socket Error # 10054\r\nConnection reset by peer.");
    }
}

TEST(SendData, DoesNotRaiseSigpipeEvenWithTheDefaultDisposition) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.accepted);
    // A host program may restore the default, which ends the process.
    struct sigaction saved {};
    struct sigaction fatal {};
    fatal.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &fatal, &saved);
    pair.peer.Close();
    pair.peer.CloseListener();
    ASSERT_TRUE(pair.handle.WaitReadable(WaitMs));
    const int64_t first = SendUntilFailure(pair.handle);
    const int64_t second = SendUntilFailure(pair.handle);
    ::sigaction(SIGPIPE, &saved, nullptr);
    EXPECT_EQ(first, -1);
    EXPECT_EQ(second, -1);
    EXPECT_EQ(Stack().LastErrorCode(), 10054);
}

TEST(OpenSocket, AFailingSocketCallRaisesCannotAllocate) {
    class NoSocketStack : public TIdStackPosix {
    public:
        TIdStackSocketHandle SockCreate(int, int, int) override {
            RecordError(IdCode::WSAEMFILE);
            return Id_INVALID_SOCKET;
        }
    };
    ScopedStackClass stack([] { return std::make_unique<NoSocketStack>(); });
    TIdSocketHandle handle;
    try {
        handle.OpenSocket();
        FAIL() << "no exception";
    } catch (const EIdInvalidSocket& e) {
        EXPECT_STREQ(e.what(), "Cannot allocate socket.");
    }
    EXPECT_FALSE(handle.IsAllocated());
}

TEST(SockSelect, LeavesOnlyTheReadySocketsInTheList) {
    ConnectedPair quiet;
    ConnectedPair busy;
    ASSERT_TRUE(quiet.accepted && busy.accepted);
    ASSERT_TRUE(busy.peer.Send("!"));
    ASSERT_TRUE(busy.handle.WaitReadable(WaitMs));

    TIdSocketListPosix read;
    read.AddSocket(quiet.handle.NativeSocket());
    read.AddSocket(busy.handle.NativeSocket());
    EXPECT_EQ(Stack().SockSelect(&read, nullptr, nullptr, 0), 1);
    ASSERT_EQ(read.SocketCount(), 1);
    EXPECT_EQ(read.SocketAt(0), busy.handle.NativeSocket());

    TIdSocketListPosix write;
    write.AddSocket(quiet.handle.NativeSocket());
    TIdSocketListPosix none;
    none.AddSocket(quiet.handle.NativeSocket());
    EXPECT_EQ(Stack().SockSelect(&none, &write, nullptr, 0), 1);
    EXPECT_EQ(none.SocketCount(), 0);
    EXPECT_EQ(write.SocketCount(), 1);
}
