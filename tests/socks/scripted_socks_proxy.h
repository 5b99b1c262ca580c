// A scripted stand-in for a SOCKS proxy on 127.0.0.1: it accepts one
// connection on its own thread, records every byte it receives, and answers
// from a script of reads, answers and a close. It never connects anywhere, so
// a client can ask for any destination without traffic leaving the machine.
//
// Typical use:
//   ScriptedSocksProxy proxy;
//   proxy.Expect(9).Answer(Bytes({0, 90, 0, 0, 0, 0, 0, 0}));
//   ... connect a client through 127.0.0.1:proxy.Port() ...
//   EXPECT_EQ(proxy.Received(), ...);
//
// Each step waits at most DefaultWait; a step that runs out of time ends the
// connection and is reported by Failure(), so a client blocked on the proxy
// is released instead of hanging the test.
#pragma once

#include "support/deadline.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Bytes from their values, for writing wire images readably.
std::string Bytes(std::initializer_list<int> values);

class ScriptedSocksProxy {
public:
    ScriptedSocksProxy();
    ~ScriptedSocksProxy();
    ScriptedSocksProxy(const ScriptedSocksProxy&) = delete;
    ScriptedSocksProxy& operator=(const ScriptedSocksProxy&) = delete;

    int Port() const { return FPort; }

    // --- Script (set before the client connects) ---
    // Reads until `count` more bytes have arrived.
    ScriptedSocksProxy& Expect(size_t count);
    // Sends the bytes in one go.
    ScriptedSocksProxy& Answer(std::string bytes);
    // Sends the bytes one at a time with a short pause after each, so that the
    // client sees them arrive in separate pieces.
    ScriptedSocksProxy& AnswerByteByByte(std::string bytes);
    // Closes the connection; the script ends here.
    ScriptedSocksProxy& Close();
    // After the last step the proxy keeps reading (and recording) until the
    // client closes.

    // --- What happened ---
    std::string Received() const;
    int Connections() const;
    // A step that ran out of time, or empty.
    std::string Failure() const;
    // True when at least `count` bytes have arrived within the deadline.
    bool WaitForReceived(size_t count, std::chrono::milliseconds within = DefaultWait);
    // True when a connection was accepted and has ended within the deadline.
    bool WaitForEnd(std::chrono::milliseconds within = DefaultWait);

private:
    enum class Action { Expect, Answer, AnswerByteByByte, Close };
    struct Step {
        Action action;
        size_t count;
        std::string bytes;
    };

    ScriptedSocksProxy& Add(Step step);
    void Run();
    // Waits for `events` on `fd` in short slices so that a stop request is
    // noticed; false when the deadline passes or a stop is requested first.
    bool WaitFor(int fd, short events, SupportClock::time_point deadline) const;
    void Serve(int client);
    // Reads what is there into the record; false when the client closed.
    bool ReadSome(int client);
    void Fail(std::string what);

    int FListener = -1;
    int FPort = 0;
    std::vector<Step> FScript;

    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    std::string FReceived;
    std::string FFailure;
    int FConnections = 0;
    bool FEnded = false;
    bool FStop = false;

    std::thread FThread;
};
