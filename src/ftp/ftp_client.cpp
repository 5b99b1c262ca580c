#include "ftp/ftp_client.h"

#include "core/exceptions.h"
#include "net/tls_context.h"

#include <string_view>

TIdFTP::TIdFTP() {
    Port = IdPORT_FTP;
}

TIdFTP::~TIdFTP() {
    // The TLS layer goes before the context it was made from.
    CloseTransport();
}

void TIdFTP::ConnectToHost(int32_t timeout) {
    FControlHost = Host;
    FBinaryTypeSent = false;
    // What one server said about itself does not hold for the next connection.
    Features.clear();
    FFeaturesListed = false;
    FFeaturesAsked = false;
    FSizeRefused = false;
    FDateRefused = false;
    if (FPassiveByFallback) {
        Passive = false;
        FPassiveByFallback = false;
    }
    TIdTCPClient::ConnectToHost(timeout);
}

void TIdFTP::ConnectServer(bool AutoLogin, int32_t Timeout) {
    const std::string host = Host;
    const int32_t port = Port;
    try {
        if (FProxySettings.ProxyType != TIdFtpProxyType::fpcmNone && !FProxySettings.Host.empty()) {
            Host = FProxySettings.Host;
            Port = FProxySettings.Port;
        }
        try {
            ConnectToHost(Timeout);
        } catch (...) {
            Host = host;
            Port = port;
            throw;
        }
        // The login commands name the real server, not the proxy.
        Host = host;
        Port = port;
        if (UseTLS == TIdUseTLS::utUseImplicitTLS)
            StartControlTLS();
        ReadReply({220});
        WelcomeReply().Assign(LastReply());
        if (UseTLS == TIdUseTLS::utUseExplicitTLS)
            NegotiateExplicitTLS();
        if (AutoLogin) {
            SignOn();
            NotifyAfterLogin();
            SendTypeCommand();
            if (SendCommand("SYST", {200, 215, 500}) == 500)
                ServerSystem = MsgText(TIdMsg::FtpUnknownSystem);
            else
                ServerSystem = LastReply().Text().empty() ? std::string() : LastReply().Text()[0];
            RaiseStatus(TIdStatus::ftpReady, {MsgText(TIdMsg::FtpConnectionEstablished)});
        }
    } catch (...) {
        DropConnection();
        throw;
    }
}

void TIdFTP::UserLogin() {
    if (SendCommand("USER " + Username, {230, 331}) == 331)
        SendCommand("PASS " + Password, 230);
}

void TIdFTP::ProxyLogin() {
    if (FProxySettings.UserName.empty())
        return;
    if (SendCommand("USER " + FProxySettings.UserName, {230, 331}) == 331)
        SendCommand("PASS " + FProxySettings.Password, 230);
}

void TIdFTP::SignOn() {
    switch (FProxySettings.ProxyType) {
    case TIdFtpProxyType::fpcmNone: UserLogin(); break;
    case TIdFtpProxyType::fpcmUserSite:
        ProxyLogin();
        if (SendCommand("USER " + Username + "@" + Host, {230, 331}) == 331)
            SendCommand("PASS " + Password, 230);
        break;
    case TIdFtpProxyType::fpcmSite:
        ProxyLogin();
        SendCommand("SITE " + Host);
        UserLogin();
        break;
    case TIdFtpProxyType::fpcmOpen:
        ProxyLogin();
        SendCommand("OPEN " + Host);
        UserLogin();
        break;
    case TIdFtpProxyType::fpcmUserPass:
        if (SendCommand("USER " + Username + "@" + FProxySettings.UserName + "@" + Host,
                        {230, 331}) == 331) {
            if (FProxySettings.Password.empty())
                SendCommand("PASS " + Password, 230);
            else
                SendCommand("PASS " + Password + "@" + FProxySettings.Password, 230);
        }
        break;
    case TIdFtpProxyType::fpcmTransparent:
        ProxyLogin();
        UserLogin();
        break;
    case TIdFtpProxyType::fpcmHttpProxyWithFtp: throw EIdException(TIdMsg::CommandNotSupported);
    }
    FLoginReply.Assign(LastReply());
    ProtectDataChannel();
    AskFeatures();
}

void TIdFTP::SignOff() {
    if (IsConnected())
        WriteLine("QUIT");
    DropConnection();
}

void TIdFTP::SendTypeCommand() {
    const bool binary = FTransferType == TIdFTPTransferType::ftBinary;
    FBinaryTypeSent = false;
    SendCommand(binary ? "TYPE I" : "TYPE A", 200);
    FBinaryTypeSent = binary;
}

void TIdFTP::SetTransferType(TIdFTPTransferType value) {
    if (value == FTransferType || FDataConnection.load() != nullptr)
        return;
    FTransferType = value;
    if (IsConnected())
        SendTypeCommand();
}

bool TIdFTP::SupportsResume() {
    if (ResumeProbed)
        return ResumeAllowed;
    ResumeProbed = true;
    ResumeAllowed = SendRawCommand("REST 1") == 350;
    SendRawCommand("REST 0");
    return ResumeAllowed;
}

int TIdFTP::SendRawCommand(const std::string& command) {
    return SendCommand(command, -1);
}

void TIdFTP::CheckCommandLine(const std::string& text) {
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        throw EIdInvalidCommandArgument();
}

void TIdFTP::WriteLine(const std::string& text) {
    CheckCommandLine(text);
    TIdTCPClient::WriteLine(text);
}

void TIdFTP::NotifyAfterLogin() {
    if (OnAfterClientLogin)
        OnAfterClientLogin(this);
}

std::string TIdFTP::RetrieveCurrentDir() {
    if (SendRawCommand("PWD") != 257 || LastReply().Text().empty())
        return "/";
    // 257 "/path with ""quotes"" doubled" is current directory.
    const std::string& line = LastReply().Text()[0];
    const size_t open = line.find('"');
    if (open == std::string::npos)
        return "/";
    std::string path;
    for (size_t i = open + 1; i < line.size(); ++i) {
        if (line[i] != '"') {
            path += line[i];
        } else if (i + 1 < line.size() && line[i + 1] == '"') {
            path += '"';
            ++i;
        } else {
            return path.empty() ? "/" : path;
        }
    }
    return "/";
}
