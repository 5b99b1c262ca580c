// Directory listings: the LIST/NLST transfer, its split into lines, and the
// parsed entries made from them on demand.
#include "ftp/ftp_client.h"

#include "core/exceptions.h"
#include "core/scope_guard.h"
#include "core/text.h"
#include "ftp/list_lines.h"

namespace {

// The listing's in-memory target: a server that sends more than the cap
// fails the listing instead of filling our memory.
class TCappedMemoryStream : public TMemoryStream {
public:
    explicit TCappedMemoryStream(int64_t cap) : FCap(cap) {}

    int64_t Write(const void* buffer, int64_t count) override {
        if (Position() + count > FCap)
            throw EIdPeerLimitExceeded(FormatMsg(TIdMsg::ListingTooLarge, {std::to_string(FCap)}));
        return TMemoryStream::Write(buffer, count);
    }

private:
    int64_t FCap;
};

} // namespace

void TIdFTP::ListDirectory(std::vector<std::string>* Dest, const std::string& Specifier,
                           bool Details) {
    const std::string command = Trim((Details ? "LIST " : "NLST ") + Specifier);
    TCappedMemoryStream listing(MaxListingSize);
    InboundTransfer(command, listing, false);
    FDirectoryEntries.reset();
    // The lines are cut from the received bytes where they lie.
    const std::vector<std::string_view> views =
        SplitListingLines(std::string_view(listing.Memory(), static_cast<size_t>(listing.Size())));
    std::vector<std::string> lines(views.begin(), views.end());
    if (Dest != nullptr)
        *Dest = lines;
    RawListing = std::move(lines);
}

void TIdFTP::NotifyCreateList() {
    if (OnCreateFTPList)
        OnCreateFTPList(this, FDirectoryEntries);
}

void TIdFTP::PrepareEntriesList() {
    if (FDirectoryEntries) {
        FDirectoryEntries->Clear();
        return;
    }
    NotifyCreateList();
    if (!FDirectoryEntries)
        FDirectoryEntries = std::make_unique<TIdFTPListItems>();
}

void TIdFTP::NotifyCheckListFormat(const std::string& line) {
    if (OnCheckListFormat) {
        TIdFTPListFormat format = FDirectoryEntries->ListFormat;
        OnCheckListFormat(this, line, format);
        FDirectoryEntries->ListFormat = format;
    }
}

bool TIdFTP::StartEntriesList() {
    PrepareEntriesList();
    if (RawListing.empty())
        return false;
    FDirectoryEntries->ListFormat = FDirectoryEntries->DetectListFormat(RawListing[0], true);
    NotifyCheckListFormat(RawListing[0]);
    return true;
}

TIdFTPListItems& TIdFTP::DirectoryEntries() {
    if (FDirectoryEntries)
        return *FDirectoryEntries;
    if (StartEntriesList())
        FDirectoryEntries->LoadListing(RawListing);
    return *FDirectoryEntries;
}

void TIdFTP::ReadDirectoryEntries(const std::function<void(const TIdFTPListItem&)>& visit) {
    if (FDirectoryEntries) {
        for (int i = 0; i < FDirectoryEntries->Count(); ++i)
            visit(FDirectoryEntries->Items(i));
        return;
    }
    // The collection read through holds no entries: it must not pass for the
    // parsed listing, also when `visit` fails.
    const TScopeExit forget([this] { FDirectoryEntries.reset(); });
    if (StartEntriesList())
        FDirectoryEntries->ReadListing(RawListing, visit);
}

TIdOnParseCustomListFormat TIdFTP::OnParseCustomListFormat() {
    return DirectoryEntries().OnParseCustomListFormat;
}

void TIdFTP::SetOnParseCustomListFormat(TIdOnParseCustomListFormat handler) {
    DirectoryEntries().OnParseCustomListFormat = std::move(handler);
}
