#include "app/remote_facts.h"

#include "core/exceptions.h"
#include "ftp/ftp_client.h"

#include <ctime>

namespace {

constexpr int ReplyClosing = 421;

void ThrowWhenClosing(TIdFTP& client) {
    if (client.LastReply().NumericCode() == ReplyClosing) {
        std::string text;
        for (const std::string& line : client.LastReply().Text())
            text += line + "\r\n";
        throw EIdProtocolReplyError(ReplyClosing, text);
    }
}

} // namespace

TRemoteFacts AskRemoteFacts(TIdFTP& client, const std::string& path) {
    TRemoteFacts facts;
    facts.Size = client.Size(path);
    ThrowWhenClosing(client);
    facts.Date = client.FileDate(path);
    ThrowWhenClosing(client);
    return facts;
}

bool RemoteFactsDiffer(const TRemoteFacts& recorded, const TRemoteFacts& now) {
    const bool sizeDiffers = recorded.Size >= 0 && now.Size >= 0 && recorded.Size != now.Size;
    const bool dateDiffers = recorded.Date != 0 && now.Date != 0 && recorded.Date != now.Date;
    return sizeDiffers || dateDiffers;
}

std::string KeepBothPath(const std::string& remotePath, std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, ".mine-%Y%m%d-%H%M%S", &local);
    const size_t slash = remotePath.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = remotePath.rfind('.');
    // A leading dot (".profile") starts the name, not an extension.
    if (dot == std::string::npos || dot <= nameStart)
        return remotePath + stamp;
    return remotePath.substr(0, dot) + stamp + remotePath.substr(dot);
}
