// The FTP client: control channel, login (direct and through FTP proxies),
// transfer type, resume probe, and the data transfers over passive or active
// data connections.
#pragma once

#include "core/streams.h"
#include "ftp/list_items.h"
#include "ftp/proxy_settings.h"
#include "net/tcp_client.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum class TIdFTPTransferType { ftASCII = 0, ftBinary = 1 };

class TIdFTP;
class TIdSimpleServer;

using TIdFtpAfterGet = std::function<void(TIdFTP* ASender, TStream& VStream)>;
using TIdCreateFTPList =
    std::function<void(TIdFTP* ASender, std::unique_ptr<TIdFTPListItems>& VFTPList)>;
using TIdFTPCheckListFormat =
    std::function<void(TIdFTP* ASender, const std::string& ALine, TIdFTPListFormat& VListFormat)>;

constexpr int32_t IdPORT_FTP = 21;

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
    TIdFTPCheckListFormat OnCheckListFormat;
    TIdCreateFTPList OnCreateFTPList;
    TIdFtpAfterGet OnAfterGet;
    // How long (ms) an active-mode transfer waits for the server to connect to
    // our listener; -2 waits without limit.
    int32_t AcceptTimeout = 30000;
    // The largest listing (bytes) a server may send before the listing fails.
    static constexpr int64_t MaxListingSize = 256LL * 1024 * 1024;

    // Run-time state.
    TIdRFCReply& LoginReply() { return FLoginReply; }
    std::string ServerSystem;
    std::vector<std::string> RawListing;
    TIdTCPConnection* DataConnection() const { return FDataConnection; }
    bool ResumeProbed = false;
    bool ResumeAllowed = false;

    // --- Control channel and login ---
    void ConnectServer(bool AutoLogin = true, int32_t Timeout = IdTimeoutDefault);
    void SignOn();
    void SignOff();
    void SendTypeCommand();
    bool SupportsResume();
    int SendRawCommand(const std::string& command);
    void NotifyAfterLogin();
    // The server's working directory from PWD's 257 reply ("/" when the reply
    // is refused or carries no quoted path).
    std::string RetrieveCurrentDir();

    // --- Transfers ---
    void ListDirectory(std::vector<std::string>* Dest, const std::string& Specifier,
                       bool Details);
    TIdFTPListItems& DirectoryEntries();
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
    virtual void CloseDataConnection();
    void InboundTransfer(const std::string& command, TStream& stream, bool resume);
    void OutboundTransfer(const std::string& command, TStream& stream);
    void RequestPassiveAddress(std::string& address, int32_t& port);
    void SendPortCommand(const TIdSocketHandle& handle);
    void PrepareDataConnection();
    void PrepareEntriesList();
    void NotifyCreateList();
    void NotifyCheckListFormat(const std::string& line);

private:
    void ProxyLogin();
    void UserLogin();

    TIdFTPTransferType FTransferType = TIdFTPTransferType::ftBinary;
    TIdFtpProxySettings FProxySettings;
    TIdRFCReply FLoginReply;
    std::unique_ptr<TIdFTPListItems> FDirectoryEntries;
    std::unique_ptr<TIdTCPConnection> FOwnedDataConnection;
    // Read by AbortTransfer from another thread while a transfer runs.
    std::atomic<TIdTCPConnection*> FDataConnection{nullptr};
};
