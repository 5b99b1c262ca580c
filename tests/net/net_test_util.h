// A client connected to a LoopbackPeer, for connection-layer tests.
#pragma once

#include "net/tcp_client.h"
#include "support/loopback_peer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

struct ConnectedPair {
    LoopbackPeer Peer;
    TIdTCPClient Client;

    ConnectedPair() {
        Client.Host = "127.0.0.1";
        Client.Port = Peer.Port();
        Client.ConnectToHost();
        EXPECT_TRUE(Peer.AcceptOne());
    }
};
