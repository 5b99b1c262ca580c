// A scripted FTP control peer on 127.0.0.1 (or ::1) for tests of the client side.
//
// It accepts one connection at a time on its own thread. On each accept it
// sends the greeting, then answers every received line (split at LF, one CR
// before it removed) with the next entry of one reply script shared by all
// connections: a client that reconnects continues the script where it stands.
// When the script is empty it answers "500 Unscripted" (so an unexpected
// command shows up as a refusal in the client and in Commands(), instead of a
// hang). Every line is recorded, in order, across connections.
//
// FEAT, which every login sends, is answered outside the script with
// DefaultFeatAnswer (a server without features), so that a script need not
// know about it; it is still recorded. FeatAnswer() sets another answer, or
// with an empty text hands FEAT to the script like any other command.
//
// Typical use:
//   FakeFtpServer server;
//   server.Reply("331 Password required").Reply("230 Logged in").NoReply();
//   ... connect the client to server.Port(), log in, quit ...
//   EXPECT_EQ(server.Commands(), (std::vector<std::string>{"USER u", "PASS p", "QUIT"}));
#pragma once

#include "support/deadline.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class FakeFtpServer {
public:
    static constexpr const char* DefaultGreeting = "220-Scrivlet test server\r\n220 Ready\r\n";
    static constexpr const char* UnscriptedReply = "500 Unscripted\r\n";
    static constexpr const char* DefaultFeatAnswer = "502 FEAT not implemented\r\n";

    FakeFtpServer();
    // Listens on `loopbackAddress` instead: "::1" for an IPv6 server.
    explicit FakeFtpServer(const char* loopbackAddress);
    ~FakeFtpServer();
    FakeFtpServer(const FakeFtpServer&) = delete;
    FakeFtpServer& operator=(const FakeFtpServer&) = delete;

    int Port() const { return FPort; }

    // --- Script (set before the client acts) ---
    // Bytes sent as they are on every accept; the empty text sends nothing.
    FakeFtpServer& Greeting(std::string bytes);
    // One reply line; CR LF is added.
    FakeFtpServer& Reply(std::string_view line);
    // Bytes sent as they are (multi-line replies, odd terminators, partial lines).
    FakeFtpServer& ReplyRaw(std::string bytes);
    // One reply line (CR LF added), then the connection is closed.
    FakeFtpServer& ReplyAndClose(std::string_view line);
    // Closes the connection without answering.
    FakeFtpServer& CloseWithoutReply();
    // Records the line and says nothing (QUIT, or a server that stalls).
    FakeFtpServer& NoReply();
    // One reply line (CR LF added), sent `delay` after the command arrived;
    // nothing else is answered in between.
    FakeFtpServer& ReplyAfter(std::chrono::milliseconds delay, std::string_view line);
    // Bytes sent as they are for every FEAT, outside the script; the empty
    // text makes FEAT take its answer from the script.
    FakeFtpServer& FeatAnswer(std::string bytes);

    // --- What arrived ---
    std::vector<std::string> Commands() const;
    std::string RawReceived() const;
    // Script entries not used yet.
    size_t PendingReplies() const;
    // Connections accepted so far.
    int Connections() const;

    // Each is true when the condition holds within the deadline.
    bool WaitForCommands(size_t count, std::chrono::milliseconds within = DefaultWait);
    bool WaitForConnections(int count, std::chrono::milliseconds within = DefaultWait);
    // At least one connection was accepted and every accepted one has ended
    // (the client closed, or the server closed it).
    bool WaitForDisconnect(std::chrono::milliseconds within = DefaultWait);

    // --- Acting at a chosen moment ---
    // Sends bytes on the current connection, waiting for one to be accepted
    // first; false when none is there or the bytes could not go out in time.
    bool SendRawNow(std::string_view bytes, std::chrono::milliseconds within = DefaultWait);
    // Closes the current connection (if any) and returns once it is closed.
    void CloseClient(std::chrono::milliseconds within = DefaultWait);

private:
    enum class Action { Reply, ReplyAndClose, CloseWithoutReply, NoReply, ReplyLater };
    struct Step {
        Action action;
        std::string bytes;
        std::chrono::milliseconds delay{0};
    };

    FakeFtpServer& Add(Action action, std::string bytes);
    void Run();
    void Serve(int client);
    // Handles one received line; false when the connection is to be closed.
    bool Answer(int client, const std::string& line);
    void SendOnClient(int client, std::string_view bytes);
    void Wake();

    int FListener = -1;
    int FPort = 0;
    int FWakeRead = -1;
    int FWakeWrite = -1;

    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    std::string FGreeting = DefaultGreeting;
    std::string FFeatAnswer = DefaultFeatAnswer;
    std::deque<Step> FScript;
    std::vector<std::string> FCommands;
    std::string FRaw;
    int FAccepted = 0;
    int FEnded = 0;
    bool FStop = false;
    bool FCloseRequested = false;

    // Guards use of the client socket (sends from the test thread, the close on
    // the server thread), kept apart from FMutex so that a slow send never
    // blocks Commands().
    std::mutex FClientMutex;
    int FClient = -1;

    std::thread FThread;
};
