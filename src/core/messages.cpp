#include "core/messages.h"

const char* MsgText(TIdMsg id) {
    switch (id) {
    case TIdMsg::OnlyOneAntiFreeze: return "Only one TIdAntiFreeze can exist per application.";
    case TIdMsg::CommandNotSupported: return "Command not supported.";
    case TIdMsg::ConnClosedGracefully: return "Connection Closed Gracefully.";
    case TIdMsg::AlreadyConnected: return "Already connected.";
    case TIdMsg::ClosedSocket: return "Disconnected.";
    case TIdMsg::ReadTimeout: return "Read Timeout";
    case TIdMsg::ReadLnMaxLineLengthExceeded: return "Max line length exceeded.";
    case TIdMsg::InvalidServiceName: return "%s is not a valid service.";
    case TIdMsg::ConnectTimeout: return "Connect timed out.";
    case TIdMsg::InvalidSocket: return "Cannot allocate socket.";
    case TIdMsg::SocketError: return "Socket Error # %d\r\n%s";
    case TIdMsg::WS2LoadError: return "Error on loading Winsock2 library (%s)";
    case TIdMsg::WS2CallError: return "Error on call Winsock2 library function %s";
    case TIdMsg::StackInitializationFailed: return "Winsock Initialization Error.";
    case TIdMsg::StackSetSizeExceeded: return "Set Size Exceeded.";
    case TIdMsg::CouldNotBindSocket:
        return "Could not bind socket. Address and port are already in use.";
    case TIdMsg::CanNotBindPortInRange: return "Can not bind in port range (%d - %d)";
    case TIdMsg::InvalidPortRange: return "Invalid Port Range (%d - %d)";
    case TIdMsg::NotEnoughDataInBuffer: return "Not enough data in buffer.";
    case TIdMsg::NoDataToRead: return "No data to read.";
    case TIdMsg::NotConnected: return "Not Connected";
    case TIdMsg::FileNotFound: return "File \"%s\" not found";
    case TIdMsg::InvalidFTPListingFormat: return "Unknown FTP listing format";
    case TIdMsg::FTPFileAlreadyExists: return "Destination file already exists.";
    case TIdMsg::ReplyTooManyLines: return "Reply has more than %d lines.";
    case TIdMsg::ListingTooLarge: return "Directory listing is larger than %d bytes.";
    case TIdMsg::AcceptTimeout:
        return "The server did not open the data connection within %d seconds.";
    case TIdMsg::InvalidPassivePort: return "Invalid port %d in the passive mode reply.";
    case TIdMsg::ExtendedPassiveNoPort:
        return "The extended passive mode reply names no port in parentheses: \"%s\".";
    case TIdMsg::ExtendedPassiveDelimiters:
        return "The delimiters of the extended passive mode reply do not match: \"%s\".";
    case TIdMsg::ExtendedPassiveBadPort:
        return "Invalid port \"%s\" in the extended passive mode reply.";
    case TIdMsg::SocksNameTooLong: return "Host name too long for the socks request (%d bytes).";
    case TIdMsg::SocksCredentialsTooLong: return "Socks user name or password too long (%d bytes).";
    case TIdMsg::Socks4NoIPv6:
        return "SOCKS 4 cannot reach the IPv6 address %s; use a SOCKS 5 proxy.";
    case TIdMsg::SocksRequestFailed: return "Request rejected or failed.";
    case TIdMsg::SocksRequestServerFailed:
        return "Request rejected because SOCKS server cannot connect.";
    case TIdMsg::SocksRequestIdentFailed:
        return "Request rejected because the client program and identd report different "
               "user-ids.";
    case TIdMsg::SocksUnknownError: return "Unknown socks error.";
    case TIdMsg::SocksServerRespondError: return "Socks server did not respond.";
    case TIdMsg::SocksAuthMethodError: return "Invalid socks authentication method.";
    case TIdMsg::SocksAuthError: return "Authentication error to socks server.";
    case TIdMsg::SocksServerGeneralError: return "General SOCKS server failure.";
    case TIdMsg::SocksServerPermissionError: return "Connection not allowed by ruleset.";
    case TIdMsg::SocksServerNetUnreachableError: return "Network unreachable.";
    case TIdMsg::SocksServerHostUnreachableError: return "Host unreachable.";
    case TIdMsg::SocksServerConnectionRefusedError: return "Connection refused.";
    case TIdMsg::SocksServerTTLExpiredError: return "TTL expired.";
    case TIdMsg::SocksServerCommandError: return "Command not supported.";
    case TIdMsg::SocksServerAddressError: return "Address type not supported.";
    case TIdMsg::StatusResolving: return "Resolving hostname %s.";
    case TIdMsg::StatusConnecting: return "Connecting to %s.";
    case TIdMsg::StatusConnected: return "Connected.";
    case TIdMsg::StatusDisconnecting: return "Disconnecting.";
    case TIdMsg::StatusDisconnected: return "Disconnected.";
    case TIdMsg::StatusText: return "%s";
    case TIdMsg::FtpConnectionEstablished: return "Connection established";
    case TIdMsg::FtpTransferComplete: return "Transfer complete";
    case TIdMsg::FtpStartingTransfer: return "Starting FTP transfer";
    case TIdMsg::FtpTransferAborted: return "Transfer aborted";
    case TIdMsg::FtpUnknownSystem: return "Unknown";
    case TIdMsg::DateEncodeError: return "Invalid argument to date encode";
    case TIdMsg::TimeEncodeError: return "Invalid argument to time encode";
    case TIdMsg::InvalidInteger: return "'%s' is not a valid integer value";
    case TIdMsg::ListIndexError: return "List index out of bounds (%d)";
    case TIdMsg::FileOpenError: return "Cannot open file \"%s\". %s";
    case TIdMsg::FileCreateError: return "Cannot create file \"%s\". %s";
    case TIdMsg::FileIoError: return "I/O error on file \"%s\". %s";
    case TIdMsg::SockEINTR: return "Interrupted system call.";
    case TIdMsg::SockEBADF: return "Bad file number.";
    case TIdMsg::SockEACCES: return "Access denied.";
    case TIdMsg::SockEFAULT: return "Bad address.";
    case TIdMsg::SockEINVAL: return "Invalid argument.";
    case TIdMsg::SockEMFILE: return "Too many open files.";
    case TIdMsg::SockEWOULDBLOCK: return "Operation would block. ";
    case TIdMsg::SockEINPROGRESS: return "Operation now in progress.";
    case TIdMsg::SockEALREADY: return "Operation already in progress.";
    case TIdMsg::SockENOTSOCK: return "Socket operation on non-socket.";
    case TIdMsg::SockEDESTADDRREQ: return "Destination address required.";
    case TIdMsg::SockEMSGSIZE: return "Message too long.";
    case TIdMsg::SockEPROTOTYPE: return "Protocol wrong type for socket.";
    case TIdMsg::SockENOPROTOOPT: return "Bad protocol option.";
    case TIdMsg::SockEPROTONOSUPPORT: return "Protocol not supported.";
    case TIdMsg::SockESOCKTNOSUPPORT: return "Socket type not supported.";
    case TIdMsg::SockEOPNOTSUPP: return "Operation not supported on socket.";
    case TIdMsg::SockEPFNOSUPPORT: return "Protocol family not supported.";
    case TIdMsg::SockEAFNOSUPPORT: return "Address family not supported by protocol family.";
    case TIdMsg::SockEADDRINUSE: return "Address already in use.";
    case TIdMsg::SockEADDRNOTAVAIL: return "Cannot assign requested address.";
    case TIdMsg::SockENETDOWN: return "Network is down.";
    case TIdMsg::SockENETUNREACH: return "Network is unreachable.";
    case TIdMsg::SockENETRESET: return "Net dropped connection or reset.";
    case TIdMsg::SockECONNABORTED: return "Software caused connection abort.";
    case TIdMsg::SockECONNRESET: return "Connection reset by peer.";
    case TIdMsg::SockENOBUFS: return "No buffer space available.";
    case TIdMsg::SockEISCONN: return "Socket is already connected.";
    case TIdMsg::SockENOTCONN: return "Socket is not connected.";
    case TIdMsg::SockESHUTDOWN: return "Cannot send or receive after socket is closed.";
    case TIdMsg::SockETOOMANYREFS: return "Too many references, cannot splice.";
    case TIdMsg::SockETIMEDOUT: return "Connection timed out.";
    case TIdMsg::SockECONNREFUSED: return "Connection refused.";
    case TIdMsg::SockELOOP: return "Too many levels of symbolic links.";
    case TIdMsg::SockENAMETOOLONG: return "File name too long.";
    case TIdMsg::SockEHOSTDOWN: return "Host is down.";
    case TIdMsg::SockEHOSTUNREACH: return "No route to host.";
    case TIdMsg::SockENOTEMPTY: return "Directory not empty";
    case TIdMsg::SockHOST_NOT_FOUND: return "Host not found.";
    case TIdMsg::SizePrefixTooLarge:
        return "A stream of %d bytes does not fit a 4-byte length prefix.";
    // Download size checks
    case TIdMsg::TransferSizeMismatch: return "Received %d of %d bytes.";
    case TIdMsg::LocalFileLargerThanRemote:
        return "The local file has %d bytes, more than the %d bytes of the remote file.";
    // Control channel
    case TIdMsg::InvalidCommandCharacter: return "Invalid character in command argument.";
    case TIdMsg::MalformedReply: return "Malformed server reply.";
    case TIdMsg::TlsSetupFailed: return "TLS setup failed: %s";
    case TIdMsg::TlsHandshakeFailed: return "TLS handshake failed: %s";
    case TIdMsg::TlsHandshakeTimeout: return "TLS handshake timed out.";
    case TIdMsg::TlsRecordFailed: return "TLS connection failed: %s";
    case TIdMsg::TlsCertificateRejected: return "The server's certificate was rejected: %s";
    case TIdMsg::TlsPinMismatch: return "certificate does not match the pinned SHA-256 fingerprint";
    case TIdMsg::TlsDataCertificateChanged:
        return "The data connection presented another certificate than the control connection.";
    case TIdMsg::TlsAuthRefused: return "The server refused AUTH TLS: %s";
    case TIdMsg::TlsSessionReuseRequired:
        return "The server requires TLS session reuse on data connections: %s";
    case TIdMsg::TlsTruncatedDownload:
        return "The data connection ended without TLS close_notify before the whole file arrived.";
    case TIdMsg::TlsNegotiated: return "TLS: %s %s";
    }
    return "";
}

std::string FormatPattern(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(pattern.size() + 16);
    auto next = args.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '%' || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        const char kind = pattern[i + 1];
        if (kind == '%') {
            out += '%';
            ++i;
        } else if (kind == 's' || kind == 'd') {
            if (next != args.end()) {
                out += *next;
                ++next;
            }
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}
