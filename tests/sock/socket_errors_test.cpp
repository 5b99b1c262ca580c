// Socket error codes: the errno mapping, the message texts, and how
// CheckSocketResult turns a failed call into an exception.
#include "core/exceptions.h"
#include "sock/socket_errors.h"
#include "sock/stack.h"
#include "sock_test_helpers.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace {

struct ErrorText {
    int32_t code;
    const char* text;
};

const ErrorText Table[] = {
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block. "},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10059, "Too many references, cannot splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10066, "Directory not empty"},
    {11001, "Host not found."},
};

std::string Expected(int32_t code, const char* text) {
    return "Socket Error # " + std::to_string(code) + "\r\n" + text;
}

} // namespace

TEST(SocketErrorText, GivesTheExactTextOfEveryListedCode) {
    for (const ErrorText& e : Table)
        EXPECT_EQ(Stack().SocketErrorText(e.code), Expected(e.code, e.text)) << e.code;
}

TEST(SocketErrorText, KeepsTheOddBlankAndTheMissingFullStop) {
    EXPECT_EQ(Stack().SocketErrorText(10035), "Socket Error # 10035\r\nOperation would block. ");
    EXPECT_EQ(Stack().SocketErrorText(10066), "Socket Error # 10066\r\nDirectory not empty");
}

TEST(SocketErrorText, UnlistedCodesGetThePrefixAndNothingAfterTheLineBreak) {
    EXPECT_EQ(Stack().SocketErrorText(11004), "Socket Error # 11004\r\n");
    EXPECT_EQ(Stack().SocketErrorText(10093), "Socket Error # 10093\r\n");
    EXPECT_EQ(Stack().SocketErrorText(10003), "Socket Error # 10003\r\n");
    EXPECT_EQ(Stack().SocketErrorText(10067), "Socket Error # 10067\r\n");
    EXPECT_EQ(Stack().SocketErrorText(0), "Socket Error # 0\r\n");
    EXPECT_EQ(Stack().SocketErrorText(-1), "Socket Error # -1\r\n");
}

TEST(SocketErrorText, HostNotFoundBelongsToThePlatformStackNotTheBaseTable) {
    TIdStack& stack = Stack();
    EXPECT_EQ(stack.TIdStack::SocketErrorText(11001), "Socket Error # 11001\r\n");
    EXPECT_EQ(stack.TIdStack::SocketErrorText(10061), Expected(10061, "Connection refused."));
}

TEST(SocketCodeFromErrno, MapsPosixErrorsOntoTheirCodes) {
    const std::pair<int, int32_t> cases[] = {
        {EINTR, 10004},           {EBADF, 10009},        {EACCES, 10013},
        {EPERM, 10013},           {EFAULT, 10014},       {EINVAL, 10022},
        {EMFILE, 10024},          {ENFILE, 10024},       {EAGAIN, 10035},
        {EWOULDBLOCK, 10035},     {EINPROGRESS, 10036},  {EALREADY, 10037},
        {ENOTSOCK, 10038},        {EDESTADDRREQ, 10039}, {EMSGSIZE, 10040},
        {EPROTOTYPE, 10041},      {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043},
        {EOPNOTSUPP, 10045},      {EAFNOSUPPORT, 10047}, {EADDRINUSE, 10048},
        {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},     {ENETUNREACH, 10051},
        {ENETRESET, 10052},       {ECONNABORTED, 10053}, {ECONNRESET, 10054},
        {EPIPE, 10054},           {ENOBUFS, 10055},      {EISCONN, 10056},
        {ENOTCONN, 10057},        {ESHUTDOWN, 10058},    {ETIMEDOUT, 10060},
        {ECONNREFUSED, 10061},    {ELOOP, 10062},        {ENAMETOOLONG, 10063},
        {EHOSTDOWN, 10064},       {EHOSTUNREACH, 10065}, {ENOTEMPTY, 10066},
        {ESOCKTNOSUPPORT, 10044}, {EPFNOSUPPORT, 10046}, {ETOOMANYREFS, 10059},
    };
    for (const auto& [err, code] : cases)
        EXPECT_EQ(SocketCodeFromErrno(err), code) << "errno " << err;
    // Without a counterpart the value passes through.
    EXPECT_EQ(SocketCodeFromErrno(ENOENT), ENOENT);
}

TEST(SocketCodeFromErrno, AnAcceptEndedByClosingTheListenerIsNotASocket) {
    EXPECT_EQ(SocketCodeFromErrno(EINVAL, TIdSocketCall::Accept), 10038);
    EXPECT_EQ(SocketCodeFromErrno(EBADF, TIdSocketCall::Accept), 10038);
    EXPECT_EQ(SocketCodeFromErrno(EINTR, TIdSocketCall::Accept), 10004);
    EXPECT_EQ(SocketCodeFromErrno(EMFILE, TIdSocketCall::Accept), 10024);
}

TEST(BaseSocketErrorMsg, CoversExactlyTheBaseTable) {
    int listed = 0;
    for (int32_t code = 10000; code < 11100; ++code)
        if (BaseSocketErrorMsg(code))
            ++listed;
    EXPECT_EQ(listed, 38);
    EXPECT_FALSE(BaseSocketErrorMsg(11001).has_value());
}

TEST(CheckSocketResult, PassesAnythingButTheFailureValue) {
    EXPECT_FALSE(CheckSocketResult(0));
    EXPECT_FALSE(CheckSocketResult(5));
    EXPECT_FALSE(CheckSocketResult(-2));
}

TEST(CheckSocketResult, RaisesTheLastErrorUnlessItWasExpected) {
    // A real failing call: bind a socket that is already bound.
    const TIdStackSocketHandle fd = CreateSocketValue(Id_SOCK_STREAM, 0);
    TIdStack& stack = Stack();
    ASSERT_EQ(stack.SockBind(fd, Id_PF_INET, 0, "127.0.0.1"), 0);
    ASSERT_EQ(stack.SockBind(fd, Id_PF_INET, 0, "127.0.0.1"), Id_SOCKET_ERROR);
    EXPECT_EQ(stack.LastErrorCode(), 10022);
    EXPECT_TRUE(CheckSocketResult(Id_SOCKET_ERROR, {10048, 10022}));
    EXPECT_EQ(stack.LastSocketError, 10022);
    try {
        CheckSocketResult(Id_SOCKET_ERROR, {10048});
        ADD_FAILURE() << "no exception";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode, 10022);
        EXPECT_STREQ(e.what(), "Socket Error # 10022\r\nInvalid argument.");
    }
    stack.SockClose(fd);
}

TEST(ThrowSocketError, RaisesWithTheCodeAndItsText) {
    try {
        ThrowSocketError(10060);
        ADD_FAILURE() << "no exception";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode, 10060);
        EXPECT_STREQ(e.what(), "Socket Error # 10060\r\nConnection timed out.");
    }
}

namespace {

// Two threads wait here for each other, each time they arrive (for at most
// a few seconds, so that a thread left alone goes on).
class Meeting {
public:
    void Meet() {
        std::unique_lock<std::mutex> hold(FMutex);
        const uint64_t round = FRound;
        if (++FArrived == 2) {
            FArrived = 0;
            ++FRound;
            FChanged.notify_all();
            return;
        }
        FChanged.wait_for(hold, std::chrono::seconds(5), [&] { return FRound != round; });
    }

private:
    std::mutex FMutex;
    std::condition_variable FChanged;
    int FArrived = 0;
    uint64_t FRound = 0;
};

// The POSIX stack, except that each thread's last error is the code the test
// gave that thread, and the threads meet there so that they fail at once.
class MeetingStack : public TIdStackPosix {
public:
    explicit MeetingStack(Meeting& meeting) : FMeeting(meeting) {}
    static thread_local int32_t OwnCode;
    int32_t LastErrorCode() override {
        FMeeting.Meet();
        return OwnCode;
    }

private:
    Meeting& FMeeting;
};
thread_local int32_t MeetingStack::OwnCode = 0;

} // namespace

TEST(CheckSocketResult, ThreadsFailingAtOnceEachRaiseTheirOwnCode) {
    Meeting meeting;
    ScopedStackClass stack([&] { return std::make_unique<MeetingStack>(meeting); });
    Stack();
    constexpr int Rounds = 10000;
    // Each thread names the other's code as expected: taking it for its own
    // would also make a failure pass.
    auto fail = [&](int32_t own, int32_t other, int& wrong) {
        MeetingStack::OwnCode = own;
        for (int i = 0; i < Rounds; ++i) {
            try {
                CheckSocketResult(Id_SOCKET_ERROR, {other});
                ++wrong;
            } catch (const EIdSocketError& e) {
                if (e.SocketErrorCode != own || Stack().LastSocketError != own)
                    ++wrong;
            }
        }
    };
    int wrongReset = 0;
    int wrongRefused = 0;
    std::thread reset(fail, IdCode::WSAECONNRESET, IdCode::WSAECONNREFUSED, std::ref(wrongReset));
    std::thread refused(fail, IdCode::WSAECONNREFUSED, IdCode::WSAECONNRESET,
                        std::ref(wrongRefused));
    reset.join();
    refused.join();
    EXPECT_EQ(wrongReset, 0);
    EXPECT_EQ(wrongRefused, 0);
}
