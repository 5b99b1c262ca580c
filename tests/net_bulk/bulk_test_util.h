// A client connected to a LoopbackPeer, and a recorder of work events.
#pragma once

#include "net/tcp_client.h"
#include "support/loopback_peer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct BulkPair {
    LoopbackPeer Peer;
    TIdTCPClient Client;

    BulkPair() {
        Client.Host = "127.0.0.1";
        Client.Port = Peer.Port();
        Client.ConnectToHost();
        EXPECT_TRUE(Peer.AcceptOne());
    }
};

// Work events as text: "begin read 10", "work read 4", "end read".
struct WorkLog {
    std::vector<std::string> Events;

    explicit WorkLog(TIdComponent& component) {
        component.OnWorkBegin = [this](TIdComponent*, TWorkMode mode, int32_t max) {
            Events.push_back("begin " + Mode(mode) + " " + std::to_string(max));
        };
        component.OnWork = [this](TIdComponent*, TWorkMode mode, int32_t count) {
            Events.push_back("work " + Mode(mode) + " " + std::to_string(count));
        };
        component.OnWorkEnd = [this](TIdComponent*, TWorkMode mode) {
            Events.push_back("end " + Mode(mode));
        };
    }

    static std::string Mode(TWorkMode mode) { return mode == TWorkMode::wmRead ? "read" : "write"; }
};
