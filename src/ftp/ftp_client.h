// The FTP client: control channel, login (direct and through FTP proxies),
// transfer type, resume probe, and the data transfers over passive or active
// data connections.
#pragma once

#include "core/datetime.h"
#include "core/streams.h"
#include "ftp/download_size.h"
#include "ftp/list_items.h"
#include "ftp/proxy_settings.h"
#include "net/tcp_client.h"
#include "net/tls_certificate.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

enum class TIdFTPTransferType { ftASCII = 0, ftBinary = 1 };

class TIdFTP;
class TIdSimpleServer;
class TIdIOHandlerTLS;
class TIdTLSContext;

using TIdFtpAfterGet = std::function<void(TIdFTP* ASender, TStream& VStream)>;
using TIdCreateFTPList =
    std::function<void(TIdFTP* ASender, std::unique_ptr<TIdFTPListItems>& VFTPList)>;
// Lets the owner override the listing format detected from the first line.
using TIdCheckListFormat =
    std::function<void(TIdFTP* ASender, const std::string& ALine, TIdFTPListFormat& VListFormat)>;

constexpr int32_t IdPORT_FTP = 21;
// The port of implicit TLS (FTPS), where TLS starts with the first byte.
constexpr int32_t IdPORT_FTPS = 990;

// utUseExplicitTLS: AUTH TLS after the greeting; utUseImplicitTLS: TLS from
// the first byte. Both protect the data connections (PBSZ 0, PROT P).
enum class TIdUseTLS { utNoTLS = 0, utUseExplicitTLS = 1, utUseImplicitTLS = 2 };
// Asked, before anything of the login is sent, about a server certificate
// that does not verify (AInfo.Problem says why); true goes on with it.
using TIdUntrustedCertificate =
    std::function<bool(TIdFTP* ASender, const TIdCertificateInfo& AInfo)>;

class TIdFTP : public TIdTCPClient {
public:
    TIdFTP();
    ~TIdFTP() override;

    // Published settings.
    bool Passive = false;
    TIdFTPTransferType TransferType() const { return FTransferType; }
    void SetTransferType(TIdFTPTransferType value);
    const TIdFtpProxySettings& ProxySettings() const { return FProxySettings; }
    TIdFtpProxySettings& ProxySettings() { return FProxySettings; }
    void SetProxySettings(const TIdFtpProxySettings& settings) { FProxySettings = settings; }
    TNotifyEvent OnAfterClientLogin;
    TIdCheckListFormat OnCheckListFormat;
    TIdCreateFTPList OnCreateFTPList;
    TIdFtpAfterGet OnAfterGet;
    // TLS settings, read when the connection is made.
    TIdUseTLS UseTLS = TIdUseTLS::utNoTLS;
    bool TLSVerify = true;
    // PEM file of the only CAs to trust; empty = the system's store.
    std::string TLSCAFile;
    // SHA-256 (hex) of the one certificate to accept, whatever its chain.
    std::string TLSPinnedSha256;
    TIdUntrustedCertificate OnUntrustedCertificate;
    // Raised once the control connection's handshake is done and its
    // certificate accepted, before the login: ControlTLS() then tells the
    // protocol version and cipher agreed.
    TNotifyEvent OnControlTLS;
    // How long (ms) an active-mode transfer waits for the server to connect to
    // our listener; -1 is this default, -2 waits without limit.
    static constexpr int32_t DefaultAcceptTimeout = 30000;
    int32_t AcceptTimeout = DefaultAcceptTimeout;
    // How long (ms) a failed transfer waits for the server's pending reply
    // when no ReadTimeout is set; after that the control connection is dropped.
    static constexpr int32_t DefaultSettleTimeout = 30000;
    // The largest listing (bytes) a server may send before the listing fails.
    static constexpr int64_t MaxListingSize = 256LL * 1024 * 1024;
    // Off by default. When set, an active transfer whose data connection never
    // came (PORT refused with 5xx, 425, or no connection within AcceptTimeout)
    // is run again in passive mode, and Passive stays set until the next
    // connection (which starts active again). OnPassiveFallback is raised
    // before the passive run.
    bool PassiveFallback = false;
    TNotifyEvent OnPassiveFallback;

    // Run-time state.
    TIdRFCReply& LoginReply() { return FLoginReply; }
    std::string ServerSystem;
    std::vector<std::string> RawListing;
    TIdTCPConnection* DataConnection() const { return FDataConnection; }
    bool ResumeProbed = false;
    // The last transfer's final reply was 426 or 450 (then 226 or 225): the
    // server says the data did not all arrive, though no exception is raised.
    bool LastTransferAborted = false;
    bool ResumeAllowed = false;
    // What FEAT listed after the login on this connection, one feature line
    // each without its leading blank ("MDTM", "REST STREAM", "UTF8"); empty
    // when FEAT was refused, listed nothing, or was not asked yet.
    std::vector<std::string> Features;
    // Whether Features names `name` (by its first word, ignoring case).
    bool HasFeature(const std::string& name) const;

    // --- Control channel and login ---
    // Remembers the host the control connection goes to: data connections go
    // to that server only.
    void ConnectToHost(int32_t timeout = IdTimeoutDefault) override;
    void ConnectServer(bool AutoLogin = true, int32_t Timeout = IdTimeoutDefault);
    void SignOn();
    void SignOff();
    void SendTypeCommand();
    bool SupportsResume();
    int SendRawCommand(const std::string& command);
    // Every line the client writes is a command: one holding CR, LF or NUL
    // (from a user name, a password, a path, a name a listing gave, a quoted
    // text) would end early and let the rest go out as a command of its own,
    // so it raises EIdInvalidCommandArgument and nothing is sent.
    void WriteLine(const std::string& text) override;
    // Raises EIdInvalidCommandArgument when `text` holds a CR, LF or NUL,
    // which would end the command line early and start another.
    static void CheckCommandLine(const std::string& text);
    void NotifyAfterLogin();
    // The server's working directory from PWD's 257 reply ("/" when the reply
    // is refused or carries no quoted path).
    std::string RetrieveCurrentDir();
    // The control connection's TLS layer once TLS runs on it, else nullptr.
    TIdIOHandlerTLS* ControlTLS() const;

    // --- Facts about one remote file ---
    // SIZE and MDTM are sent only when FEAT listed them or, when FEAT listed
    // nothing, until the server answers one of them with 500 or 502 (not
    // understood) on this connection; a fact not asked is unknown.
    // The size SIZE reports (213), or -1 when the server refuses or the reply
    // is no number. Servers count bytes as they would send them in the
    // current transfer type, so the number is exact only after TYPE I.
    int64_t Size(const std::string& path);
    // The modification time MDTM reports (213 YYYYMMDDHHMMSS[.fff], in UTC),
    // or 0 when the server refuses or the reply is no such time.
    TDateTime FileDate(const std::string& path);

    // --- Transfers ---
    void ListDirectory(std::vector<std::string>* Dest, const std::string& Specifier, bool Details);
    TIdFTPListItems& DirectoryEntries();
    // The entries DirectoryEntries would hold, each handed to `visit` as it is
    // parsed (TIdFTPListItems::ReadListing) and none kept, unless they are
    // parsed already; DirectoryEntries afterwards parses anew.
    void ReadDirectoryEntries(const std::function<void(const TIdFTPListItem&)>& visit);
    void RetrieveStream(const std::string& SourcePath, TStream& Dest, bool Resume);
    void RetrieveFile(const std::string& SourcePath, const std::string& DestFileName,
                      bool CanOverwrite, bool Resume);
    void StoreStream(TStream& Source, const std::string& DestPath, bool Append);
    void StoreFile(const std::string& SourceFileName, const std::string& DestPath, bool Append);
    virtual void AbortTransfer();
    TIdOnParseCustomListFormat OnParseCustomListFormat();
    void SetOnParseCustomListFormat(TIdOnParseCustomListFormat handler);

protected:
    virtual void NotifyAfterGet(TStream& stream);
    // A handler that can switch to TLS (plain until it does).
    std::unique_ptr<TIdIOHandler> MakeDefaultIOHandler() override;
    // Names a refused data connection for what it is when the server wanted
    // the TLS session resumed.
    [[noreturn]] void RaiseReplyError() override;
    // What the TLS connections share (nullptr before the first TLS login).
    TIdTLSContext* TLSContext() const { return FTLSContext.get(); }
    // Safe from another thread: wakes the transfer in progress by resetting its
    // data connection (or shutting down the listener still waiting for the
    // server); the transfer's own thread closes and destroys it.
    virtual void CloseDataConnection();
    // The client of a passive data connection; a proxy-aware client makes one
    // that goes through the same proxy as the control connection.
    virtual std::unique_ptr<TIdTCPClient> CreatePassiveDataClient();
    // With `size`, the received bytes are checked against the stated size.
    void InboundTransfer(const std::string& command, TStream& stream, bool resume,
                         TIdDownloadSize* size = nullptr);
    void OutboundTransfer(const std::string& command, TStream& stream);
    // PASV, or EPSV on an IPv6 control connection (its address is then the
    // control connection's peer).
    void RequestPassiveAddress(std::string& address, int32_t& port);
    // The server was reached over IPv6: the data commands are EPSV and EPRT.
    bool ControlConnectionIsIPv6();
    // The host a passive data connection dials, whatever address the PASV
    // reply named: the server the control connection reached (through SOCKS,
    // the destination the proxy was given), so that a hostile server cannot
    // point us at another host.
    std::string PassiveDataHost(const std::string& announced);
    // The only address an active data connection is accepted from: the
    // control connection's peer (through SOCKS, its destination resolved here).
    std::string ControlPeerAddress();
    // PORT, or EPRT for a listener on IPv6.
    void SendPortCommand(const TIdSocketHandle& handle);
    void PrepareDataConnection();
    void PrepareEntriesList();
    // PrepareEntriesList, then the format from the first raw line (and the
    // OnCheckListFormat hook); false when there is no line to read.
    bool StartEntriesList();
    void NotifyCreateList();
    void NotifyCheckListFormat(const std::string& line);

private:
    // FEAT (once per connection), then OPTS UTF8 ON when UTF8 is listed.
    void AskFeatures();
    // Whether `verb` (SIZE, MDTM) may go out; `refused` records a 500 or 502.
    bool MayAskFileFact(const char* verb, bool refused) const;
    // The text of a 213 reply to `verb` for `path`; empty for any other
    // reply, and when the command may not go out.
    std::string FileStatusText(const char* verb, const std::string& path, bool& refused);
    void ProxyLogin();
    void UserLogin();
    // TLS on the control connection: the handshake and the certificate's
    // verdict (AUTH TLS first when explicit).
    void StartControlTLS();
    void NegotiateExplicitTLS();
    // PBSZ 0 and PROT P after the login.
    void ProtectDataChannel();
    // What the server still owes us for the transfer command once it is sent.
    enum class TOwedReply { None, Preliminary, Final };
    // The data connection's handshake, after the command's 1xx reply.
    void ProtectDataConnection(TIdTCPConnection& data);
    // A protected download that ended without close_notify before the size
    // the 1xx reply announced is a failed one.
    void CheckProtectedDownloadEnd(TIdTCPConnection& data, int64_t received, TOwedReply& owed);
    // After a failed protected transfer: raises the server's refusal when it
    // refused the data connection for not resuming the session.
    void ExplainFailedDataConnection(TOwedReply& owed);
    // Publishes a new data connection for AbortTransfer, and takes it back
    // (destroying it) once no other thread can reach it any more.
    template <typename T> T& InstallDataConnection(std::unique_ptr<T> connection);
    void DestroyDataConnection();
    enum class TDirection { Inbound, Outbound };
    class TDataConnectionScope;
    // Runs TransferOnce, and once more in passive mode when, with
    // PassiveFallback, the active data connection never came, and once more
    // when the server refused a data connection for not resuming the TLS
    // session and the refused handshake brought fresh sessions.
    void Transfer(const std::string& command, TStream& stream, TDirection direction, bool resume,
                  TIdDownloadSize* size);
    // The one transfer body: open the data connection (passive or active),
    // send the command, read the preliminary reply, move the bytes, read the
    // final reply.
    void TransferOnce(const std::string& command, TStream& stream, TDirection direction,
                      bool resume, TIdDownloadSize* size);
    // The failure of an active TransferOnce that a passive run may repair:
    // nothing of the transfer happened, and the control connection is usable.
    bool ActiveAttemptMayFallBack(const std::exception& error);
    // With PassiveFallback the accept wait starts as soon as the command is
    // out: a server that connects before its preliminary reply says nothing
    // until its own connect gives up. Ends when the server answers (false) or
    // connects (true, accepted); raises EIdAcceptTimeout when neither comes.
    bool WaitForReplyOrDataPeer(TIdSimpleServer& listener);
    // How far the running active transfer got, for the passive fallback.
    enum class TActiveStage { None, Port, Command, Connected };
    TActiveStage FActiveStage = TActiveStage::None;
    // The refused data connection left a session not offered yet, and the
    // control connection is still usable.
    bool MayRetryWithFreshSession();
    // ReadReply that keeps `owed` up to date: `next` once a reply is accepted,
    // None once one is refused (a refusal is the command's last word).
    int ReadTransferReply(std::initializer_list<int> allowed, TOwedReply& owed, TOwedReply next);
    // After a failed transfer: reads and drops the replies still owed, within
    // the read time-out, or drops the control connection, so that the next
    // command never takes them for its own answer.
    void SettleControlChannel(TOwedReply owed) noexcept;
    // The size SIZE states, only when the connection is in binary mode.
    TIdDownloadSize LearnDownloadSize(const std::string& path);
    // PASV, and a data client made for the address it names (not connected yet).
    TIdTCPClient& OpenPassiveDataClient(TDataConnectionScope& data);
    // A listener on the control connection's local address, announced by PORT.
    TIdSimpleServer& StartDataListener(TDataConnectionScope& data);
    // Waits for the server's connection while listening to the control
    // connection: a refusal there (425, 421) fails at once. True when the
    // final reply came early and has been read.
    bool AcceptDataConnection(TIdSimpleServer& listener, TOwedReply& owed);
    // AcceptTimeout, shortened to ReadTimeout when that is set and shorter.
    int32_t AcceptWaitLimit() const;
    bool WaitForDataPeer(TIdSimpleServer& listener, int32_t limit);
    void SendRestart(TStream& stream);
    // REST (when resuming) and the transfer command, without waiting for a reply.
    void SendTransferCommand(const std::string& command, TStream& stream, bool resume);
    void ReadPreliminaryReply(TDirection direction, TOwedReply& owed);
    void ReceiveInbound(TIdTCPConnection& data, TStream& stream, const TIdDownloadSize* size);
    void SendOutbound(TIdTCPConnection& data, TStream& stream, TOwedReply& owed);
    // The final reply of a transfer (already read when `early`), and the
    // second one after an aborted one.
    void FinishTransfer(TOwedReply& owed, bool early);
    // Whether a failed send or receive is the expected result of an abort.
    bool DataEndedByAbort(const std::exception& error) const;

    TIdFTPTransferType FTransferType = TIdFTPTransferType::ftBinary;
    // TYPE I was accepted on this connection: sizes the server states count
    // the bytes it sends.
    bool FBinaryTypeSent = false;
    // FEAT answered this connection with its list (211).
    bool FFeaturesListed = false;
    bool FFeaturesAsked = false;
    // SIZE or MDTM answered 500 or 502 on this connection.
    bool FSizeRefused = false;
    bool FDateRefused = false;
    // Passive was set by the fallback; the next connection starts active.
    bool FPassiveByFallback = false;
    // Host as it was when the control connection was made (the proxy's, for
    // an FTP proxy).
    std::string FControlHost;
    TIdFtpProxySettings FProxySettings;
    TIdRFCReply FLoginReply;
    std::unique_ptr<TIdFTPListItems> FDirectoryEntries;
    std::unique_ptr<TIdTCPConnection> FOwnedDataConnection;
    // Read by AbortTransfer from another thread while a transfer runs; the
    // lock keeps the connection alive while that thread uses it.
    std::atomic<TIdTCPConnection*> FDataConnection{nullptr};
    std::mutex FDataLock;
    std::atomic<bool> FAbortRequested{false};
    std::unique_ptr<TIdTLSContext> FTLSContext;
    bool FDataProtected = false;
    // The last data connection ran TLS without resuming the session.
    bool FDataTLSFresh = false;
    // The size the last 1xx reply announced ("(1234 bytes)"), or -1.
    int64_t FAnnouncedSize = -1;
};
