#include "net/tcp_connection.h"

#include "core/exceptions.h"
#include "core/text.h"
#include "sock/stack.h"

#include <algorithm>
#include <cstring>

TIdTCPConnection::TIdTCPConnection() {
    FPendingInput.RemovalHandler = [this](TIdSimpleBuffer&, int64_t count) {
        InputConsumed(count);
    };
}

TIdTCPConnection::~TIdTCPConnection() {
    CloseTransport();
    if (FIntercept != nullptr)
        FIntercept->RemoveFreeNotification(this);
    if (FIOHandler != nullptr && !FOwnedIOHandler)
        FIOHandler->RemoveFreeNotification(this);
    FOwnedIOHandler.reset();
}

void TIdTCPConnection::InputConsumed(int64_t count) {
    ReportWork(TWorkMode::wmRead, static_cast<int32_t>(count));
}

void TIdTCPConnection::Notification(TIdBaseComponent* destroyed) {
    if (destroyed == FIOHandler) {
        FIOHandler = nullptr;
        FSocketIOHandler = nullptr;
    }
    if (destroyed == FIntercept)
        FIntercept = nullptr;
}

void TIdTCPConnection::SetIOHandler(TIdIOHandler* handler) {
    std::lock_guard<std::recursive_mutex> hold(FTransportLock);
    if (FIOHandler != nullptr && FIOHandler != FOwnedIOHandler.get())
        FIOHandler->RemoveFreeNotification(this);
    FIOHandler = nullptr;
    FSocketIOHandler = nullptr;
    FOwnedIOHandler.reset();
    FIOHandler = handler;
    FSocketIOHandler = dynamic_cast<TIdIOHandlerSocket*>(handler);
    if (handler != nullptr)
        handler->FreeNotification(this);
}

void TIdTCPConnection::SetOwnedIOHandler(std::unique_ptr<TIdIOHandler> handler) {
    std::lock_guard<std::recursive_mutex> hold(FTransportLock);
    SetIOHandler(handler.get());
    if (handler)
        handler->RemoveFreeNotification(this);
    FOwnedIOHandler = std::move(handler);
}

void TIdTCPConnection::SetIntercept(TIdConnectionIntercept* intercept) {
    if (FIntercept != nullptr)
        FIntercept->RemoveFreeNotification(this);
    FIntercept = intercept;
    if (intercept != nullptr)
        intercept->FreeNotification(this);
}

int32_t TIdTCPConnection::DefaultReadWait() const {
    if (ReadTimeout == 0)
        return IdTimeoutInfinite;
    if (!FReplyDeadline || ReadTimeout < 0)
        return ReadTimeout;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        *FReplyDeadline - std::chrono::steady_clock::now());
    // At the deadline the wait only polls: what is here is taken, nothing more
    // is waited for.
    return static_cast<int32_t>(std::clamp<int64_t>(left.count(), 0, ReadTimeout));
}

int64_t TIdTCPConnection::FillInputBuffer(bool raiseIfDisconnected, int32_t timeout,
                                          bool raiseOnTimeout) {
    if (timeout == IdTimeoutDefault)
        timeout = DefaultReadWait();
    CheckPeerClosed(raiseIfDisconnected, false);
    if (!IsConnected()) {
        if (raiseIfDisconnected)
            throw EIdNotConnected();
        return 0;
    }
    int64_t n = 0;
    do {
        if (!FIOHandler->InputReady(timeout)) {
            if (raiseOnTimeout)
                throw EIdReadTimeout();
            return -1;
        }
        if (FIOHandler != nullptr) {
            FReceiveChunk.SetSize(RecvBufferSize);
            n = FIOHandler->ReceiveRaw(FReceiveChunk.Memory(), RecvBufferSize);
        } else {
            n = 0;
            if (raiseIfDisconnected)
                throw EIdNotConnected();
        }
        FPeerClosed = n == 0;
        if (n != 0) {
            if (CheckSocketResult(n, {IdCode::WSAESHUTDOWN, IdCode::WSAECONNABORTED})) {
                // This thread's code, taken before closing can record another.
                const int32_t failure = Stack().LastSocketError;
                n = 0;
                if (FIOHandler != nullptr)
                    CloseTransport();
                if (FPendingInput.Size() == 0)
                    ThrowSocketError(failure);
            }
            if (n > 0) {
                FReceiveChunk.SetSize(n);
                if (FIntercept != nullptr) {
                    FReceiveChunk.SetPosition(0);
                    FIntercept->FilterReceived(FReceiveChunk);
                    n = FReceiveChunk.Size();
                }
                if (ASCIIFilter) {
                    char* bytes = FReceiveChunk.Memory();
                    for (int64_t i = 0; i < n; ++i)
                        bytes[i] = static_cast<char>(static_cast<unsigned char>(bytes[i]) & 0x7F);
                }
                FPendingInput.Append(FReceiveChunk.Memory(), n);
            }
        }
        CheckPeerClosed(raiseIfDisconnected, false);
    } while (n == 0 && IsConnected());
    return n;
}

void TIdTCPConnection::CheckPeerClosed(bool raiseIfDisconnected, bool ignoreBuffer) {
    bool closed = false;
    if (FPeerClosed || FIOHandler == nullptr) {
        if (FIOHandler != nullptr) {
            if (FIOHandler->HasOpenSocket()) {
                CloseTransport();
                RaiseStatus(TIdStatus::hsDisconnected);
                NotifyDisconnected();
            }
            closed = true;
        }
    } else {
        closed = !FIOHandler->HasOpenSocket();
    }
    if (closed && raiseIfDisconnected && (FPendingInput.Size() == 0 || ignoreBuffer))
        throw EIdConnClosedGracefully();
}

void TIdTCPConnection::PollPeerClosed(bool raiseIfDisconnected) {
    FillInputBuffer(raiseIfDisconnected, 1, false);
}

bool TIdTCPConnection::IsConnected() {
    CheckPeerClosed(false, false);
    return FIOHandler != nullptr && FIOHandler->HasOpenSocket();
}

std::string TIdTCPConnection::ReadLine(const std::string& terminatorIn, int32_t timeout,
                                       int32_t maxLength) {
    const int32_t limit = maxLength == -1 ? MaxLineLength : maxLength;
    const std::string terminator = terminatorIn.empty() ? std::string("\n") : terminatorIn;
    FLastLineSplit = false;
    FLastLineTimedOut = false;
    int64_t found = 0;
    int64_t searched = 0;
    bool tooLong = false;
    do {
        const int64_t size = FPendingInput.Size();
        if (size > 0) {
            // Only the bytes added since the last search, backing up so that a
            // terminator split across two receives is still found.
            const int64_t from =
                std::max<int64_t>(0, searched - static_cast<int64_t>(terminator.size()) + 1);
            const int64_t at =
                BufferPos(terminator, FPendingInput.UnreadStart() + from, size - from);
            found = at == 0 ? 0 : at + from;
            searched = size;
        }
        if (limit != 0 && found - 1 > limit) {
            tooLong = true;
            break;
        }
        if (found == 0) {
            if (limit != 0 && searched > limit) {
                tooLong = true;
                break;
            }
            CheckPeerClosed(true, true);
            const int64_t r = FillInputBuffer(true, timeout, timeout == IdTimeoutDefault);
            // An explicit time-out that ran out ends the read like a close does.
            FLastLineTimedOut = r == 0 || r == -1;
            if (FLastLineTimedOut)
                return std::string();
        }
    } while (found == 0);

    if (tooLong) {
        if (MaxLineAction == TIdMaxLineAction::maException)
            throw EIdReadLnMaxLineLengthExceeded();
        FLastLineSplit = true;
        return FPendingInput.ExtractBytes(limit);
    }
    std::string line =
        FPendingInput.ExtractBytes(found + static_cast<int64_t>(terminator.size()) - 1);
    size_t k = line.size() - terminator.size();
    if (terminator == "\n" && k > 0 && line[k - 1] == '\r')
        --k;
    line.resize(k);
    return line;
}

std::string TIdTCPConnection::ReadNonEmptyLine(int32_t attempts) {
    std::string result;
    for (int32_t i = 0; result.empty() && i < attempts; ++i)
        result = Trim(ReadLine("\n", IdTimeoutDefault, -1));
    return result;
}

void TIdTCPConnection::WriteText(const std::string& text) {
    if (!text.empty())
        SendBytes(text.data(), static_cast<int64_t>(text.size()));
}

void TIdTCPConnection::WriteLine(const std::string& text) {
    WriteText(text + "\r\n");
}

void TIdTCPConnection::SendBytes(const void* buffer, int64_t count) {
    if (count <= 0 || buffer == nullptr)
        return;
    CheckPeerClosed(true, true);
    if (!IsConnected())
        throw EIdNotConnected();
    // A filter may rewrite the bytes, so it works on a copy; without one the
    // caller's bytes go out as they are.
    TIdSimpleBuffer copy;
    const char* bytes = static_cast<const char*>(buffer);
    if (FIntercept != nullptr) {
        copy.WriteBuffer(buffer, count);
        copy.SetPosition(0);
        FIntercept->FilterOutgoing(copy);
        count = copy.Size();
        bytes = copy.Memory();
    }
    int64_t sent = 0;
    while (sent < count) {
        if (FIOHandler == nullptr)
            throw EIdNotConnected();
        const int64_t n = FIOHandler->SendRaw(bytes + sent, count - sent);
        TIdAntiFreezeBase::AntiFreezeTurn(false, false);
        FPeerClosed = n == 0;
        CheckPeerClosed(true, false);
        if (CheckSocketResult(
                n, {IdCode::WSAESHUTDOWN, IdCode::WSAECONNABORTED, IdCode::WSAECONNRESET})) {
            const int32_t code = Stack().LastErrorCode();
            CloseTransport();
            ThrowSocketError(code);
        }
        ReportWork(TWorkMode::wmWrite, static_cast<int32_t>(n));
        sent += n;
    }
}

void TIdTCPConnection::DropConnection() {
    RaiseStatus(TIdStatus::hsDisconnecting);
    CloseTransport();
    if (FOwnedIOHandler) {
        std::lock_guard<std::recursive_mutex> hold(FTransportLock);
        FIOHandler = nullptr;
        FSocketIOHandler = nullptr;
        FOwnedIOHandler.reset();
    }
    NotifyDisconnected();
    RaiseStatus(TIdStatus::hsDisconnected);
}

void TIdTCPConnection::CloseTransport() {
    if (FIOHandler == nullptr)
        return;
    FPeerClosed = true;
    if (FIntercept != nullptr)
        FIntercept->DetachConnection();
    std::lock_guard<std::recursive_mutex> hold(FTransportLock);
    FIOHandler->CloseHandler();
}

void TIdTCPConnection::InterruptTransport() {
    std::lock_guard<std::recursive_mutex> hold(FTransportLock);
    if (FSocketIOHandler == nullptr)
        return;
    const TIdSocketHandle* handle = FSocketIOHandler->SocketHandle();
    if (handle != nullptr && handle->IsAllocated())
        Stack().SockShutdown(handle->NativeSocket(), 2);
}

void TIdTCPConnection::ResetInput() {
    FPendingInput.ClearBuffer();
    FPeerClosed = false;
}

void TIdTCPConnection::NotifyDisconnected() {
    if (OnDisconnected)
        OnDisconnected(this);
}

// --- Numeric replies ---

void TIdTCPConnection::DiscardUnsolicitedInput() {
    if (IsConnected() && FIOHandler->InputReady(0))
        FillInputBuffer(false, 0, false);
    if (FPendingInput.Size() > 0)
        FPendingInput.DiscardBytes(FPendingInput.Size());
}

int TIdTCPConnection::SendCommand(const std::string& command, std::initializer_list<int> allowed) {
    DiscardUnsolicitedInput();
    WriteLine(command);
    return ReadReply(allowed);
}

int TIdTCPConnection::SendCommand(const std::string& command, int allowed) {
    if (allowed == -1)
        return SendCommand(command, std::initializer_list<int>{});
    return SendCommand(command, {allowed});
}

int TIdTCPConnection::ReadReply(std::initializer_list<int> allowed) {
    ReadRawReply();
    return CheckReply(FLastReply.NumericCode(), allowed);
}

void TIdTCPConnection::ReadRawReply() {
    struct TDeadlineScope {
        std::optional<std::chrono::steady_clock::time_point>& Deadline;
        ~TDeadlineScope() { Deadline.reset(); }
    } scope{FReplyDeadline};
    if (ReadTimeout > 0)
        FReplyDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ReadTimeout);
    try {
        std::vector<std::string> arrived;
        FLastReply.ParseReply(
            ReadReplyLines([this] { return ReadLine("\n", IdTimeoutDefault, -1); }, &arrived));
        FLastReplyLines = std::move(arrived);
    } catch (const EIdMalformedReply&) {
        // No part of it is to be trusted, the earlier reply no longer holds.
        FLastReply.Clear();
        FLastReplyLines.clear();
        throw;
    }
}

int TIdTCPConnection::CheckReply(int code, std::initializer_list<int> allowed) {
    if (allowed.size() == 0)
        return code;
    for (int candidate : allowed)
        if (candidate == code)
            return code;
    RaiseReplyError();
    return code; // not reached: a virtual [[noreturn]] is not trusted by the compiler
}

std::string TIdTCPConnection::LastReplyMessage() const {
    std::string message;
    for (const std::string& line : FLastReply.Text())
        message += line + "\r\n";
    return message;
}

void TIdTCPConnection::RaiseReplyError() {
    throw EIdProtocolReplyError(FLastReply.NumericCode(), LastReplyMessage());
}
