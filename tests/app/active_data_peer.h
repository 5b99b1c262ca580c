// The server's side of active-mode data connections for a FakeFtpServer
// script, which itself only answers on the control connection: each time the
// client has sent a LIST, the peer connects to the port of the PORT command
// before it, sends the next prepared listing and closes. Runs on its own
// thread; every wait has a deadline.
#pragma once

#include "support/fake_ftp_server.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class ActiveDataPeer {
public:
    // One text per expected LIST or RETR, in order.
    ActiveDataPeer(FakeFtpServer& server, std::vector<std::string> listings);
    ~ActiveDataPeer();
    ActiveDataPeer(const ActiveDataPeer&) = delete;
    ActiveDataPeer& operator=(const ActiveDataPeer&) = delete;

    // Listings delivered so far.
    int Delivered() const { return FDelivered; }

    // The port of "PORT h1,h2,h3,h4,p1,p2"; 0 when malformed.
    static int PortOf(const std::string& command);

private:
    void Run();

    FakeFtpServer& FServer;
    std::vector<std::string> FListings;
    std::atomic<int> FDelivered{0};
    std::atomic<bool> FStop{false};
    std::thread FThread;
};
