// The passive fallback against the scripted control peer: an active transfer
// whose data connection never comes (PORT refused, 425, no connection in
// time) runs again in passive mode, in this wire order; the client stays
// passive until the next connection.
#include "core/exceptions.h"
#include "transfer_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace {

// The commands with the PORT arguments left out.
Lines VerbsOf(const FakeFtpServer& server) {
    Lines verbs;
    for (const std::string& command : server.Commands())
        verbs.push_back(command.rfind("PORT ", 0) == 0 ? "PORT" : command);
    return verbs;
}

struct PassiveFallback : TransferFixture {
    int Fallbacks = 0;
    PassiveFallback() {
        Client.PassiveFallback = true;
        Client.OnPassiveFallback = [this](TIdComponent*) { ++Fallbacks; };
    }
};

TEST(PassiveFallbackWire, ActiveFailuresRetryTheSameRetrieveInPassiveMode) {
    struct Case {
        const char* what;
        std::function<void(FakeFtpServer&)> active;
        Lines wire;
    };
    using namespace std::chrono_literals;
    const Case cases[] = {
        {"PORT refused",
         [](FakeFtpServer& s) { s.Reply("500 Illegal PORT command."); },
         {"PORT", "PASV", "RETR /f.bin"}},
        {"425 after the command",
         [](FakeFtpServer& s) { s.Reply("200 PORT ok").Reply("425 Can't open data connection"); },
         {"PORT", "RETR /f.bin", "PASV", "RETR /f.bin"}},
        // The late answer would fail the transfer by itself: only the time-out
        // before it leads to the passive run.
        {"no connection within AcceptTimeout",
         [](FakeFtpServer& s) { s.Reply("200 PORT ok").ReplyAfter(1500ms, "451 Gave up"); },
         {"PORT", "RETR /f.bin", "PASV", "RETR /f.bin"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFtpServer server;
        TIdFTP client;
        client.Host = "127.0.0.1";
        client.Port = server.Port();
        client.ReadTimeout = 10000;
        client.AcceptTimeout = 200;
        client.PassiveFallback = true;
        int fallbacks = 0;
        client.OnPassiveFallback = [&](TIdComponent*) { ++fallbacks; };
        client.ConnectServer(false);
        const std::string payload = RandomBytes(50000, 31);
        DataPeer data;
        data.ServePassive(SendAndClose(payload));
        c.active(server);
        server.Reply(data.PasvReply()).ReplyRaw("150 Opening\r\n226 Done\r\n");
        TMemoryStream stream;
        ASSERT_NO_THROW(client.RetrieveStream("/f.bin", stream, false));
        data.Join();
        EXPECT_TRUE(stream.ToString() == payload);
        EXPECT_EQ(VerbsOf(server), c.wire);
        EXPECT_EQ(fallbacks, 1);
        EXPECT_TRUE(client.Passive);
    }
}

TEST_F(PassiveFallback, UploadSendsItAllAndTheLoginStaysPassiveUntilTheNextConnection) {
    const std::string payload = RandomBytes(20000, 32);
    std::string received;
    Data.ServePassive(ReceiveUntilClose(received));
    Server.Reply("500 Illegal PORT command.")
        .Reply(Data.PasvReply())
        .ReplyRaw("150 Ok to send\r\n226 Stored\r\n");
    TMemoryStream stream = StreamOf(payload);
    Client.StoreStream(stream, "/up.bin", false);
    Data.Join();
    EXPECT_TRUE(received == payload);
    EXPECT_EQ(VerbsOf(Server), (Lines{"PORT", "PASV", "STOR /up.bin"}));
    EXPECT_EQ(Fallbacks, 1);

    // The next transfer goes passive at once.
    DataPeer next;
    next.ServePassive(SendAndClose("x"));
    Server.Reply(next.PasvReply()).ReplyRaw("150 Opening\r\n226 Done\r\n");
    TMemoryStream small;
    Client.RetrieveStream("/x", small, false);
    next.Join();
    const Lines verbs = VerbsOf(Server);
    EXPECT_EQ(Lines(verbs.end() - 2, verbs.end()), (Lines{"PASV", "RETR /x"}));

    // A new connection starts active again.
    Client.SignOff();
    ASSERT_TRUE(Server.WaitForDisconnect());
    Client.ConnectServer(false);
    EXPECT_FALSE(Client.Passive);
    EXPECT_EQ(Fallbacks, 1);
}

} // namespace
