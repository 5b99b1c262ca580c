// A server that closes the connection at one step of a login or a transfer:
// the client raises the connection layer's error, has closed its sockets (the
// descriptor count is back where it was), and the next login works.
#include "core/exceptions.h"
#include "data_peer.h"
#include "hostile_fixture.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

enum class Step { Greeting, User, Pass, Type, Syst, DataCommand, Preliminary, MidData, Final };

struct FaultCase {
    const char* Name;
    Step At;
    bool Passive;
};

const std::string Payload(100000, 'd');

class CloseAtStep : public HostileFixture, public ::testing::WithParamInterface<FaultCase> {
protected:
    bool IsLoginStep() const { return GetParam().At <= Step::Syst; }

    // The login of ConnectServer with AutoLogin, scripted up to `upTo`
    // (exclusive); the server closes instead of answering that step.
    void ScriptLogin(Step upTo) {
        if (upTo > Step::User)
            Server.Reply("331 Password required");
        if (upTo > Step::Pass)
            Server.Reply("230 Logged in");
        if (upTo > Step::Type)
            Server.Reply("200 Type set to I");
        if (upTo > Step::Syst)
            Server.Reply("215 UNIX Type: L8");
        if (upTo <= Step::Syst && upTo != Step::Greeting)
            Server.CloseWithoutReply();
    }

    void ConnectAndLogIn() {
        Client.Username = "brimol";
        Client.Password = "pelrosta";
        Client.ConnectServer(true);
    }

    // A retrieval whose server closes at the step of the case.
    void ScriptTransfer(DataPeer& data) {
        const FaultCase& c = GetParam();
        // After TYPE I a retrieve asks the file's size first; this server has none.
        Server.Reply("550 SIZE not supported");
        // Sends the data once RETR has come (the login with FEAT, SIZE, PASV or PORT).
        auto afterRetr = [this](RawConnection& connection, bool reset) {
            Server.WaitForCommands(8);
            connection.Send(reset ? Payload.substr(0, Payload.size() / 2) : Payload);
            if (reset) {
                // A crash mid-data: the control connection goes, the data
                // connection is reset.
                Server.CloseClient();
                connection.Abort();
                return;
            }
            connection.Close();
            Server.CloseClient();
        };
        DataPeer::Action action = [](RawConnection& connection) {
            connection.WaitForClose();
            connection.Close();
        };
        if (c.At == Step::MidData || c.At == Step::Final)
            action = [afterRetr, reset = c.At == Step::MidData](RawConnection& connection) {
                afterRetr(connection, reset);
            };
        if (c.At == Step::DataCommand) {
            Server.CloseWithoutReply();
            return;
        }
        if (c.Passive) {
            Server.Reply(data.PasvReply());
            data.ServePassive(action);
        } else {
            Server.Reply("200 PORT ok");
            if (c.At != Step::Preliminary)
                data.ServeActive(Server, action);
        }
        if (c.At == Step::Preliminary)
            Server.CloseWithoutReply();
        else
            Server.Reply("150 Opening data connection");
    }
};

TEST_P(CloseAtStep, RaisesTheConnectionErrorClosesItsSocketsAndLogsInAgain) {
    const FaultCase& c = GetParam();
    Client.Passive = c.Passive;
    DataPeer data;
    const int descriptors = OpenDescriptors();

    Failure f;
    if (IsLoginStep()) {
        std::thread closer;
        if (c.At == Step::Greeting) {
            Server.Greeting("");
            closer = std::thread([this] { Server.CloseClient(); });
        }
        ScriptLogin(c.At);
        f = FailureOf([&] { ConnectAndLogIn(); });
        if (closer.joinable())
            closer.join();
    } else {
        ScriptLogin(Step::DataCommand);
        ASSERT_NO_THROW(ConnectAndLogIn());
        ScriptTransfer(data);
        TMemoryStream stream;
        f = FailureOf([&] { Client.RetrieveStream("/f.bin", stream, false); });
        EXPECT_LE(stream.Size(), static_cast<int64_t>(Payload.size()));
    }
    data.Join();
    ASSERT_EQ(data.Problem(), "");
    ASSERT_TRUE(Server.WaitForDisconnect());

    if (c.At == Step::MidData) {
        EXPECT_EQ(f.Class, "EIdSocketError") << f.Message;
        EXPECT_EQ(f.Code, 10054);
        // The reset came on the data connection; the client learns of the
        // control connection's end only when it next reads it.
        Client.SignOff();
    } else {
        EXPECT_EQ(f.Class, "EIdConnClosedGracefully");
        EXPECT_EQ(f.Message, "Connection Closed Gracefully.");
    }
    EXPECT_FALSE(Client.IsConnected());
    EXPECT_EQ(Client.DataConnection(), nullptr);
    EXPECT_EQ(OpenDescriptors(), descriptors);

    // The next login works, and signing off closes everything again.
    Server.Greeting(FakeFtpServer::DefaultGreeting);
    ScriptLogin(Step::DataCommand);
    ASSERT_NO_THROW(ConnectAndLogIn());
    EXPECT_EQ(Client.ServerSystem, "UNIX Type: L8");
    Client.SignOff();
    ASSERT_TRUE(Server.WaitForDisconnect());
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

const FaultCase Cases[] = {
    {"Greeting", Step::Greeting, false},
    {"User", Step::User, false},
    {"Pass", Step::Pass, false},
    {"Type", Step::Type, false},
    {"Syst", Step::Syst, false},
    {"PasvCommand", Step::DataCommand, true},
    {"PortCommand", Step::DataCommand, false},
    {"PassiveRetrPreliminaryReply", Step::Preliminary, true},
    {"ActiveRetrPreliminaryReply", Step::Preliminary, false},
    {"PassiveMidData", Step::MidData, true},
    {"ActiveMidData", Step::MidData, false},
    {"PassiveFinalReply", Step::Final, true},
    {"ActiveFinalReply", Step::Final, false},
};

INSTANTIATE_TEST_SUITE_P(Steps, CloseAtStep, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<FaultCase>& step) {
                             return std::string(step.param.Name);
                         });

} // namespace
