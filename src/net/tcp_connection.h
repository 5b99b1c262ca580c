// A connected TCP endpoint: its input buffer, line reading with limits and
// time-outs, writing, closing and peer-close detection, and the numeric-reply
// operations every connection offers.
#pragma once

#include "net/buffers.h"
#include "net/intercept.h"
#include "net/io_handler.h"
#include "net/reply_reader.h"
#include "net/rfc_reply.h"
#include "sock/component.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class TStream;

enum class TIdMaxLineAction { maException = 0, maSplit = 1 };

class TIdTCPConnection;
using TNotifyEvent = std::function<void(TIdComponent* Sender)>;

constexpr int32_t IdMaxLineLengthDefault = 16384;
constexpr int32_t IdRecvBufferSizeDefault = 32768;
constexpr int32_t IdSendBufferSizeDefault = 32768;

class TIdTCPConnection : public TIdComponent {
public:
    TIdTCPConnection();
    ~TIdTCPConnection() override;

    // Published settings.
    bool ASCIIFilter = false;
    int32_t MaxLineLength = IdMaxLineLengthDefault;
    TIdMaxLineAction MaxLineAction = TIdMaxLineAction::maException;
    int32_t ReadTimeout = 0;
    int32_t RecvBufferSize = IdRecvBufferSizeDefault;
    int32_t SendBufferSize = IdSendBufferSizeDefault;
    TNotifyEvent OnDisconnected;

    TIdIOHandler* IOHandler() const { return FIOHandler; }
    // Replaces (and, when owned, destroys) the current handler. The new one is
    // referenced, not owned.
    void SetIOHandler(TIdIOHandler* handler);
    TIdIOHandlerSocket* SocketIOHandler() const { return FSocketIOHandler; }
    bool OwnsIOHandler() const { return FOwnedIOHandler != nullptr; }
    TIdConnectionIntercept* Intercept() const { return FIntercept; }
    void SetIntercept(TIdConnectionIntercept* intercept);

    // Run-time state.
    bool PeerClosed() const { return FPeerClosed.load(); }
    bool LastLineSplit() const { return FLastLineSplit; }
    bool LastLineTimedOut() const { return FLastLineTimedOut; }
    TIdManagedBuffer& PendingInput() { return FPendingInput; }
    TIdRFCReply& LastReply() { return FLastReply; }
    // The lines of LastReply as they arrived (line ends removed, blank lines
    // skipped), for replies whose layout carries meaning.
    const std::vector<std::string>& LastReplyLines() const { return FLastReplyLines; }
    TIdRFCReply& WelcomeReply() { return FWelcomeReply; }

    // --- Reading and writing ---
    virtual int64_t FillInputBuffer(bool raiseIfDisconnected = true,
                                    int32_t timeout = IdTimeoutDefault, bool raiseOnTimeout = true);
    virtual void CheckPeerClosed(bool raiseIfDisconnected = true, bool ignoreBuffer = false);
    virtual void PollPeerClosed(bool raiseIfDisconnected);
    virtual bool IsConnected();
    virtual std::string ReadLine(const std::string& terminator = "\n",
                                 int32_t timeout = IdTimeoutDefault, int32_t maxLength = -1);
    std::string ReadNonEmptyLine(int32_t attempts);
    virtual void WriteText(const std::string& text);
    virtual void WriteLine(const std::string& text);
    void SendBytes(const void* buffer, int64_t count);
    virtual void DropConnection();
    virtual void CloseTransport();
    virtual void ResetInput();
    virtual void NotifyDisconnected();
    // Shuts the socket down in both directions without releasing it. Safe from
    // another thread while this connection's own thread is blocked on it: that
    // thread wakes, sees the stream end, and closes the socket itself, so a
    // descriptor is never closed under a thread that still uses it.
    void InterruptTransport();
    // Like InterruptTransport, but the peer sees the connection reset, not
    // ended: an abort that must not pass for the end of an upload.
    void ResetTransport();

    // --- Blocks and streams (64-bit counts and positions) ---
    void ReceiveBytes(void* destination, int64_t count);
    int32_t ReceiveInteger(bool networkOrder = true);
    void SendInteger(int32_t value, bool networkOrder = true);
    // count -1 without untilClose reads the sender's 4-byte length prefix first.
    void ReceiveStream(TStream& target, int64_t count = -1, bool untilClose = false);
    // count 0 sends to the end of the source.
    virtual void SendStream(TStream& source, bool fromStart = true, bool withSizePrefix = false,
                            int64_t count = 0);
    // The bytes sent (0 when the platform's whole-file send failed).
    virtual int64_t SendFileContents(const std::string& fileName, bool fastPathAllowed = true);
    virtual std::string ReceiveAll();
    std::string TakeAvailable();
    static void PresizeStream(TStream& stream, int64_t newSize);

    // --- Numeric replies ---
    virtual int SendCommand(const std::string& command, std::initializer_list<int> allowed);
    int SendCommand(const std::string& command, int allowed = -1);
    virtual int ReadReply(std::initializer_list<int> allowed);
    // With a ReadTimeout above 0, all of the reply must arrive within it, not
    // only each piece: a server trickling endless lines cannot hold us.
    void ReadRawReply();
    virtual int CheckReply(int code, std::initializer_list<int> allowed);
    [[noreturn]] virtual void RaiseReplyError();
    // Raises `E` (an EIdException) with the last reply's text as message.
    template <typename E> [[noreturn]] void RaiseReplyErrorAs() { throw E(LastReplyMessage()); }

    static constexpr int32_t MaxReplyLines = IdMaxReplyLines;

protected:
    void Notification(TIdBaseComponent* destroyed) override;
    // Installs a handler this connection owns.
    void SetOwnedIOHandler(std::unique_ptr<TIdIOHandler> handler);
    // Held while the handler or its socket is created, replaced or destroyed,
    // so that InterruptTransport from another thread never sees them half made.
    std::recursive_mutex& TransportLock() { return FTransportLock; }
    std::string LastReplyMessage() const;

private:
    void InputConsumed(int64_t count);
    // The wait FillInputBuffer's default time-out stands for: ReadTimeout, or
    // what is left of it while a reply is read.
    int32_t DefaultReadWait() const;
    // Receives into a file with splice(2) where the transport is a bare socket;
    // leaves `remaining` to the read loop when it is not, or splice refuses.
    void ReceiveBySplice(TStream& target, int64_t& remaining, bool untilClose);
    // Receives through a transport that transforms the bytes (TLS) straight
    // into large blocks written to the target, without the input buffer;
    // leaves `remaining` to the read loop when intercepts or filters apply.
    void ReceiveByBlocks(TStream& target, int64_t& remaining, bool untilClose);
    // Drops what the peer sent unasked and is here already (buffered, or
    // readable without waiting), so that it is not taken as the answer to the
    // command about to be sent.
    void DiscardUnsolicitedInput();

    // Also read and written by a thread that aborts a transfer.
    std::atomic<bool> FPeerClosed{false};
    bool FLastLineSplit = false;
    bool FLastLineTimedOut = false;
    TIdRFCReply FWelcomeReply;
    TIdRFCReply FLastReply;
    std::vector<std::string> FLastReplyLines;
    TIdManagedBuffer FPendingInput;
    TIdSimpleBuffer FReceiveChunk;
    std::unique_ptr<TIdIOHandler> FOwnedIOHandler;
    TIdIOHandler* FIOHandler = nullptr;
    TIdIOHandlerSocket* FSocketIOHandler = nullptr;
    TIdConnectionIntercept* FIntercept = nullptr;
    std::recursive_mutex FTransportLock;
    // While a reply is read with a ReadTimeout: when all of it must be here.
    std::optional<std::chrono::steady_clock::time_point> FReplyDeadline;
};
