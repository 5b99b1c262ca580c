// The reply rule over a plain list of received lines, without a socket.
#include "core/exceptions.h"
#include "net/reply_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// Serves `lines` in order; past the end the peer has closed.
TReplyLineSource From(const Lines& lines) {
    return [lines, next = size_t{0}]() mutable {
        if (next == lines.size())
            throw EIdConnClosedGracefully();
        return lines[next++];
    };
}

TEST(ReplyLines, ControlBytesOtherThanTabAndLineEndsMakeTheReplyMalformed) {
    using namespace std::string_literals;
    for (const std::string& bad :
         {"220 Ready\0"s, "220 Re\x1b[2Jady"s, "\x01"s, "220 a\x7f\x1f"s}) {
        EXPECT_THROW(ReadReplyLines(From({bad})), EIdMalformedReply) << bad;
        // Also as a middle line, and where trimming would have hidden it.
        EXPECT_THROW(ReadReplyLines(From({"220-Welcome", bad, "220 Ready"})), EIdMalformedReply);
    }
    EXPECT_EQ(
        ReadReplyLines(From({"220-Tab\there", "\t ", "a stray CR\r", "220 \xc3\xa9t\xc3\xa9"})),
        (Lines{"220-Tab\there", "a stray CR", "220 \xc3\xa9t\xc3\xa9"}));
}

TEST(ReplyLines, AnIndentedShortLineIsTextNotTheEnd) {
    // proftpd's FEAT lists three-letter features; the reply goes on past them.
    EXPECT_EQ(ReadReplyLines(From({"211-Features:", " CCC", " EPSV", "211 End"})),
              (Lines{"211-Features:", "CCC", "EPSV", "211 End"}));
    EXPECT_EQ(ReadReplyLines(From({"226-Done", "226"})), (Lines{"226-Done", "226"}));
}

} // namespace
