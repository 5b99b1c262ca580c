// The message table, the pattern filler and the exact message of every
// exception class that users get to see.
#include "core/exceptions.h"
#include "core/messages.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

TEST(MsgText, EveryEntryHasAText) {
    for (int i = 0; i <= static_cast<int>(TIdMsg::SockHOST_NOT_FOUND); ++i)
        EXPECT_STRNE(MsgText(static_cast<TIdMsg>(i)), "") << "entry " << i;
}

TEST(FormatPattern, FillsPlaceholdersInOrder) {
    EXPECT_EQ(FormatPattern("Invalid Port Range (%d - %d)", {"3000", "2000"}),
              "Invalid Port Range (3000 - 2000)");
    EXPECT_EQ(FormatPattern("%s is not a valid service.", {"x"}), "x is not a valid service.");
    EXPECT_EQ(FormatPattern("no placeholders", {}), "no placeholders");
}

TEST(FormatPattern, MissingArgumentsGiveEmptyTextAndExtraOnesAreIgnored) {
    EXPECT_EQ(FormatPattern("Resolving hostname %s.", {}), "Resolving hostname .");
    EXPECT_EQ(FormatPattern("%s and %s", {"one"}), "one and ");
    EXPECT_EQ(FormatPattern("Connected.", {"host"}), "Connected.");
    EXPECT_EQ(FormatPattern("%s", {"a", "b"}), "a");
}

TEST(FormatPattern, PercentSignsThatAreNotPlaceholdersStay) {
    EXPECT_EQ(FormatPattern("100%% done", {}), "100% done");
    EXPECT_EQ(FormatPattern("%%s", {"x"}), "%s");
    EXPECT_EQ(FormatPattern("50%", {"x"}), "50%");
    EXPECT_EQ(FormatPattern("%x %s", {"y"}), "%x y");
    // Arguments are inserted as they are, never formatted again.
    EXPECT_EQ(FormatPattern("[%s]", {"%s%d"}), "[%s%d]");
}

namespace {

struct Case {
    const char* name;
    std::function<void()> raise;
    std::string message;
};

// The message of what `raise` throws.
std::string MessageOf(const Case& c) {
    try {
        c.raise();
    } catch (const Exception& e) {
        return e.what();
    }
    return "(nothing raised)";
}

#define RAISE(expr) [] { throw expr; }

} // namespace

TEST(Exceptions, CarryTheirExactMessages) {
    const Case cases[] = {
        {"EIdException anti-freeze", RAISE(EIdException(TIdMsg::OnlyOneAntiFreeze)),
         "Only one TIdAntiFreeze can exist per application."},
        {"EIdException command", RAISE(EIdException(TIdMsg::CommandNotSupported)),
         "Command not supported."},
        {"EIdConnClosedGracefully", RAISE(EIdConnClosedGracefully()),
         "Connection Closed Gracefully."},
        {"EIdAlreadyConnected", RAISE(EIdAlreadyConnected()), "Already connected."},
        {"EIdClosedSocket", RAISE(EIdClosedSocket()), "Disconnected."},
        {"EIdReadTimeout", RAISE(EIdReadTimeout()), "Read Timeout"},
        {"EIdReadLnMaxLineLengthExceeded", RAISE(EIdReadLnMaxLineLengthExceeded()),
         "Max line length exceeded."},
        {"EIdInvalidServiceName", RAISE(EIdInvalidServiceName("no-such-service")),
         "no-such-service is not a valid service."},
        {"EIdProtocolReplyError", RAISE(EIdProtocolReplyError(530, "Login incorrect.")),
         "Login incorrect."},
        {"EIdConnectTimeout", RAISE(EIdConnectTimeout()), "Connect timed out."},
        {"EIdInvalidSocket", RAISE(EIdInvalidSocket()), "Cannot allocate socket."},
        {"EIdSocketError",
         RAISE(EIdSocketError(10061, "Socket Error # 10061\r\nConnection refused.")),
         "Socket Error # 10061\r\nConnection refused."},
        {"EIdStackInitializationFailed", RAISE(EIdStackInitializationFailed()),
         "Winsock Initialization Error."},
        {"EIdStackSetSizeExceeded", RAISE(EIdStackSetSizeExceeded()), "Set Size Exceeded."},
        {"EIdCouldNotBindSocket", RAISE(EIdCouldNotBindSocket()),
         "Could not bind socket. Address and port are already in use."},
        {"EIdCanNotBindPortInRange", RAISE(EIdCanNotBindPortInRange(2000, 2002)),
         "Can not bind in port range (2000 - 2002)"},
        {"EIdInvalidPortRange", RAISE(EIdInvalidPortRange(3000, 2000)),
         "Invalid Port Range (3000 - 2000)"},
        {"EIdNotEnoughDataInBuffer", RAISE(EIdNotEnoughDataInBuffer()),
         "Not enough data in buffer."},
        {"EIdNoDataToRead", RAISE(EIdNoDataToRead()), "No data to read."},
        {"EIdNotConnected", RAISE(EIdNotConnected()), "Not Connected"},
        {"EIdFileNotFound", RAISE(EIdFileNotFound("c:\\x.txt")), "File \"c:\\x.txt\" not found"},
        {"EIdInvalidFTPListingFormat", RAISE(EIdInvalidFTPListingFormat()),
         "Unknown FTP listing format"},
        {"EIdFTPFileAlreadyExists", RAISE(EIdFTPFileAlreadyExists()),
         "Destination file already exists."},
        {"EIdSocksRequestFailed", RAISE(EIdSocksRequestFailed()), "Request rejected or failed."},
        {"EIdSocksRequestServerFailed", RAISE(EIdSocksRequestServerFailed()),
         "Request rejected because SOCKS server cannot connect."},
        {"EIdSocksRequestIdentFailed", RAISE(EIdSocksRequestIdentFailed()),
         "Request rejected because the client program and identd report different user-ids."},
        {"EIdSocksUnknownError", RAISE(EIdSocksUnknownError()), "Unknown socks error."},
        {"EIdSocksServerRespondError", RAISE(EIdSocksServerRespondError()),
         "Socks server did not respond."},
        {"EIdSocksAuthMethodError", RAISE(EIdSocksAuthMethodError()),
         "Invalid socks authentication method."},
        {"EIdSocksAuthError", RAISE(EIdSocksAuthError()), "Authentication error to socks server."},
        {"EIdSocksServerGeneralError", RAISE(EIdSocksServerGeneralError()),
         "General SOCKS server failure."},
        {"EIdSocksServerPermissionError", RAISE(EIdSocksServerPermissionError()),
         "Connection not allowed by ruleset."},
        {"EIdSocksServerNetUnreachableError", RAISE(EIdSocksServerNetUnreachableError()),
         "Network unreachable."},
        {"EIdSocksServerHostUnreachableError", RAISE(EIdSocksServerHostUnreachableError()),
         "Host unreachable."},
        {"EIdSocksServerConnectionRefusedError", RAISE(EIdSocksServerConnectionRefusedError()),
         "Connection refused."},
        {"EIdSocksServerTTLExpiredError", RAISE(EIdSocksServerTTLExpiredError()), "TTL expired."},
        {"EIdSocksServerCommandError", RAISE(EIdSocksServerCommandError()),
         "Command not supported."},
        {"EIdSocksServerAddressError", RAISE(EIdSocksServerAddressError()),
         "Address type not supported."},
        {"EListError", RAISE(EListError(int64_t{5})), "List index out of bounds (5)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MessageOf(c), c.message) << c.name;
}

TEST(Exceptions, WS2StubErrorAddsTheSystemTextOnlyForANonZeroCode) {
    const EIdWS2StubError bare(FormatMsg(TIdMsg::WS2LoadError, {"WS2_32.DLL"}), 0, "ignored");
    EXPECT_STREQ(bare.what(), "Error on loading Winsock2 library (WS2_32.DLL)");
    EXPECT_EQ(bare.OsErrorCode, 0);
    EXPECT_EQ(bare.Summary, "Error on loading Winsock2 library (WS2_32.DLL)");

    const EIdWS2StubError withCode(FormatMsg(TIdMsg::WS2CallError, {"connect"}), 10093,
                                   "Successful WSAStartup not yet performed.");
    EXPECT_STREQ(withCode.what(), "Error on call Winsock2 library function connect: Successful "
                                  "WSAStartup not yet performed.");
    EXPECT_EQ(withCode.OsErrorCode, 10093);
    EXPECT_EQ(withCode.OsErrorText, "Successful WSAStartup not yet performed.");
    EXPECT_EQ(withCode.Summary, "Error on call Winsock2 library function connect");
}

TEST(Exceptions, SitInTheirGroupsSoCallersCanCatchThem) {
    EXPECT_THROW(throw EIdConnClosedGracefully(), EIdSilentException);
    EXPECT_THROW(throw EIdStackSetSizeExceeded(), EIdStackError);
    EXPECT_THROW(throw EIdStackInitializationFailed(), EIdStackError);
    EXPECT_THROW(throw EIdCouldNotBindSocket(), EIdSocketHandleError);
    EXPECT_THROW(throw EIdInvalidPortRange(1, 0), EIdSocketHandleError);
    EXPECT_THROW(throw EIdCanNotBindPortInRange(1, 2), EIdSocketHandleError);
    EXPECT_THROW(throw EIdNotConnected(), EIdTCPConnectionError);
    EXPECT_THROW(throw EIdFileNotFound("x"), EIdTCPConnectionError);
    EXPECT_THROW(throw EIdSocksServerAddressError(), EIdSocksError);
    EXPECT_THROW(throw EIdSocksRequestFailed(), EIdSocksError);
    EXPECT_THROW(throw EIdSocketError(1, "m"), EIdException);
    EXPECT_THROW(throw EIdException(TIdMsg::CommandNotSupported), Exception);
    EXPECT_THROW(throw EConvertError("m"), Exception);
    // Silent means "not an error to report": nothing else may be silent.
    const std::unique_ptr<EIdException> loud[] = {
        std::make_unique<EIdClosedSocket>(), std::make_unique<EIdReadTimeout>(),
        std::make_unique<EIdNotConnected>(), std::make_unique<EIdSocketError>(10054, "m")};
    for (const auto& e : loud)
        EXPECT_EQ(dynamic_cast<const EIdSilentException*>(e.get()), nullptr) << e->what();
}

TEST(Exceptions, CarryTheirCodes) {
    const EIdSocketError socketError(10054, "m");
    EXPECT_EQ(socketError.SocketErrorCode, 10054);
    const EIdProtocolReplyError replyError(550, "No such file");
    EXPECT_EQ(replyError.ReplyCode, 550);
}
