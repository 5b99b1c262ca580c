#include "hostile_fixture.h"

#include "core/exceptions.h"

#include <filesystem>
#include <stdexcept>
#include <typeinfo>

void LoopbackOnlyDataClient::ConnectToHost(int32_t timeout) {
    FDialled.push_back(Host);
    if (Host != "127.0.0.1")
        throw std::runtime_error("test guard: refused to dial " + Host);
    TIdTCPClient::ConnectToHost(timeout);
}

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

Failure FailureOf(const std::function<void()>& call) {
    Failure failure;
    try {
        call();
        failure.Class = "none";
    } catch (const EIdProtocolReplyError& e) {
        failure = {"EIdProtocolReplyError", e.what(), e.ReplyCode};
    } catch (const EIdReadLnMaxLineLengthExceeded& e) {
        failure = {"EIdReadLnMaxLineLengthExceeded", e.what()};
    } catch (const EIdPeerLimitExceeded& e) {
        failure = {"EIdPeerLimitExceeded", e.what()};
    } catch (const EIdConnClosedGracefully& e) {
        failure = {"EIdConnClosedGracefully", e.what()};
    } catch (const EIdReadTimeout& e) {
        failure = {"EIdReadTimeout", e.what()};
    } catch (const EIdAcceptTimeout& e) {
        failure = {"EIdAcceptTimeout", e.what()};
    } catch (const EIdInvalidPassiveReply& e) {
        failure = {"EIdInvalidPassiveReply", e.what()};
    } catch (const EIdSocketError& e) {
        failure = {"EIdSocketError", e.what(), e.SocketErrorCode};
    } catch (const EConvertError& e) {
        failure = {"EConvertError", e.what()};
    } catch (const std::exception& e) {
        failure = {typeid(e).name(), e.what()};
    }
    return failure;
}

void HostileFixture::LogIn() {
    Server.Reply("331 Password required").Reply("230 Logged in");
    Client.Username = "brimol";
    Client.Password = "pelrosta";
    Client.ConnectServer(false);
    Client.SignOn();
}

void HostileFixture::ExpectUsableAgain() {
    Client.SignOff();
    EXPECT_FALSE(Client.IsConnected());
    // The server serves one connection at a time: the old one must be gone
    // (a QUIT it answers goes nowhere) before the new script is set.
    ASSERT_TRUE(Server.WaitForDisconnect());
    Server.Greeting(FakeFtpServer::DefaultGreeting);
    const int connections = Server.Connections();
    ASSERT_NO_THROW(LogIn());
    EXPECT_EQ(Server.Connections(), connections + 1);
    EXPECT_EQ(Client.LoginReply().NumericCode(), 230);
    Server.Reply("200 Still here");
    EXPECT_EQ(Client.SendCommand("NOOP", 200), 200);
    const Lines commands = Server.Commands();
    ASSERT_GE(commands.size(), 4u);
    EXPECT_EQ(Lines(commands.end() - 4, commands.end()),
              (Lines{"USER brimol", "PASS pelrosta", "FEAT", "NOOP"}));
}
