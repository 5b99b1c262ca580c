// A reply is one line, or a multi-line reply: a first line whose fourth
// character is "-", then further lines up to the first that begins with the
// same three characters and a space (compared without regard to case), or
// that is shorter than four characters and does not begin with a blank (a
// feature list holds lines like " CCC"). Lines in between need not carry the
// code, and every line loses its first four characters in the reply's text:
//
//   220-Scrivlet test server        230-Hello              211-Status
//   220 Ready                          hello there         226
//                                   230 Done
#include "net/reply_reader.h"

#include "core/exceptions.h"
#include "core/text.h"

#include <algorithm>

namespace {

// Text, TAB, and the CR and LF of line ends; any other byte below 32 (NUL,
// escape sequences) is no part of a reply.
bool HoldsControlBytes(const std::string& line) {
    return std::any_of(line.begin(), line.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n';
    });
}

} // namespace

std::vector<std::string> ReadReplyLines(const TReplyLineSource& nextLine,
                                        std::vector<std::string>* received) {
    if (received != nullptr)
        received->clear();
    // Every line read counts against the cap, blank ones too (they are
    // skipped): a server that sends nothing but line ends must not keep us
    // reading for ever.
    int32_t budget = IdMaxReplyLines;
    // Whether the last line read began with a blank: such a line is text
    // inside a reply (FEAT's " CCC"), never its end.
    bool indented = false;
    auto nextNonBlank = [&] {
        for (;;) {
            if (budget-- <= 0)
                throw EIdPeerLimitExceeded(
                    FormatMsg(TIdMsg::ReplyTooManyLines, {std::to_string(IdMaxReplyLines)}));
            std::string arrived = nextLine();
            if (HoldsControlBytes(arrived))
                throw EIdMalformedReply();
            std::string line = Trim(arrived);
            if (line.empty())
                continue;
            indented = arrived.front() == ' ' || arrived.front() == '\t';
            if (received != nullptr) {
                if (!arrived.empty() && arrived.back() == '\r')
                    arrived.pop_back();
                received->push_back(std::move(arrived));
            }
            return line;
        }
    };
    std::vector<std::string> lines;
    lines.push_back(nextNonBlank());
    const std::string& first = lines.front();
    if (first.size() > 3 && first[3] == '-') {
        const std::string terminator = UpperCase(first.substr(0, 3) + " ");
        for (;;) {
            std::string line = nextNonBlank();
            const bool last =
                !indented && (line.size() < 4 || UpperCase(line.substr(0, 4)) == terminator);
            lines.push_back(std::move(line));
            if (last)
                break;
        }
    }
    return lines;
}
