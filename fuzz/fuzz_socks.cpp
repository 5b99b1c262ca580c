// SOCKS 4, 4A and 5 reply handling over arbitrary proxy replies.
//
// Input: byte 0 splits the replies into pieces (see TInputFeed), byte 1 picks
// the protocol version and credentials, the rest is what the proxy answers.
// A negotiation either stands, having taken exactly the proxy's replies from
// the stream and no byte more, or fails with a SOCKS error.

#include "core/exceptions.h"
#include "fuzz_check.h"
#include "net/socks_info.h"
#include "support/memory_io_handler.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// The reply bytes a standing SOCKS 5 tunnel has read: method choice, the
// optional login status, and the connect reply with its bound address.
int64_t Socks5ReplyLength(std::string_view replies, bool withLogin) {
    const size_t head = withLogin ? 4 : 2;
    const auto addressType = static_cast<uint8_t>(replies[head + 3]);
    const auto fifth = static_cast<uint8_t>(replies[head + 4]);
    int64_t rest = 2;
    if (addressType == 1)
        rest = 5;
    else if (addressType == 3)
        rest = fifth + 2;
    else if (addressType == 4)
        rest = 17;
    return static_cast<int64_t>(head) + 5 + rest;
}

void Negotiate(std::string_view replies, uint8_t pieces, uint8_t options) {
    static const TSocksVersion Versions[] = {TSocksVersion::svSocks4, TSocksVersion::svSocks4A,
                                             TSocksVersion::svSocks5, TSocksVersion::svSocks5};
    const TSocksVersion version = Versions[options & 3];
    const bool withLogin = (options & 3) == 3;
    TInputFeed feed(replies, pieces);
    TMemorySocketHandler handler(feed);
    TIdSocksInfo& socks = *handler.SocksInfo();
    socks.Version = version;
    socks.Username = (options & 4) != 0 ? "proxyuser" : "";
    socks.Password = (options & 8) != 0 ? "secret" : "";
    if (withLogin)
        socks.Authentication = TSocksAuthentication::saUsernamePassword;
    // Never dialled: the handler only pretends to be connected to a proxy.
    const std::string destination = version == TSocksVersion::svSocks4 ? "127.0.0.1" : "files.test";
    try {
        socks.NegotiateSocks(destination, 21);
    } catch (const EIdSocksError&) {
        return;
    } catch (...) {
        FuzzUnexpected("a SOCKS negotiation raised something other than EIdSocksError");
    }
    if (version == TSocksVersion::svSocks5) {
        FuzzRequire(feed.Served() == Socks5ReplyLength(replies, withLogin),
                    "a SOCKS 5 tunnel that took more or less than the proxy's replies");
        FuzzRequire(static_cast<uint8_t>(replies[(withLogin ? 4 : 2) + 1]) == 0,
                    "a SOCKS 5 tunnel despite a refusing reply code");
    } else {
        FuzzRequire(feed.Served() == 8, "a SOCKS 4 tunnel that took other than 8 reply bytes");
        FuzzRequire(static_cast<uint8_t>(replies[1]) == 90,
                    "a SOCKS 4 tunnel that was not granted");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    Negotiate(std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2), data[0],
              data[1]);
    return 0;
}
