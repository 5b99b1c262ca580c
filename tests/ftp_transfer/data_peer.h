// The server's side of one data connection, for transfers scripted with
// FakeFtpServer (which only speaks the control channel). It runs on its own
// thread: in passive mode it listens where its PASV reply points; in active
// mode it waits for the client's PORT command, checks that it names
// 127.0.0.1, and connects there. Then it runs the test's action on the
// connection. Every wait has a deadline.
#pragma once

#include "support/fake_ftp_server.h"
#include "support/loopback_peer.h"
#include "support/raw_connection.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class DataPeer {
public:
    using Action = std::function<void(RawConnection& connection)>;

    DataPeer() = default;
    ~DataPeer();
    DataPeer(const DataPeer&) = delete;
    DataPeer& operator=(const DataPeer&) = delete;

    // "227 Entering Passive Mode (127,0,0,1,h,l)." for the passive listener;
    // without parentheses when asked.
    std::string PasvReply(bool parentheses = true) const;
    int PassivePort() const { return FListener.Port(); }

    // Accepts the client's connection to PassivePort() and runs `action`.
    void ServePassive(Action action);
    // Waits for a PORT command on `server`, connects to it and runs `action`.
    void ServeActive(FakeFtpServer& server, Action action);
    // Waits until the action has ended (or the peer gave up).
    void Join();

    // The text after "PORT " of the command it connected to; empty before.
    std::string PortArguments() const;
    // The announced port of that command.
    int AnnouncedPort() const { return FAnnouncedPort; }
    // A data connection was made and the action ran.
    bool Served() const { return FServed; }
    // What went wrong on the peer's side, if anything.
    std::string Problem() const;

private:
    void Fail(const std::string& problem);

    LoopbackPeer FListener;
    std::thread FThread;
    mutable std::mutex FMutex;
    std::string FPortArguments;
    std::string FProblem;
    std::atomic<int> FAnnouncedPort{0};
    std::atomic<bool> FServed{false};
};

// Action helpers.
// Sends `bytes` and closes the connection.
DataPeer::Action SendAndClose(std::string bytes);
// Reads until the client closes and stores what arrived in `received`.
DataPeer::Action ReceiveUntilClose(std::string& received);
