#include "ftp/download_size.h"

#include "core/exceptions.h"
#include "core/text.h"

#include <algorithm>
#include <cctype>

int64_t SizeInPreliminaryReply(const TIdRFCReply& reply) {
    for (const std::string& line : reply.Text()) {
        const std::string upper = UpperCase(line);
        const size_t close = upper.rfind(" BYTES)");
        const size_t open = close == std::string::npos ? close : upper.rfind('(', close);
        if (open == std::string::npos)
            continue;
        const std::string digits = upper.substr(open + 1, close - open - 1);
        // Eighteen digits always fit in 64 bits, far beyond any real file.
        if (digits.empty() || digits.size() > 18)
            continue;
        bool number = true;
        for (char c : digits)
            number = number && std::isdigit(static_cast<unsigned char>(c)) != 0;
        if (number)
            return std::stoll(digits);
    }
    return -1;
}

void CheckReceivedSize(int64_t received, int64_t stated) {
    if (received != stated)
        throw EIdTransferSizeMismatch(FormatMsg(
            TIdMsg::TransferSizeMismatch, {std::to_string(received), std::to_string(stated)}));
}

int64_t TIdSizeLimitedStream::Write(const void* buffer, int64_t count) {
    const int64_t after = FTarget.Position() - FSize.Origin + count;
    if (after > FSize.Stated)
        CheckReceivedSize(after, FSize.Stated);
    return FTarget.Write(buffer, count);
}

TStream::TDirectTarget TIdSizeLimitedStream::DirectTarget() {
    TDirectTarget direct = FTarget.DirectTarget();
    if (direct.File == nullptr)
        return direct;
    const int64_t due = std::max<int64_t>(FSize.Stated - (FTarget.Position() - FSize.Origin), 0);
    direct.Room = direct.Room < 0 ? due : std::min(direct.Room, due);
    return direct;
}
