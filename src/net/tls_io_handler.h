// A socket handler that can switch to TLS once the TCP connection (and any
// SOCKS negotiation) stands: from then on the connection's reads and writes
// go through OpenSSL, and TIdTCPConnection above reads lines and blocks as
// before. Until StartClientTLS it is a plain socket handler.
#pragma once

#include "net/io_handler.h"
#include "net/tls_certificate.h"
#include "net/tls_context.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class TIdIOHandlerTLS : public TIdIOHandlerSocket {
public:
    TIdIOHandlerTLS();
    ~TIdIOHandlerTLS() override;

    // The client handshake with the server named `host` (as the user typed
    // it: the name or address certificates are checked against, and the SNI
    // for a name), within `timeout` ms (<= 0: no limit). A data connection
    // (`control` false) offers the context's session for resumption; the
    // control connection's new sessions become that session. The
    // certificate's verdict is left to the caller: see PeerCertificate.
    void StartClientTLS(TIdTLSContext& context, const std::string& host, int32_t timeout,
                        bool control);
    bool TLSActive() const { return FSSL != nullptr; }
    // The server's certificate, with Problem naming why it does not verify
    // against the context's trust settings (empty when it does).
    TIdCertificateInfo PeerCertificate() const;
    bool SessionReused() const;
    std::string ProtocolVersion() const;
    std::string CipherName() const;
    // The peer closed without TLS close_notify (or reset the connection).
    bool EndedWithoutNotify() const { return FEndedWithoutNotify; }

    void CloseHandler() override;
    void OpenHandler() override;
    bool InputReady(int32_t milliseconds) override;
    int64_t ReceiveRaw(void* buffer, int64_t length) override;
    int64_t ReceiveAvailable(void* buffer, int64_t length) override;
    int64_t SendRaw(const void* buffer, int64_t length) override;
    // Bytes through TLS cannot go by the platform's whole-file send.
    bool CarriesPlainBytes() const override { return FSSL == nullptr; }

private:
    enum class TWait { Readable, Writable };
    // Waits for the socket; false when `deadline` (steady ms, -1 = none) passed.
    bool WaitSocket(TWait wait, int64_t deadline);
    // One SSL_read_ex into `buffer`: the bytes read, 0 once the stream has
    // ended (FEnded; FEndedWithoutNotify without close_notify), -1 when
    // OpenSSL needs more from the socket first.
    int64_t ReadPlain(char* buffer, int64_t length);
    // One record into FRecord: true when bytes came or the stream ended.
    bool ReadRecord();
    // Hands out what FRecord holds, up to `length` bytes.
    size_t TakeRecord(void* buffer, int64_t length);
    void EndTLS();
    void DrainBeforeClose();
    void ReadTicketsBeforeNotify();
    // How long (ms) a close waits for the server to close its side.
    static constexpr int32_t DefaultCloseWait = 30000;
    int32_t FCloseWait = DefaultCloseWait;

    SSL* FSSL = nullptr;
    // An abort writes ABOR from another thread while this connection's own
    // thread may read: OpenSSL's connection object takes one call at a time.
    // Held only around the calls, never while waiting for the socket.
    std::mutex FSSLLock;
    bool FControl = false;
    bool FShutdownAllowed = false;
    bool FEnded = false;
    bool FEndedWithoutNotify = false;
    TIdTLSTrust FTrust;
    std::string FHost;
    // Plain text read from the TLS layer while waiting for input and not yet
    // handed out: FRecord[FPlainStart, FPlainEnd).
    std::unique_ptr<char[]> FRecord;
    size_t FPlainStart = 0;
    size_t FPlainEnd = 0;
    // The last read ended with OpenSSL waiting for bytes from the socket.
    bool FNeedsSocket = false;
};
