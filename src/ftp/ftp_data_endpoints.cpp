// Where the data connections go: the passive address from PASV, or the port
// from EPSV on an IPv6 control connection (dialled on the server the control
// connection reached, whatever the reply names), the active listener
// announced with PORT, or EPRT on IPv6, and the wait for the server to
// connect to it, which also watches the control connection for a server that
// answers instead of connecting.
#include "ftp/ftp_client.h"

#include "core/exceptions.h"
#include "core/text.h"
#include "ftp/simple_server.h"
#include "net/io_handler.h"
#include "sock/ipv6_text.h"
#include "sock/stack.h"

namespace {

// The port of a 229 reply's "(|||port|)": any delimiter character, the same
// four times, with nothing between the first three.
int32_t ExtendedPassivePort(const std::string& text) {
    const size_t open = text.find('(');
    const size_t close = open == std::string::npos ? open : text.find(')', open);
    if (close == std::string::npos)
        throw EIdInvalidPassiveReply(FormatMsg(TIdMsg::ExtendedPassiveNoPort, {text}));
    const std::string inside = text.substr(open + 1, close - open - 1);
    const char delimiter = inside.empty() ? '\0' : inside[0];
    // Printable and no digit, or the port could not be told from it.
    const bool usable = delimiter > ' ' && delimiter < 127 && (delimiter < '0' || delimiter > '9');
    if (!usable || inside.size() < 4 || inside[1] != delimiter || inside[2] != delimiter ||
        inside.back() != delimiter)
        throw EIdInvalidPassiveReply(FormatMsg(TIdMsg::ExtendedPassiveDelimiters, {inside}));
    const std::string digits = inside.substr(3, inside.size() - 4);
    int32_t port = 0;
    bool number = !digits.empty() && digits.size() <= 5;
    for (const char c : digits) {
        number = number && c >= '0' && c <= '9';
        port = number ? port * 10 + (c - '0') : 0;
    }
    if (!number || port < 1 || port > 65535)
        throw EIdInvalidPassiveReply(FormatMsg(TIdMsg::ExtendedPassiveBadPort, {digits}));
    return port;
}

} // namespace

bool TIdFTP::ControlConnectionIsIPv6() {
    TIdIOHandlerSocket* control = SocketIOHandler();
    if (control == nullptr)
        return false;
    // Through a proxy the socket reaches the proxy; the server is the
    // destination the proxy was given.
    if (control->SocksInfo()->Version != TSocksVersion::svNoSocks)
        return IsIPv6Address(FControlHost);
    return control->SocketHandle() != nullptr && IsIPv6Address(control->SocketHandle()->RemoteIP);
}

void TIdFTP::RequestPassiveAddress(std::string& address, int32_t& port) {
    // PASV can only name an IPv4 address; EPSV names just the port, on the
    // server the control connection reached.
    if (ControlConnectionIsIPv6()) {
        SendCommand("EPSV", 229);
        port = ExtendedPassivePort(
            Trim(LastReply().Text().empty() ? std::string() : LastReply().Text()[0]));
        address = PassiveDataHost(std::string());
        return;
    }
    SendCommand("PASV", 227);
    std::string text = Trim(LastReply().Text().empty() ? std::string() : LastReply().Text()[0]);
    const size_t open = text.find('(');
    const size_t close = text.find(')');
    if (open != std::string::npos && close != std::string::npos)
        text = close > open ? text.substr(open + 1, close - open - 1) : std::string();
    else if (const size_t space = text.rfind(' '); space != std::string::npos)
        text = text.substr(space + 1);

    address.clear();
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            address += '.';
        address += CutToken(text, ",");
    }
    const int32_t high = StrToInt(CutToken(text, ","));
    const int32_t low = StrToInt(CutToken(text, ","));
    // In 64 bits: any two 32-bit pieces combine without overflow.
    const int64_t wide = int64_t{high} * 256 + low;
    // A port outside the TCP range would be cut to 16 bits and dial some
    // other service: refuse it instead.
    if (wide < 1 || wide > 65535)
        throw EIdInvalidPassiveReply(FormatMsg(TIdMsg::InvalidPassivePort, {std::to_string(wide)}));
    port = static_cast<int32_t>(wide);
}

std::string TIdFTP::PassiveDataHost(const std::string& announced) {
    TIdIOHandlerSocket* control = SocketIOHandler();
    if (control != nullptr && control->SocksInfo()->Version != TSocksVersion::svNoSocks)
        return FControlHost;
    // The address the control connection reached: the server as resolved
    // then, not a second lookup that could name another machine.
    if (control != nullptr && control->SocketHandle() != nullptr &&
        !control->SocketHandle()->RemoteIP.empty())
        return control->SocketHandle()->RemoteIP;
    return FControlHost.empty() ? announced : FControlHost;
}

std::string TIdFTP::ControlPeerAddress() {
    TIdIOHandlerSocket* control = SocketIOHandler();
    if (control == nullptr || control->SocketHandle() == nullptr)
        throw EIdNotConnected();
    // Through a proxy the control connection's peer is the proxy, while the
    // server connects back to us directly.
    if (control->SocksInfo()->Version != TSocksVersion::svNoSocks)
        return ResolveHostAddress(FControlHost);
    return control->SocketHandle()->RemoteIP;
}

void TIdFTP::SendPortCommand(const TIdSocketHandle& handle) {
    // PORT can only name an IPv4 address; EPRT names the family (2: IPv6).
    if (IsIPv6Address(handle.IP)) {
        SendCommand("EPRT |2|" + handle.IP + "|" + std::to_string(handle.Port) + "|", 200);
        return;
    }
    std::string ip = handle.IP;
    for (char& c : ip)
        if (c == '.')
            c = ',';
    SendCommand("PORT " + ip + "," + std::to_string(handle.Port / 256) + "," +
                    std::to_string(handle.Port % 256),
                200);
}

int32_t TIdFTP::AcceptWaitLimit() const {
    int32_t limit = AcceptTimeout == IdTimeoutDefault ? DefaultAcceptTimeout : AcceptTimeout;
    if (limit < 0)
        limit = IdTimeoutInfinite;
    // A caller who bounds every wait for the server bounds this one too.
    if (ReadTimeout > 0 && (limit == IdTimeoutInfinite || ReadTimeout < limit))
        limit = ReadTimeout;
    return limit;
}

bool TIdFTP::WaitForDataPeer(TIdSimpleServer& listener, int32_t limit) {
    if (listener.AcceptConnection(limit))
        return true;
    if (listener.TimedOut())
        throw EIdAcceptTimeout(
            FormatMsg(TIdMsg::AcceptTimeout, {std::to_string((limit + 999) / 1000)}));
    return false;
}

bool TIdFTP::AcceptDataConnection(TIdSimpleServer& listener, TOwedReply& owed) {
    // An abort that came before the wait began finds the listener stopped.
    if (FAbortRequested)
        listener.RequestStop();
    const int32_t limit = AcceptWaitLimit();
    // A reply that came with the preliminary one is already in our buffer.
    if (PendingInput().Size() == 0) {
        const TIdIOHandlerSocket* control = SocketIOHandler();
        if (control != nullptr && control->SocketHandle() != nullptr)
            listener.WatchedSocket = control->SocketHandle()->NativeSocket();
        if (WaitForDataPeer(listener, limit) || !listener.WatchedReadable())
            return false;
    }
    // The replies to an abort's ABOR are the final ones, read after the data.
    if (FAbortRequested)
        return false;
    // The server answered instead of connecting: 425 or 421 (or a permanent
    // refusal) when it could not reach us, unless its connection is there
    // after all. Any other reply is its final one, sent early: the data it
    // describes is still to come.
    listener.WatchedSocket = Id_INVALID_SOCKET;
    const int code = ReadTransferReply({}, owed, TOwedReply::None);
    if (code == 425 || code == 421 || code >= 500) {
        if (!listener.AcceptConnection(0))
            RaiseReplyError();
    } else {
        WaitForDataPeer(listener, limit);
    }
    return true;
}
