// Servers that misbehave around data connections: PASV replies naming other
// hosts or no port, servers that never connect back, strangers on the active
// port, data cut short, failing final replies and stalled data.
#include "core/exceptions.h"
#include "data_peer.h"
#include "hostile_fixture.h"
#include "support/raw_socket.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>

namespace {

std::string RandomBytes(size_t count, unsigned seed) {
    std::mt19937 engine(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = static_cast<char>(engine() & 0xFF);
    return bytes;
}

std::string PortFields(int port) {
    return std::to_string(port / 256) + "," + std::to_string(port % 256);
}

// The port of the first PORT command the server received; 0 when none came
// within the deadline.
int AnnouncedPort(const FakeFtpServer& server) {
    const auto deadline = SupportClock::now() + DefaultWait;
    while (SupportClock::now() < deadline) {
        for (const std::string& command : server.Commands()) {
            if (command.rfind("PORT ", 0) != 0)
                continue;
            std::vector<int> fields;
            size_t start = 5;
            for (size_t comma; (comma = command.find(',', start)) != std::string::npos;
                 start = comma + 1)
                fields.push_back(std::stoi(command.substr(start, comma - start)));
            fields.push_back(std::stoi(command.substr(start)));
            return fields.size() == 6 ? fields[4] * 256 + fields[5] : 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

// A connection to 127.0.0.1:`port` made from the loopback address `from`
// (another local process, as the listener sees it).
RawConnection ConnectFrom(const char* from, int port) {
    const auto deadline = SupportClock::now() + DefaultWait;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    RawConnection connection(fd);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, from, &local.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        throw std::runtime_error(std::string("bind failed: ") + std::strerror(errno));
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    peer.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0 &&
        (errno != EINPROGRESS || WaitForEvents(fd, POLLOUT, deadline) == 0))
        throw std::runtime_error("connect failed");
    SetNonBlocking(fd, false);
    return connection;
}

struct DataHostile : HostileFixture {
    DataHostile() { LogIn(); }
    // Declared last: its thread is joined before the client and server go.
    DataPeer Data;
};

TEST_F(DataHostile, PasvNamingAnotherHostIsDialledOnTheControlConnectionsHost) {
    Client.Passive = true;
    const std::string pasv =
        "227 Entering Passive Mode (10,9,8,7," + PortFields(Data.PassivePort()) + ").";
    const std::string payload = RandomBytes(50000, 3);
    Data.ServePassive(SendAndClose(payload));
    Server.Reply(pasv).ReplyRaw("150 Opening\r\n226 Done\r\n");
    TMemoryStream stream;
    ASSERT_NO_THROW(Client.RetrieveStream("/f", stream, false));
    Data.Join();
    EXPECT_TRUE(stream.ToString() == payload);

    // A store too, and an address that is no address at all.
    std::string stored;
    DataPeer second;
    second.ServePassive(ReceiveUntilClose(stored));
    Server.Reply("227 Entering Passive Mode (a,b,c,d," + PortFields(second.PassivePort()) + ")")
        .ReplyRaw("150 Ready\r\n226 Stored\r\n");
    TMemoryStream upload;
    upload.WriteBuffer(payload.data(), static_cast<int64_t>(payload.size()));
    upload.SetPosition(0);
    ASSERT_NO_THROW(Client.StoreStream(upload, "/up", false));
    second.Join();
    EXPECT_TRUE(stored == payload);
    EXPECT_EQ(Client.Dialled, (Lines{"127.0.0.1", "127.0.0.1"}));

    // The reply itself is still read as it stands.
    Server.Reply(pasv);
    std::string address;
    int32_t port = 0;
    Client.RequestPassiveAddress(address, port);
    EXPECT_EQ(address, "10.9.8.7");
    EXPECT_EQ(port, Data.PassivePort());
    ExpectUsableAgain();
}

TEST_F(DataHostile, PasvPortZeroOrBeyondTheRangeIsRefusedWithoutDialling) {
    Client.Passive = true;
    Server.Reply("227 Entering Passive Mode (127,0,0,1,0,0).")
        .Reply("227 Entering Passive Mode (127,0,0,1,256,0).");
    TMemoryStream stream;
    Failure f = FailureOf([&] { Client.RetrieveStream("/f", stream, false); });
    EXPECT_EQ(f.Class, "EIdInvalidPassiveReply");
    EXPECT_EQ(f.Message, "Invalid port 0 in the passive mode reply.");
    f = FailureOf([&] { Client.StoreStream(stream, "/f", false); });
    EXPECT_EQ(f.Message, "Invalid port 65536 in the passive mode reply.");
    EXPECT_TRUE(Client.Dialled.empty());
    // Nothing else was sent, and the connection is still in step.
    Server.Reply("200 Fine");
    EXPECT_EQ(Client.SendCommand("NOOP", 200), 200);
    EXPECT_EQ(Server.Commands(),
              (Lines{"USER brimol", "PASS pelrosta", "FEAT", "PASV", "PASV", "NOOP"}));
    ExpectUsableAgain();
}

TEST_F(DataHostile, MalformedPasvTuplesRaiseAConversionError) {
    Client.Passive = true;
    Server.Reply("227 Entering Passive Mode (127,0,0,1,x,5)")
        .Reply("227 Entering Passive Mode (1,2,3)")
        .Reply("227 Entering Passive Mode");
    TMemoryStream stream;
    Failure f = FailureOf([&] { Client.RetrieveStream("/f", stream, false); });
    EXPECT_EQ(f.Class, "EConvertError");
    EXPECT_EQ(f.Message, "'x' is not a valid integer value");
    f = FailureOf([&] { Client.RetrieveStream("/f", stream, false); });
    EXPECT_EQ(f.Message, "'' is not a valid integer value");
    f = FailureOf([&] { Client.RetrieveStream("/f", stream, false); });
    EXPECT_EQ(f.Class, "EConvertError");
    EXPECT_TRUE(Client.Dialled.empty());
    ExpectUsableAgain();
}

TEST_F(DataHostile, ServerThatNeverConnectsBackEndsTheWaitAtTheAcceptTimeout) {
    Client.AcceptTimeout = 300;
    Server.Reply("200 PORT ok").Reply("150 Opening");
    TMemoryStream stream;
    const Failure f = FailureOf([&] { Client.RetrieveStream("/f", stream, false); });
    EXPECT_EQ(f.Class, "EIdAcceptTimeout");
    EXPECT_EQ(f.Message, "The server did not open the data connection within 1 seconds.");
    EXPECT_EQ(Client.DataConnection(), nullptr);
    ExpectUsableAgain();
}

TEST_F(DataHostile, AnotherLocalProcessOnTheActivePortIsClosedAndTheServerAccepted) {
    const std::string payload = RandomBytes(30000, 4);
    bool strangerClosed = false;
    std::string strangerGot = "unset";
    std::string problem;
    std::thread peers([&] {
        const int port = AnnouncedPort(Server);
        if (port == 0) {
            problem = "no PORT";
            return;
        }
        try {
            // First in: a process on another loopback address.
            RawConnection stranger = ConnectFrom("127.0.0.2", port);
            strangerClosed = stranger.WaitForClose();
            strangerGot = stranger.ReadAvailable(std::chrono::milliseconds(0));
            // Then the server, from the control connection's address.
            RawConnection server = RawConnection::Connect(port);
            server.Send(payload);
            server.Close();
        } catch (const std::exception& e) {
            problem = e.what();
        }
    });
    Server.Reply("200 PORT ok").ReplyRaw("150 Opening\r\n226 Done\r\n");
    TMemoryStream stream;
    const Failure f = FailureOf([&] { Client.RetrieveStream("/f", stream, false); });
    peers.join();
    ASSERT_EQ(problem, "");
    EXPECT_EQ(f.Class, "none") << f.Message;
    EXPECT_TRUE(strangerClosed);
    EXPECT_EQ(strangerGot, "");
    EXPECT_TRUE(stream.ToString() == payload);
    ExpectUsableAgain();
}

TEST_F(DataHostile, StrangerAloneOnTheActivePortEndsInTheAcceptTimeout) {
    Client.AcceptTimeout = 500;
    bool strangerClosed = false;
    std::thread stranger([&] {
        if (const int port = AnnouncedPort(Server); port != 0) {
            RawConnection connection = ConnectFrom("127.0.0.2", port);
            strangerClosed = connection.WaitForClose();
        }
    });
    Server.Reply("200 PORT ok").Reply("150 Opening");
    TMemoryStream stream;
    const Failure f = FailureOf([&] { Client.StoreStream(stream, "/up", false); });
    stranger.join();
    EXPECT_EQ(f.Class, "EIdAcceptTimeout");
    EXPECT_TRUE(strangerClosed);
    ExpectUsableAgain();
}

// The data connection closes after half the file. The close is how a
// retrieval ends, so only the final reply tells the client what happened; the
// local file keeps what arrived in every case.
struct HalfFile : DataHostile {
    const std::string Whole = RandomBytes(200000, 6);
    const std::string Half = Whole.substr(0, Whole.size() / 2);
    TempDir Dir;
    std::string Local = Dir.File("f.bin");

    Failure Retrieve() {
        Data.ServeActive(Server, SendAndClose(Half));
        return FailureOf([&] { Client.RetrieveFile("/f.bin", Local, true, false); });
    }
};

TEST_F(HalfFile, FailureReplyIsRaisedAndTheLocalFileKeepsTheHalf) {
    Server.Reply("200 PORT ok").ReplyRaw("150 Opening\r\n451 Transfer failed\r\n");
    const Failure f = Retrieve();
    EXPECT_EQ(f.Class, "EIdProtocolReplyError");
    EXPECT_EQ(f.Code, 451);
    EXPECT_EQ(f.Message, "Transfer failed\r\n");
    EXPECT_TRUE(ReadFileBytes(Local) == Half);
    ExpectUsableAgain();
}

TEST_F(HalfFile, AbortedReplyTakesTheAbortPathWithoutAnError) {
    Lines status;
    Client.OnStatus = [&](TIdComponent*, TIdStatus s, const std::string& text) {
        if (s == TIdStatus::ftpAborted)
            status.push_back(text);
    };
    Server.Reply("200 PORT ok")
        .ReplyRaw("150 Opening\r\n426 Connection closed; transfer aborted\r\n226 Closing\r\n");
    const Failure f = Retrieve();
    EXPECT_EQ(f.Class, "none");
    EXPECT_EQ(status, (Lines{"Transfer aborted"}));
    EXPECT_TRUE(ReadFileBytes(Local) == Half);
    ExpectUsableAgain();
}

TEST_F(HalfFile, LoneAbortedReplyWaitsForTheSecondUntilTheReadTimeout) {
    Client.ReadTimeout = 300;
    Server.Reply("200 PORT ok").ReplyRaw("150 Opening\r\n426 Transfer aborted\r\n");
    const Failure f = Retrieve();
    EXPECT_EQ(f.Class, "EIdReadTimeout");
    EXPECT_TRUE(ReadFileBytes(Local) == Half);
    ExpectUsableAgain();
}

TEST_F(HalfFile, SuccessReplyIsTheServersClaimAndTheShortFileStands) {
    Server.Reply("200 PORT ok").ReplyRaw("150 Opening\r\n226 Transfer complete\r\n");
    const Failure f = Retrieve();
    EXPECT_EQ(f.Class, "none");
    EXPECT_TRUE(ReadFileBytes(Local) == Half);
    ExpectUsableAgain();
}

TEST_F(DataHostile, FailureReplyAfterTheWholeDataIsRaised) {
    const std::string whole = RandomBytes(40000, 7);
    Client.Passive = true;
    Data.ServePassive(SendAndClose(whole));
    Server.Reply("227 Entering Passive Mode (127,0,0,1," + PortFields(Data.PassivePort()) + ")")
        .ReplyRaw("150 Opening\r\n452 Insufficient storage\r\n");
    TMemoryStream stream;
    const Failure f = FailureOf([&] { Client.RetrieveStream("/f", stream, false); });
    EXPECT_EQ(f.Class, "EIdProtocolReplyError");
    EXPECT_EQ(f.Code, 452);
    EXPECT_TRUE(stream.ToString() == whole);
    ExpectUsableAgain();
}

TEST_F(DataHostile, StalledDataConnectionTimesOutLikeAStalledReply) {
    // The data connection inherits the client's read time-out.
    Client.ReadTimeout = 300;
    Data.ServeActive(Server, [](RawConnection& connection) {
        connection.Send("a little");
        connection.WaitForClose();
    });
    Server.Reply("200 PORT ok").Reply("150 Opening");
    TMemoryStream stream;
    const Failure f = FailureOf([&] { Client.RetrieveStream("/f", stream, false); });
    EXPECT_EQ(f.Class, "EIdReadTimeout");
    EXPECT_EQ(f.Message, "Read Timeout");
    // The block being read when the time ran out is not written: a retrieval
    // cut short by a time-out keeps what came in whole blocks before it.
    EXPECT_EQ(stream.ToString(), "");
    EXPECT_EQ(Client.DataConnection(), nullptr);
    ExpectUsableAgain();
}

} // namespace
