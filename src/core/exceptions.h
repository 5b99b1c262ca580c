// The exception tree. `Exception` stands for the run-time library's general
// exception (one message text); every network failure is an `EIdException`.
#pragma once

#include "core/messages.h"

#include <cstdint>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const noexcept { return FMessage; }

private:
    std::string FMessage;
};

// Conversion failures of the run-time library (dates, times, integers).
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// An index outside a list.
class EListError : public Exception {
public:
    using Exception::Exception;
    explicit EListError(int64_t index)
        : Exception(FormatMsg(TIdMsg::ListIndexError, {std::to_string(index)})) {}
};

// A local file that cannot be opened, created, read or written.
class EFileError : public Exception {
public:
    using Exception::Exception;
};

class EIdException : public Exception {
public:
    using Exception::Exception;
    explicit EIdException(TIdMsg id) : Exception(MsgText(id)) {}
};

// A class whose message is fixed by the table entry `MsgId`.
#define SCRIVLET_FIXED_EXCEPTION(Name, Parent, MsgId)                                              \
    class Name : public Parent {                                                                   \
    public:                                                                                        \
        using Parent::Parent;                                                                      \
        Name() : Parent(MsgText(TIdMsg::MsgId)) {}                                                 \
    }

// A group: only caught, never raised itself.
#define SCRIVLET_GROUP_EXCEPTION(Name, Parent)                                                     \
    class Name : public Parent {                                                                   \
    public:                                                                                        \
        using Parent::Parent;                                                                      \
    }

SCRIVLET_GROUP_EXCEPTION(EIdSilentException, EIdException);
SCRIVLET_FIXED_EXCEPTION(EIdConnClosedGracefully, EIdSilentException, ConnClosedGracefully);
SCRIVLET_FIXED_EXCEPTION(EIdAlreadyConnected, EIdException, AlreadyConnected);
SCRIVLET_FIXED_EXCEPTION(EIdClosedSocket, EIdException, ClosedSocket);
SCRIVLET_FIXED_EXCEPTION(EIdReadTimeout, EIdException, ReadTimeout);
SCRIVLET_FIXED_EXCEPTION(EIdReadLnMaxLineLengthExceeded, EIdException, ReadLnMaxLineLengthExceeded);
SCRIVLET_FIXED_EXCEPTION(EIdConnectTimeout, EIdException, ConnectTimeout);
SCRIVLET_GROUP_EXCEPTION(EIdConnectException, EIdException);
SCRIVLET_FIXED_EXCEPTION(EIdInvalidSocket, EIdException, InvalidSocket);

class EIdInvalidServiceName : public EIdException {
public:
    explicit EIdInvalidServiceName(const std::string& service)
        : EIdException(FormatMsg(TIdMsg::InvalidServiceName, {service})) {}
};

class EIdProtocolReplyError : public EIdException {
public:
    EIdProtocolReplyError(int replyCode, std::string message)
        : EIdException(std::move(message)), ReplyCode(replyCode) {}
    int ReplyCode;
};

class EIdSocketError : public EIdException {
public:
    EIdSocketError(int32_t code, std::string message)
        : EIdException(std::move(message)), SocketErrorCode(code) {}
    int32_t SocketErrorCode;
};

class EIdWS2StubError : public EIdException {
public:
    EIdWS2StubError(std::string summary, int32_t osErrorCode, std::string osErrorText)
        : EIdException(osErrorCode == 0 ? summary : summary + ": " + osErrorText),
          OsErrorCode(osErrorCode), OsErrorText(std::move(osErrorText)),
          Summary(std::move(summary)) {}
    int32_t OsErrorCode;
    std::string OsErrorText;
    std::string Summary;
};

SCRIVLET_GROUP_EXCEPTION(EIdStackError, EIdException);
SCRIVLET_FIXED_EXCEPTION(EIdStackInitializationFailed, EIdStackError, StackInitializationFailed);
SCRIVLET_FIXED_EXCEPTION(EIdStackSetSizeExceeded, EIdStackError, StackSetSizeExceeded);

SCRIVLET_GROUP_EXCEPTION(EIdSocketHandleError, EIdException);
SCRIVLET_FIXED_EXCEPTION(EIdCouldNotBindSocket, EIdSocketHandleError, CouldNotBindSocket);

class EIdCanNotBindPortInRange : public EIdSocketHandleError {
public:
    EIdCanNotBindPortInRange(int32_t lo, int32_t hi)
        : EIdSocketHandleError(
              FormatMsg(TIdMsg::CanNotBindPortInRange, {std::to_string(lo), std::to_string(hi)})) {}
};

class EIdInvalidPortRange : public EIdSocketHandleError {
public:
    EIdInvalidPortRange(int32_t lo, int32_t hi)
        : EIdSocketHandleError(
              FormatMsg(TIdMsg::InvalidPortRange, {std::to_string(lo), std::to_string(hi)})) {}
};

SCRIVLET_GROUP_EXCEPTION(EIdTCPConnectionError, EIdException);
SCRIVLET_FIXED_EXCEPTION(EIdNotEnoughDataInBuffer, EIdTCPConnectionError, NotEnoughDataInBuffer);
SCRIVLET_FIXED_EXCEPTION(EIdNoDataToRead, EIdTCPConnectionError, NoDataToRead);
SCRIVLET_FIXED_EXCEPTION(EIdNotConnected, EIdTCPConnectionError, NotConnected);

class EIdFileNotFound : public EIdTCPConnectionError {
public:
    explicit EIdFileNotFound(const std::string& fileName)
        : EIdTCPConnectionError(FormatMsg(TIdMsg::FileNotFound, {fileName})) {}
};

SCRIVLET_FIXED_EXCEPTION(EIdInvalidFTPListingFormat, EIdException, InvalidFTPListingFormat);
SCRIVLET_FIXED_EXCEPTION(EIdFTPFileAlreadyExists, EIdException, FTPFileAlreadyExists);

// Limits we put on what a server may send or make us wait for.
SCRIVLET_GROUP_EXCEPTION(EIdPeerLimitExceeded, EIdException);
SCRIVLET_GROUP_EXCEPTION(EIdAcceptTimeout, EIdException);
SCRIVLET_GROUP_EXCEPTION(EIdInvalidPassiveReply, EIdException);
// A download whose byte count is not the one the server stated.
SCRIVLET_GROUP_EXCEPTION(EIdTransferSizeMismatch, EIdException);

SCRIVLET_GROUP_EXCEPTION(EIdSocksError, EIdException);
SCRIVLET_FIXED_EXCEPTION(EIdSocksRequestFailed, EIdSocksError, SocksRequestFailed);
SCRIVLET_FIXED_EXCEPTION(EIdSocksRequestServerFailed, EIdSocksError, SocksRequestServerFailed);
SCRIVLET_FIXED_EXCEPTION(EIdSocksRequestIdentFailed, EIdSocksError, SocksRequestIdentFailed);
SCRIVLET_FIXED_EXCEPTION(EIdSocksUnknownError, EIdSocksError, SocksUnknownError);
SCRIVLET_FIXED_EXCEPTION(EIdSocksServerRespondError, EIdSocksError, SocksServerRespondError);
SCRIVLET_FIXED_EXCEPTION(EIdSocksAuthMethodError, EIdSocksError, SocksAuthMethodError);
SCRIVLET_FIXED_EXCEPTION(EIdSocksAuthError, EIdSocksError, SocksAuthError);
SCRIVLET_FIXED_EXCEPTION(EIdSocksServerGeneralError, EIdSocksError, SocksServerGeneralError);
SCRIVLET_FIXED_EXCEPTION(EIdSocksServerPermissionError, EIdSocksError, SocksServerPermissionError);
SCRIVLET_FIXED_EXCEPTION(EIdSocksServerNetUnreachableError, EIdSocksError,
                         SocksServerNetUnreachableError);
SCRIVLET_FIXED_EXCEPTION(EIdSocksServerHostUnreachableError, EIdSocksError,
                         SocksServerHostUnreachableError);
SCRIVLET_FIXED_EXCEPTION(EIdSocksServerConnectionRefusedError, EIdSocksError,
                         SocksServerConnectionRefusedError);
SCRIVLET_FIXED_EXCEPTION(EIdSocksServerTTLExpiredError, EIdSocksError, SocksServerTTLExpiredError);
SCRIVLET_FIXED_EXCEPTION(EIdSocksServerCommandError, EIdSocksError, SocksServerCommandError);
SCRIVLET_FIXED_EXCEPTION(EIdSocksServerAddressError, EIdSocksError, SocksServerAddressError);
// Our refusal of names and credentials too long for the one-byte length fields.
SCRIVLET_GROUP_EXCEPTION(EIdSocksRequestTooLong, EIdSocksError);
// Our refusal of an IPv6 destination, which a SOCKS 4 or 4A request cannot carry.
class EIdSocks4NoIPv6 : public EIdSocksError {
public:
    explicit EIdSocks4NoIPv6(const std::string& address)
        : EIdSocksError(FormatMsg(TIdMsg::Socks4NoIPv6, {address})) {}
};

// Control channel: a command argument that would end the command line early
// (CR, LF) or cut it (NUL), refused before anything is sent.
SCRIVLET_FIXED_EXCEPTION(EIdInvalidCommandArgument, EIdException, InvalidCommandCharacter);
// A reply holding control bytes other than TAB, CR and LF. Callers treat it as
// any refused reply: it is one, with no code to trust.
class EIdMalformedReply : public EIdProtocolReplyError {
public:
    EIdMalformedReply() : EIdProtocolReplyError(0, MsgText(TIdMsg::MalformedReply)) {}
};

#undef SCRIVLET_FIXED_EXCEPTION
#undef SCRIVLET_GROUP_EXCEPTION
