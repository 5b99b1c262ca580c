// The shared stack and the process-wide helpers over it.
#include "sock/stack.h"

#include "core/exceptions.h"
#include "core/text.h"
#include "sock/ipv4_text.h"
#include "sock/ipv6_text.h"
#include "sock/stack_posix.h"

namespace {

thread_local int32_t LastCheckedCode = 0;

} // namespace

// --- TIdThreadSocketError ---

TIdThreadSocketError::operator int32_t() const {
    return LastCheckedCode;
}

TIdThreadSocketError& TIdThreadSocketError::operator=(int32_t code) {
    LastCheckedCode = code;
    return *this;
}

// --- Process-wide state ---

TIdStackFactory StackClass = [] { return std::make_unique<TIdStackPosix>(); };
std::unique_ptr<TIdStack> SharedStack;
int32_t StackUsers = 0;
std::recursive_mutex StackLock;
bool StackStarted = false;
std::function<int64_t(TIdStackSocketHandle, const std::string&)> SendFileDirect;

std::unique_ptr<TIdStack> MakeSharedStack() {
    return StackClass();
}

TIdStack& Stack() {
    std::lock_guard<std::recursive_mutex> hold(StackLock);
    if (!SharedStack)
        // Used outside any component (a helper call): make one on demand.
        SharedStack = MakeSharedStack();
    return *SharedStack;
}

void AddStackUser() {
    std::lock_guard<std::recursive_mutex> hold(StackLock);
    if (StackUsers++ == 0 && !SharedStack)
        SharedStack = MakeSharedStack();
}

void RemoveStackUser() {
    std::lock_guard<std::recursive_mutex> hold(StackLock);
    if (StackUsers-- == 1)
        SharedStack.reset();
}
bool IsIPAddress(const std::string& text) {
    const TIdDottedQuad quad = SplitDottedQuad(text);
    if (quad.HasMore)
        return false;
    for (const auto& part : quad.Parts) {
        const auto value = TryStrToInt(part);
        if (!value || *value < 0 || *value > 255)
            return false;
    }
    return true;
}

bool IsAddressText(const std::string& text) {
    return IsIPAddress(text) || IsIPv6Address(text);
}

int AddressFamilyOf(const std::string& address) {
    return IsIPv6Address(address) ? Id_PF_INET6 : Id_PF_INET;
}

namespace {

// An IPv6 address in the one form the stack prints ("0:0::1" is "::1"), so
// that it compares equal to the addresses the sockets report.
std::string StandardIPv6Text(const std::string& text) {
    uint8_t bytes[16];
    ParseIPv6(text, bytes);
    return IPv6Text(bytes);
}

} // namespace

std::string ResolveHostAddress(const std::string& host) {
    if (UpperCase(host) == "LOCALHOST")
        return "127.0.0.1";
    if (IsIPAddress(host))
        return host;
    if (IsIPv6Address(host))
        return StandardIPv6Text(host);
    return Stack().LookupHost(host);
}

std::vector<std::string> ResolveHostAddresses(const std::string& host) {
    if (UpperCase(host) == "LOCALHOST" || IsAddressText(host))
        return {ResolveHostAddress(host)};
    return Stack().LookupHostAddresses(host);
}

TIdStackSocketHandle CreateSocketValue(int type, int protocol, int family) {
    const TIdStackSocketHandle fd = Stack().SockCreate(family, type, protocol);
    if (fd == Id_INVALID_SOCKET)
        throw EIdInvalidSocket();
    return fd;
}
