// One connected TCP socket that a test drives byte by byte: send, read with a
// deadline, close gracefully or with a reset. Used on both sides: as the
// accepted end of a LoopbackPeer and as a plain client of a server under test.
#pragma once

#include "support/deadline.h"

#include <chrono>
#include <string>
#include <string_view>

class RawConnection {
public:
    RawConnection() = default;
    // Takes ownership of a connected socket.
    explicit RawConnection(int fd);
    ~RawConnection();
    RawConnection(RawConnection&& other) noexcept;
    RawConnection& operator=(RawConnection&& other) noexcept;
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    // Connects to 127.0.0.1:`port`; throws std::runtime_error when that fails or
    // does not finish within `within`.
    static RawConnection Connect(int port, std::chrono::milliseconds within = DefaultWait);
    // The same to [::1]:`port`.
    static RawConnection ConnectIPv6(int port, std::chrono::milliseconds within = DefaultWait);

    bool IsOpen() const { return FFd >= 0; }
    int Fd() const { return FFd; }

    // False when the peer is gone or the bytes could not all go out in time.
    bool Send(std::string_view bytes, std::chrono::milliseconds within = DefaultWait);

    // Waits for data, then returns everything that has arrived so far; empty when
    // the deadline passes or the peer closes first.
    std::string ReadAvailable(std::chrono::milliseconds within = DefaultWait);
    // Exactly `count` bytes, or fewer when the peer closes or the deadline passes.
    std::string ReadExactly(size_t count, std::chrono::milliseconds within = DefaultWait);
    // One line including its LF; the partial text when the peer closes or the
    // deadline passes first.
    std::string ReadLine(std::chrono::milliseconds within = DefaultWait);
    // Everything until the peer closes (or the deadline passes: check PeerClosed).
    std::string ReadUntilClose(std::chrono::milliseconds within = DefaultWait);
    // True when the peer closed (orderly or by reset) within the deadline; data
    // that arrives meanwhile is kept for the next read.
    bool WaitForClose(std::chrono::milliseconds within = DefaultWait);
    // The peer has closed its sending side (or reset the connection).
    bool PeerClosed() const { return FPeerClosed; }

    // Orderly close: the peer reads end of stream.
    void Close();
    // Close with a reset: the peer's next call fails with "connection reset".
    void Abort();
    // Stops sending (FIN) but keeps reading.
    void ShutdownSend();

private:
    static RawConnection ConnectIPv6OrNot(int port, std::chrono::milliseconds within, bool ipv6);
    // Reads what is available into FPending after waiting until the deadline for
    // something to arrive; false when nothing came (deadline or closed).
    bool Fill(SupportClock::time_point deadline);
    std::string TakePending(size_t count);

    int FFd = -1;
    bool FPeerClosed = false;
    std::string FPending;
};
