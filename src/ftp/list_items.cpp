#include "ftp/list_items.h"

#include "core/exceptions.h"

#include <string_view>

namespace {

// Blank means empty or made of blanks and tabs only; other control characters
// make a line that is handed to the parser (and usually fails there).
bool IsBlankLine(std::string_view line) {
    for (const char c : line)
        if (c != ' ' && c != '\t')
            return false;
    return true;
}

bool StartsWithTotal(std::string_view line) {
    if (line.size() < 5)
        return false;
    constexpr std::string_view Total = "TOTAL";
    for (size_t i = 0; i < Total.size(); ++i)
        if ((line[i] & ~0x20) != Total[i])
            return false;
    return true;
}

} // namespace

TIdFTPListItems::~TIdFTPListItems() {
    TellEntriesGoing();
}

void TIdFTPListItems::TellEntriesGoing() {
    // Taken out first: the reader may well set a new notice, or drop this one,
    // from inside the call.
    const std::function<void()> notice = std::move(OnEntriesGoing);
    OnEntriesGoing = nullptr;
    if (notice)
        notice();
}

TIdFTPListItem& TIdFTPListItems::AddEntry() {
    if (FCount == FBlocks.size() * BlockSize)
        FBlocks.push_back(std::make_unique<TIdFTPListItem[]>(BlockSize));
    TIdFTPListItem& item = FBlocks[FCount / BlockSize][FCount % BlockSize];
    ++FCount;
    return item;
}

void TIdFTPListItems::DropLastEntry() {
    --FCount;
    // Back to the defaults, so that the next AddEntry hands out a new entry.
    FBlocks[FCount / BlockSize][FCount % BlockSize] = TIdFTPListItem();
}

TIdFTPListItem& TIdFTPListItems::Items(int index) {
    if (index < 0 || index >= Count())
        throw EListError(static_cast<int64_t>(index));
    const size_t at = static_cast<size_t>(index);
    return FBlocks[at / BlockSize][at % BlockSize];
}

const TIdFTPListItem& TIdFTPListItems::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(static_cast<int64_t>(index));
    const size_t at = static_cast<size_t>(index);
    return FBlocks[at / BlockSize][at % BlockSize];
}

int TIdFTPListItems::Count() const {
    return static_cast<int>(FCount);
}

void TIdFTPListItems::Clear() {
    TellEntriesGoing();
    FBlocks.clear();
    FCount = 0;
}

void TIdFTPListItems::LoadListing(const std::vector<std::string>& ALines) {
    Clear();
    size_t first = 0;
    if (ListFormat == flfUnix && !ALines.empty() && StartsWithTotal(ALines[0]))
        first = 1;
    // One "now" for the whole listing: the clock is slow next to a line, and
    // every line of one reply is placed against the same day.
    const bool dated = ListFormat == flfUnix || ListFormat == flfVax || ListFormat == flfDos;
    const TListingDay today = dated ? ListingDayOf(CurrentTime()) : TListingDay();
    for (size_t i = first; i < ALines.size(); ++i) {
        const std::string& line = ALines[i];
        if (IsBlankLine(line))
            continue;
        TIdFTPListItem& item = AddEntry();
        item.RawLine = line;
        if (ListFormat == flfNone)
            continue;
        // A line that does not parse costs only itself.
        if (!ParseLoadedEntry(item, today))
            DropLastEntry();
    }
}

bool TIdFTPListItems::ParseLoadedEntry(TIdFTPListItem& AItem, const TListingDay& today) {
    switch (ListFormat) {
    case flfNone: return true;
    case flfDos: ParseDosLine(AItem, today); return true;
    case flfUnix:
    case flfVax: {
        size_t columns = 0;
        return ParseUnixLine(AItem, today, columns) == TUnixLineFault::None;
    }
    case flfNoDetails: AItem.EntryName = TrimView(AItem.RawLine); return true;
    case flfCustom:
        try {
            ParseCustomEntry(AItem);
            return true;
        } catch (...) {
            // The handler's failure drops its line, like any line that does
            // not parse.
            return false;
        }
    case flfUnknown: break;
    }
    return false;
}

void TIdFTPListItems::ParseEntry(TIdFTPListFormat AFormat, TIdFTPListItem& AItem) {
    switch (AFormat) {
    case flfNone: return;
    case flfDos: ParseDosEntry(AItem); return;
    case flfUnix:
    case flfVax: ParseUnixEntry(AItem); return;
    case flfNoDetails: AItem.EntryName = TrimView(AItem.RawLine); return;
    case flfCustom: ParseCustomEntry(AItem); return;
    case flfUnknown: break;
    }
    // flfUnknown, and any value outside the enumeration.
    throw EIdInvalidFTPListingFormat();
}

void TIdFTPListItems::ParseCustomEntry(TIdFTPListItem& AItem) {
    if (!OnParseCustomListFormat)
        throw EIdInvalidFTPListingFormat();
    OnParseCustomListFormat(AItem);
}

TDateTime TIdFTPListItems::CurrentTime() const {
    return Clock ? Clock() : Now();
}
