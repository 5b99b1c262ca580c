// What the server says about one remote file without transferring it: its
// size (SIZE) and its modification time (MDTM), both answered with 213, and
// asked only of a server that may know them (ftp_server_features.cpp).
//
//   213 1048576
//   213 20261209204219        (UTC, to the second)
//   213 20261209204219.250    (some servers add the fraction of a second)
#include "ftp/ftp_client.h"

#include "core/datetime.h"
#include "core/text.h"

#include <cctype>

namespace {

constexpr int ReplyFileStatus = 213;
// The server does not know the command at all.
constexpr int ReplySyntaxError = 500;
constexpr int ReplyNotImplemented = 502;

bool AllDigits(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (std::isdigit(static_cast<unsigned char>(c)) == 0)
            return false;
    return true;
}

int DigitsAt(const std::string& text, size_t from, size_t count) {
    return static_cast<int>(std::stol(text.substr(from, count)));
}

} // namespace

std::string TIdFTP::FileStatusText(const char* verb, const std::string& path, bool& refused) {
    if (!MayAskFileFact(verb, refused))
        return std::string();
    const int code = SendRawCommand(std::string(verb) + " " + path);
    if (code == ReplySyntaxError || code == ReplyNotImplemented)
        refused = true;
    if (code != ReplyFileStatus || LastReply().Text().empty())
        return std::string();
    return Trim(LastReply().Text()[0]);
}

int64_t TIdFTP::Size(const std::string& path) {
    const std::string text = FileStatusText("SIZE", path, FSizeRefused);
    // Eighteen digits always fit in 64 bits, far beyond any real file.
    if (!AllDigits(text) || text.size() > 18)
        return -1;
    return std::stoll(text);
}

TDateTime TIdFTP::FileDate(const std::string& path) {
    const std::string text = FileStatusText("MDTM", path, FDateRefused);
    const std::string stamp = text.substr(0, 14);
    const std::string fraction = text.size() > 15 ? text.substr(15) : std::string();
    if (stamp.size() != 14 || !AllDigits(stamp))
        return 0;
    if (text.size() > 14 && (text[14] != '.' || !AllDigits(fraction)))
        return 0;
    const int millisecond = fraction.empty() ? 0 : DigitsAt((fraction + "00").substr(0, 3), 0, 3);
    TDateTime date = 0;
    TDateTime time = 0;
    if (!TryEncodeDate(DigitsAt(stamp, 0, 4), DigitsAt(stamp, 4, 2), DigitsAt(stamp, 6, 2), date) ||
        !TryEncodeTime(DigitsAt(stamp, 8, 2), DigitsAt(stamp, 10, 2), DigitsAt(stamp, 12, 2),
                       millisecond, time))
        return 0;
    return date + time;
}
