// The PASV reply parser over an arbitrary control-connection byte stream.
//
// Input: byte 0 splits the stream into pieces (see TInputFeed), the rest is
// what the server answers. PASV is asked again and again until something
// raises; only the network and conversion exceptions may, and every address
// handed out must name a port a data connection can be made to.

#include "core/exceptions.h"
#include "ftp/ftp_client.h"
#include "fuzz_check.h"
#include "support/memory_io_handler.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Opens the parser to the fuzz target without changing the client.
struct PasvProbe : TIdFTP {
    using TIdFTP::RequestPassiveAddress;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    TInputFeed feed(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), data[0]);
    TMemoryIOHandler handler(feed);
    PasvProbe client;
    client.SetIOHandler(&handler);
    try {
        for (;;) {
            std::string address;
            int32_t port = 0;
            const int64_t sentBefore = handler.BytesSent();
            client.RequestPassiveAddress(address, port);
            FuzzRequire(handler.BytesSent() - sentBefore == 6, "PASV not sent as one line");
            FuzzRequire(client.LastReply().NumericCode() == 227, "an address from a non-227 reply");
            FuzzRequire(port >= 1 && port <= 65535, "a passive port outside 1 to 65535");
        }
    } catch (const EIdException&) {
    } catch (const EConvertError&) {
    } catch (...) {
        FuzzUnexpected("PASV raised something other than EIdException or EConvertError");
    }
    return 0;
}
