// The one table of texts the network stack shows: exception messages, status
// patterns and socket error texts. Code names an entry; it never copies a text.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

enum class TIdMsg {
    // General exceptions
    OnlyOneAntiFreeze,
    CommandNotSupported,
    ConnClosedGracefully,
    AlreadyConnected,
    ClosedSocket,
    ReadTimeout,
    ReadLnMaxLineLengthExceeded,
    InvalidServiceName,
    ConnectTimeout,
    InvalidSocket,
    SocketError,
    WS2LoadError,
    WS2CallError,
    StackInitializationFailed,
    StackSetSizeExceeded,
    CouldNotBindSocket,
    CanNotBindPortInRange,
    InvalidPortRange,
    NotEnoughDataInBuffer,
    NoDataToRead,
    NotConnected,
    FileNotFound,
    InvalidFTPListingFormat,
    FTPFileAlreadyExists,
    // Our own limits on what a peer may send or make us wait for
    ReplyTooManyLines,
    ListingTooLarge,
    AcceptTimeout,
    InvalidPassivePort,
    ExtendedPassiveNoPort,
    ExtendedPassiveDelimiters,
    ExtendedPassiveBadPort,
    SocksNameTooLong,
    SocksCredentialsTooLong,
    Socks4NoIPv6,
    // SOCKS refusals
    SocksRequestFailed,
    SocksRequestServerFailed,
    SocksRequestIdentFailed,
    SocksUnknownError,
    SocksServerRespondError,
    SocksAuthMethodError,
    SocksAuthError,
    SocksServerGeneralError,
    SocksServerPermissionError,
    SocksServerNetUnreachableError,
    SocksServerHostUnreachableError,
    SocksServerConnectionRefusedError,
    SocksServerTTLExpiredError,
    SocksServerCommandError,
    SocksServerAddressError,
    // Status patterns
    StatusResolving,
    StatusConnecting,
    StatusConnected,
    StatusDisconnecting,
    StatusDisconnected,
    StatusText,
    // FTP status texts
    FtpConnectionEstablished,
    FtpTransferComplete,
    FtpStartingTransfer,
    FtpTransferAborted,
    FtpUnknownSystem,
    // Run-time library conversions
    DateEncodeError,
    TimeEncodeError,
    InvalidInteger,
    ListIndexError,
    FileOpenError,
    FileCreateError,
    FileIoError,
    // Socket error texts, keyed by the Windows Sockets codes they stand for
    SockEINTR,
    SockEBADF,
    SockEACCES,
    SockEFAULT,
    SockEINVAL,
    SockEMFILE,
    SockEWOULDBLOCK,
    SockEINPROGRESS,
    SockEALREADY,
    SockENOTSOCK,
    SockEDESTADDRREQ,
    SockEMSGSIZE,
    SockEPROTOTYPE,
    SockENOPROTOOPT,
    SockEPROTONOSUPPORT,
    SockESOCKTNOSUPPORT,
    SockEOPNOTSUPP,
    SockEPFNOSUPPORT,
    SockEAFNOSUPPORT,
    SockEADDRINUSE,
    SockEADDRNOTAVAIL,
    SockENETDOWN,
    SockENETUNREACH,
    SockENETRESET,
    SockECONNABORTED,
    SockECONNRESET,
    SockENOBUFS,
    SockEISCONN,
    SockENOTCONN,
    SockESHUTDOWN,
    SockETOOMANYREFS,
    SockETIMEDOUT,
    SockECONNREFUSED,
    SockELOOP,
    SockENAMETOOLONG,
    SockEHOSTDOWN,
    SockEHOSTUNREACH,
    SockENOTEMPTY,
    SockHOST_NOT_FOUND,
    // Bulk transfer
    SizePrefixTooLarge,
    // Download size checks
    TransferSizeMismatch,
    LocalFileLargerThanRemote,
    // Control channel: what a command may hold, what a reply may hold
    InvalidCommandCharacter,
    MalformedReply,
    // TLS on control and data connections
    TlsSetupFailed,
    TlsHandshakeFailed,
    TlsHandshakeTimeout,
    TlsRecordFailed,
    TlsCertificateRejected,
    TlsPinMismatch,
    TlsDataCertificateChanged,
    TlsAuthRefused,
    TlsSessionReuseRequired,
    TlsTruncatedDownload,
    TlsNegotiated,
};

// The text of one entry.
const char* MsgText(TIdMsg id);

// Fills %s and %d placeholders in order with the given arguments (numbers are
// passed already converted to text). A placeholder without an argument gets the
// empty text; surplus arguments are ignored; "%%" stands for "%".
std::string FormatPattern(std::string_view pattern, std::initializer_list<std::string_view> args);

inline std::string FormatMsg(TIdMsg id, std::initializer_list<std::string_view> args) {
    return FormatPattern(MsgText(id), args);
}
