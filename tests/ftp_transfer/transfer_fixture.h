// A client connected (greeting read, not logged in) to a scripted control
// peer, with its FTP status texts recorded.
#pragma once

#include "data_peer.h"
#include "ftp/ftp_client.h"
#include "support/fake_ftp_server.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using Lines = std::vector<std::string>;

// A stream holding `bytes`, positioned at its start.
inline TMemoryStream StreamOf(const std::string& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    return stream;
}

// A port nothing listens on: a listener opened and closed at once.
inline int ClosedPort() {
    LoopbackPeer peer;
    const int port = peer.Port();
    peer.CloseListener();
    return port;
}

inline std::string PasvReplyFor(int port) {
    return "227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," +
           std::to_string(port % 256) + ").";
}

struct TransferFixture : ::testing::Test {
    FakeFtpServer Server;
    TIdFTP Client;
    // "transfer Starting FTP transfer", "ready Transfer complete", "aborted ...".
    Lines Status;
    // Declared after the client and the server: its thread is joined first.
    DataPeer Data;

    TransferFixture() {
        Client.Host = "127.0.0.1";
        Client.Port = Server.Port();
        Client.OnStatus = [this](TIdComponent*, TIdStatus status, const std::string& text) {
            switch (status) {
            case TIdStatus::ftpTransfer: Status.push_back("transfer " + text); break;
            case TIdStatus::ftpReady: Status.push_back("ready " + text); break;
            case TIdStatus::ftpAborted: Status.push_back("aborted " + text); break;
            default: break;
            }
        };
        // A reply the script lacks fails the test instead of hanging it.
        Client.ReadTimeout = 10000;
        Client.ConnectServer(false);
    }

    // The status texts of a transfer that ended, with or without an exception.
    static Lines Completed() {
        return {"transfer Starting FTP transfer", "ready Transfer complete"};
    }
    static Lines Aborted() {
        return {"transfer Starting FTP transfer", "ready Transfer complete",
                "aborted Transfer aborted"};
    }
};
