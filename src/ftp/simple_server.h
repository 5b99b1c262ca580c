// The one-shot listener of an active-mode data connection: it listens on a
// local port, accepts exactly one connection, and from then on reads and
// writes like any connection.
#pragma once

#include "net/tcp_connection.h"
#include "sock/socket_handle.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class TIdSimpleServer : public TIdTCPConnection {
public:
    TIdSimpleServer() = default;
    ~TIdSimpleServer() override;

    // Length (ms) of each readiness wait while accepting; 0 waits in one piece
    // until a peer arrives, the time runs out or RequestStop wakes the wait.
    int32_t PollInterval = 0;
    // Published settings.
    std::string BoundIP;
    int32_t BoundPort = 0;
    // When set, only a peer with this address is accepted: a connection from
    // anywhere else is closed at once and the wait goes on.
    std::string AllowedPeerIP;
    // When set, data arriving on this socket (the control connection) also
    // ends the accept wait, and the listener keeps listening: the server may
    // have answered instead of connecting.
    TIdStackSocketHandle WatchedSocket = Id_INVALID_SOCKET;

    bool StopRequested() const { return FStopRequested.load(); }
    bool IsListening() const { return FIsListening; }
    TIdStackSocketHandle ListeningSocket() const { return FListener.get(); }
    // The socket handle of the listener's own I/O handler; none without one.
    TIdSocketHandle* SocketBinding() const;

    // Safe from another thread: ends an accept wait in progress at once.
    virtual void RequestStop();
    virtual void StartListening();
    virtual void BindListeningSocket();
    virtual void StopListening();
    // Waits at most `timeout` ms (-2: no limit) for the peer. True when a
    // connection was accepted; false when the wait was stopped or ran out
    // (TimedOut tells which). The listening socket is closed either way.
    virtual bool AcceptConnection(int32_t timeout = IdTimeoutInfinite);
    bool TimedOut() const { return FTimedOut; }
    // The last wait ended because WatchedSocket became readable.
    bool WatchedReadable() const { return FWatchedReadable; }
    void ResetInput() override;
    void AttachSocketHandler();

private:
    bool WaitForPeer(TIdStackSocketHandle listening, int32_t wait);
    // Keeps an accepted connection from the allowed peer; closes any other.
    bool KeepPeer(TIdSocketHandle& binding);
    void CloseListeningSocket();

    std::atomic<bool> FStopRequested{false};
    bool FIsListening = false;
    bool FTimedOut = false;
    bool FWatchedReadable = false;
    // The listening socket, bound and opened through the binding and taken
    // over from it once it listens, so that the binding is free for the
    // accepted connection.
    TIdSocketDescriptor FListener;
    // Keeps a stop from another thread from shutting down a descriptor that
    // the accepting thread has just closed (and the system may have reused).
    std::mutex FListenLock;
};
