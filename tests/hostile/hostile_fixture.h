// What the hostile-server tests share: a client talking to a scripted control
// peer that misbehaves on purpose, a check that the client can reconnect and
// log in again afterwards, the message a call fails with, and the count of
// this process's open descriptors.
#pragma once

#include "ftp/ftp_client.h"
#include "support/fake_ftp_server.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using Lines = std::vector<std::string>;

// The open file descriptors of this process.
int OpenDescriptors();

// The class and message of what `call` raised ("none" when it returned).
struct Failure {
    std::string Class;
    std::string Message;
    // The reply code of a refused reply, the error code of a socket error.
    int Code = -1;
};
Failure FailureOf(const std::function<void()>& call);

// A passive data client that records every host it is asked to dial and
// dials none but 127.0.0.1: a client that followed a PASV reply to another
// host fails here instead of sending anything off this machine.
class LoopbackOnlyDataClient : public TIdTCPClient {
public:
    explicit LoopbackOnlyDataClient(Lines& dialled) : FDialled(dialled) {}
    void ConnectToHost(int32_t timeout = IdTimeoutDefault) override;

private:
    Lines& FDialled;
};

// The client under test: the library's TIdFTP with the dial guard above, and
// its PASV parse open to the tests.
class GuardedFtp : public TIdFTP {
public:
    using TIdFTP::RequestPassiveAddress;
    // The hosts passive data connections were asked to dial, in order.
    Lines Dialled;

protected:
    std::unique_ptr<TIdTCPClient> CreatePassiveDataClient() override {
        return std::make_unique<LoopbackOnlyDataClient>(Dialled);
    }
};

struct HostileFixture : ::testing::Test {
    FakeFtpServer Server;
    GuardedFtp Client;

    HostileFixture() {
        Client.Host = "127.0.0.1";
        Client.Port = Server.Port();
        // A reply the script lacks fails the test instead of hanging it.
        Client.ReadTimeout = 10000;
    }

    // Connects and logs in on the script's next two replies.
    void LogIn();
    // The user's way out of a failure: sign off, connect and log in again,
    // then a command on the new connection.
    void ExpectUsableAgain();
};
