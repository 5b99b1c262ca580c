// Reply reading over an arbitrary control-connection byte stream.
//
// Input: byte 0 splits the stream into pieces (see TInputFeed), byte 1 picks
// the line settings, the rest is what the server sends. Replies are read until
// something raises; the only acceptable ends are the network and conversion
// exceptions, and every reply read must be whole and within the limits. The
// same stream then goes, cut into lines, through the reply rule alone.

#include "core/exceptions.h"
#include "core/text.h"
#include "fuzz_check.h"
#include "net/reply_reader.h"
#include "net/tcp_connection.h"
#include "support/memory_io_handler.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct TLineSettings {
    int32_t MaxLineLength;
    TIdMaxLineAction Action;
    bool ASCIIFilter;
};

TLineSettings SettingsFrom(uint8_t options) {
    // Small limits let short inputs reach the long-line paths.
    static constexpr int32_t Lengths[] = {IdMaxLineLengthDefault, 64, 5, 0};
    return {Lengths[options & 3],
            (options & 4) != 0 ? TIdMaxLineAction::maSplit : TIdMaxLineAction::maException,
            (options & 8) != 0};
}

// Text and TAB; a CR may stand inside a line (only the one before LF ends it).
bool HoldsOnlyText(const std::string& line) {
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && byte != '\t' && byte != '\r')
            return false;
    }
    return true;
}

void CheckReplyShape(const TIdRFCReply& reply, const TLineSettings& settings) {
    FuzzRequire(!reply.Text().empty(), "a reply read without any text line");
    FuzzRequire(reply.Text().size() <= static_cast<size_t>(TIdTCPConnection::MaxReplyLines),
                "a reply longer than MaxReplyLines");
    FuzzRequire(reply.TextCode().size() <= 4, "a reply code longer than four characters");
    if (reply.TextCode().empty())
        FuzzRequire(reply.NumericCode() == 0, "a numeric code without a text code");
    for (const std::string& line : reply.Text())
        FuzzRequire(HoldsOnlyText(line), "a reply line holding a control byte");
    if (settings.MaxLineLength != 0)
        for (const std::string& line : reply.Text())
            FuzzRequire(line.size() <= static_cast<size_t>(settings.MaxLineLength),
                        "a reply line longer than MaxLineLength");
}

// Bytes the connection has taken from the stream and used up.
int64_t Consumed(const TInputFeed& feed, TIdTCPConnection& connection) {
    return feed.Served() - connection.PendingInput().Size();
}

void ReadReplies(std::string_view stream, uint8_t pieces, const TLineSettings& settings) {
    TInputFeed feed(stream, pieces);
    TMemoryIOHandler handler(feed);
    TIdTCPConnection connection;
    connection.MaxLineLength = settings.MaxLineLength;
    connection.MaxLineAction = settings.Action;
    connection.ASCIIFilter = settings.ASCIIFilter;
    connection.SetIOHandler(&handler);
    try {
        for (int round = 0;; ++round) {
            const int64_t consumedBefore = Consumed(feed, connection);
            bool malformed = false;
            if (round % 2 == 0) {
                connection.ReadRawReply();
            } else {
                try {
                    const int code = connection.ReadReply({220, 230, 331});
                    FuzzRequire(code == 220 || code == 230 || code == 331,
                                "ReadReply returned a code outside its list");
                } catch (const EIdMalformedReply& refused) {
                    // Refused like any reply, with nothing of it kept.
                    FuzzRequire(refused.ReplyCode == 0 && connection.LastReply().Text().empty(),
                                "a malformed reply kept as the last reply");
                    malformed = true;
                } catch (const EIdProtocolReplyError& refused) {
                    // A refused reply leaves the connection usable: read on.
                    FuzzRequire(refused.ReplyCode == connection.LastReply().NumericCode(),
                                "a refusal that does not carry the reply's code");
                }
            }
            if (!malformed)
                CheckReplyShape(connection.LastReply(), settings);
            FuzzRequire(Consumed(feed, connection) > consumedBefore,
                        "a reply read without consuming input");
        }
    } catch (const EIdException&) {
    } catch (const EConvertError&) {
    } catch (...) {
        FuzzUnexpected("reading replies raised something other than EIdException or EConvertError");
    }
}

// The reply rule alone, over the stream cut into lines as ReadLine cuts it
// (at LF, one CR before it removed), with no line-length limit.
void ReadReplyRule(std::string_view text) {
    TReplyLineSource nextLine = [&text]() -> std::string {
        if (text.empty())
            throw EIdConnClosedGracefully();
        const size_t end = text.find('\n');
        std::string line(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.pop_back();
        return line;
    };
    try {
        for (;;) {
            const std::vector<std::string> lines = ReadReplyLines(nextLine);
            FuzzRequire(!lines.empty() && lines.size() <= static_cast<size_t>(IdMaxReplyLines),
                        "a reply of no lines or of more than IdMaxReplyLines");
            for (const std::string& line : lines) {
                FuzzRequire(!line.empty() && Trim(line) == line, "a reply line kept untrimmed");
                FuzzRequire(HoldsOnlyText(line), "a reply line holding a control byte");
            }
            TIdRFCReply reply;
            reply.ParseReply(lines);
            FuzzRequire(reply.Text().size() == lines.size(), "ParseReply lost or added a line");
            FuzzRequire(reply.TextCode().size() <= 4, "ParseReply kept a code longer than four");
        }
    } catch (const EIdException&) {
    } catch (...) {
        FuzzUnexpected("the reply rule raised something other than EIdException");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);
    ReadReplies(stream, data[0], SettingsFrom(data[1]));
    ReadReplyRule(stream);
    return 0;
}
