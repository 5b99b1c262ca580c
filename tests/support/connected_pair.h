// A TCP client connected to a LoopbackPeer whose end has been accepted, for
// the connection-layer tests (the peer talks plain POSIX sockets).
#pragma once

#include "net/tcp_client.h"
#include "support/loopback_peer.h"

#include <gtest/gtest.h>

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
