// The far end of a connection for connection-layer tests: a listener on
// 127.0.0.1 (or ::1) whose accepted socket the test drives directly.
#pragma once

#include "support/raw_connection.h"

class LoopbackPeer {
public:
    explicit LoopbackPeer(int backlog = 8, const char* address = "127.0.0.1");
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    int Port() const { return FPort; }

    // Accepts the next connection, replacing (and closing) the previous one.
    // False when none arrives within the deadline.
    bool AcceptOne(std::chrono::milliseconds within = DefaultWait);
    // The accepted connection (not open before AcceptOne succeeds).
    RawConnection& Connection() { return FConnection; }

    bool Send(std::string_view bytes, std::chrono::milliseconds within = DefaultWait) {
        return FConnection.Send(bytes, within);
    }
    std::string ReadAvailable(std::chrono::milliseconds within = DefaultWait) {
        return FConnection.ReadAvailable(within);
    }
    std::string ReadExactly(size_t count, std::chrono::milliseconds within = DefaultWait) {
        return FConnection.ReadExactly(count, within);
    }
    std::string ReadLine(std::chrono::milliseconds within = DefaultWait) {
        return FConnection.ReadLine(within);
    }
    std::string ReadUntilClose(std::chrono::milliseconds within = DefaultWait) {
        return FConnection.ReadUntilClose(within);
    }
    bool WaitForClose(std::chrono::milliseconds within = DefaultWait) {
        return FConnection.WaitForClose(within);
    }
    bool PeerClosed() const { return FConnection.PeerClosed(); }
    // Orderly close of the accepted connection.
    void Close() { FConnection.Close(); }
    // Close of the accepted connection with a reset.
    void Abort() { FConnection.Abort(); }
    // Stops listening; later connects to Port() are refused.
    void CloseListener();

private:
    int FListener = -1;
    int FPort = 0;
    RawConnection FConnection;
};
