// Aborting a transfer from another thread: the wait for the server's
// connection ends at once, a running retrieval or store stops, and the final
// replies 426 and 226 report the abort without an exception.
#include "core/exceptions.h"
#include "transfer_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include <poll.h>
#include <sys/socket.h>

namespace {

using Abort = TransferFixture;

// Waits (with a deadline) until `flag` is set.
bool WaitFor(const std::atomic<bool>& flag) {
    const auto deadline = SupportClock::now() + DefaultWait;
    while (!flag && SupportClock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return flag;
}

// Calls AbortTransfer once data has started to move.
struct AbortWhenDataMoves {
    TIdFTP& client;
    std::atomic<bool> moving{false};
    std::thread thread;

    explicit AbortWhenDataMoves(TIdFTP& ftp) : client(ftp) {
        client.OnWork = [this](TIdComponent*, TWorkMode, int32_t) { moving = true; };
        thread = std::thread([this] {
            if (WaitFor(moving))
                client.AbortTransfer();
        });
    }
    ~AbortWhenDataMoves() {
        thread.join();
        client.OnWork = nullptr;
    }
};

TEST_F(Abort, WithoutATransferOnlyAborIsSent) {
    Server.Reply("225 No transfer to abort");
    Client.AbortTransfer();
    ASSERT_TRUE(Server.WaitForCommands(1));
    EXPECT_EQ(Server.Commands(), (Lines{"ABOR"}));
}

TEST_F(Abort, EndsTheWaitForTheServersConnection) {
    // The wait would run 60 s and then fail; only the abort ends it early and
    // without an exception.
    Client.AcceptTimeout = 60000;
    Server.Reply("200 PORT ok")
        .Reply("150 Opening")
        .ReplyRaw("426 Transfer aborted\r\n226 ABOR successful\r\n");
    std::thread aborter([&] {
        if (Server.WaitForCommands(2))
            Client.AbortTransfer();
    });
    TMemoryStream stream;
    EXPECT_NO_THROW(Client.RetrieveStream("/f", stream, false));
    aborter.join();
    EXPECT_EQ(stream.Size(), 0);
    ASSERT_EQ(Server.Commands().size(), 3u);
    EXPECT_EQ(Server.Commands()[2], "ABOR");
    EXPECT_EQ(Status, Aborted());
    EXPECT_EQ(Client.DataConnection(), nullptr);
}

TEST_F(Abort, StopsARunningPassiveRetrieval) {
    Client.Passive = true;
    const std::string first = RandomBytes(64 << 10, 31);
    bool closedByClient = false;
    Data.ServePassive([&](RawConnection& connection) {
        connection.Send(first);
        // More would follow; the client's abort closes the connection first.
        closedByClient = connection.WaitForClose();
    });
    Server.Reply(Data.PasvReply())
        .Reply("150 Opening")
        .ReplyRaw("426 Transfer aborted\r\n226 ABOR successful\r\n");
    TMemoryStream stream;
    {
        AbortWhenDataMoves aborter(Client);
        EXPECT_NO_THROW(Client.RetrieveStream("/f", stream, false));
    }
    Data.Join();
    EXPECT_TRUE(closedByClient);
    EXPECT_LE(stream.Size(), static_cast<int64_t>(first.size()));
    EXPECT_TRUE(stream.ToString() == first.substr(0, static_cast<size_t>(stream.Size())));
    EXPECT_EQ(Status, Aborted());
}

TEST_F(Abort, StopsARunningPassiveStore) {
    Client.Passive = true;
    std::atomic<bool> release{false};
    Data.ServePassive([&](RawConnection& connection) {
        // Reads nothing, so that the client's send blocks once the buffers fill.
        WaitFor(release);
        connection.Close();
    });
    Server.Reply(Data.PasvReply())
        .Reply("150 Ok")
        .ReplyRaw("426 Transfer aborted\r\n226 ABOR successful\r\n");
    TMemoryStream stream = StreamOf(std::string(64 << 20, 's'));
    {
        AbortWhenDataMoves aborter(Client);
        EXPECT_NO_THROW(Client.StoreStream(stream, "/up.bin", false));
    }
    release = true;
    EXPECT_EQ(Status, Aborted());
    ASSERT_EQ(Server.Commands().size(), 3u);
    EXPECT_EQ(Server.Commands()[2], "ABOR");
}

// How the client's side of a data connection ended, as the server sees it:
// "reset", "end of stream" or "open" (nothing within the deadline).
std::string HowItEnded(RawConnection& connection) {
    const auto deadline = SupportClock::now() + DefaultWait;
    char buffer[1 << 16];
    while (SupportClock::now() < deadline) {
        pollfd ready{connection.Fd(), POLLIN, 0};
        if (::poll(&ready, 1, 50) <= 0)
            continue;
        const ssize_t n = ::recv(connection.Fd(), buffer, sizeof buffer, 0);
        if (n == 0)
            return "end of stream";
        if (n < 0)
            return errno == ECONNRESET ? "reset" : "error";
    }
    return "open";
}

TEST_F(Abort, AnAbortedStoreIsResetNotEnded) {
    // An orderly end would tell the server the upload is complete.
    Client.Passive = true;
    std::string ending;
    Data.ServePassive([&](RawConnection& connection) { ending = HowItEnded(connection); });
    Server.Reply(Data.PasvReply())
        .Reply("150 Ok")
        .ReplyRaw("426 Transfer aborted\r\n226 ABOR successful\r\n");
    TMemoryStream stream = StreamOf(std::string(64 << 20, 's'));
    {
        AbortWhenDataMoves aborter(Client);
        EXPECT_NO_THROW(Client.StoreStream(stream, "/up.bin", false));
    }
    Data.Join();
    EXPECT_EQ(ending, "reset");
    EXPECT_EQ(Status, Aborted());
}

TEST_F(Abort, StopsARunningActiveRetrieval) {
    std::atomic<bool> release{false};
    Data.ServeActive(Server, [&](RawConnection& connection) {
        connection.Send(RandomBytes(64 << 10, 32));
        WaitFor(release);
        connection.Close();
    });
    Server.Reply("200 PORT ok")
        .Reply("150 Opening")
        .ReplyRaw("426 Transfer aborted\r\n226 ABOR successful\r\n");
    TMemoryStream stream;
    {
        AbortWhenDataMoves aborter(Client);
        EXPECT_NO_THROW(Client.RetrieveStream("/f", stream, false));
    }
    release = true;
    Data.Join();
    EXPECT_EQ(Data.Problem(), "");
    EXPECT_EQ(Status, Aborted());
}

} // namespace
