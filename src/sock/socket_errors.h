// Socket error codes as the rest of the stack knows them (the Windows Sockets
// numbering, which keys the error texts and the decisions that tolerate some
// codes), and the one place where the platform's errno values map onto them.
#pragma once

#include "core/messages.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

namespace IdCode {
constexpr int32_t WSAEINTR = 10004;
constexpr int32_t WSAEBADF = 10009;
constexpr int32_t WSAEACCES = 10013;
constexpr int32_t WSAEFAULT = 10014;
constexpr int32_t WSAEINVAL = 10022;
constexpr int32_t WSAEMFILE = 10024;
constexpr int32_t WSAEWOULDBLOCK = 10035;
constexpr int32_t WSAEINPROGRESS = 10036;
constexpr int32_t WSAEALREADY = 10037;
constexpr int32_t WSAENOTSOCK = 10038;
constexpr int32_t WSAEDESTADDRREQ = 10039;
constexpr int32_t WSAEMSGSIZE = 10040;
constexpr int32_t WSAEPROTOTYPE = 10041;
constexpr int32_t WSAENOPROTOOPT = 10042;
constexpr int32_t WSAEPROTONOSUPPORT = 10043;
constexpr int32_t WSAESOCKTNOSUPPORT = 10044;
constexpr int32_t WSAEOPNOTSUPP = 10045;
constexpr int32_t WSAEPFNOSUPPORT = 10046;
constexpr int32_t WSAEAFNOSUPPORT = 10047;
constexpr int32_t WSAEADDRINUSE = 10048;
constexpr int32_t WSAEADDRNOTAVAIL = 10049;
constexpr int32_t WSAENETDOWN = 10050;
constexpr int32_t WSAENETUNREACH = 10051;
constexpr int32_t WSAENETRESET = 10052;
constexpr int32_t WSAECONNABORTED = 10053;
constexpr int32_t WSAECONNRESET = 10054;
constexpr int32_t WSAENOBUFS = 10055;
constexpr int32_t WSAEISCONN = 10056;
constexpr int32_t WSAENOTCONN = 10057;
constexpr int32_t WSAESHUTDOWN = 10058;
constexpr int32_t WSAETOOMANYREFS = 10059;
constexpr int32_t WSAETIMEDOUT = 10060;
constexpr int32_t WSAECONNREFUSED = 10061;
constexpr int32_t WSAELOOP = 10062;
constexpr int32_t WSAENAMETOOLONG = 10063;
constexpr int32_t WSAEHOSTDOWN = 10064;
constexpr int32_t WSAEHOSTUNREACH = 10065;
constexpr int32_t WSAENOTEMPTY = 10066;
constexpr int32_t WSANOTINITIALISED = 10093;
constexpr int32_t WSAHOST_NOT_FOUND = 11001;
} // namespace IdCode

// Which call failed: a few errno values mean something else per call.
enum class TIdSocketCall { Other, Accept };

// Maps an errno value onto the code the stack reports. Values without a
// counterpart pass through unchanged (they are far below the 10000 range).
int32_t SocketCodeFromErrno(int err, TIdSocketCall call = TIdSocketCall::Other);

// The table entry of a code known to the base table (10004 to 10066).
std::optional<TIdMsg> BaseSocketErrorMsg(int32_t code);

// Returns true when the platform result is -1 with one of the expected codes,
// false when it is not -1; otherwise raises EIdSocketError with the calling
// thread's last error code (which the stack's LastSocketError then holds).
bool CheckSocketResult(int64_t result, std::initializer_list<int32_t> expected = {});
[[noreturn]] void ThrowSocketError(int32_t code);
