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

// An entry built from its line and the fields read from it, each string made
// once from its view. Handed to emplace_back, whose placement new then takes
// the conversion's result as the entry itself: no default entry is made and
// overwritten, and no temporary moved.
struct TUnixEntry {
    const std::string& Line;
    const TListLineFields& Fields;

    operator TIdFTPListItem() const {
        return TIdFTPListItem{.EntrySize = Fields.Size,
                              .LinkCount = Fields.LinkCount,
                              .RawLine = Line,
                              .EntryName = std::string(Fields.Name),
                              .GroupRights = std::string(Fields.GroupRights),
                              .GroupAccount = std::string(Fields.GroupAccount),
                              .OwnerRights = std::string(Fields.OwnerRights),
                              .OwnerAccount = std::string(Fields.OwnerAccount),
                              .OtherRights = std::string(Fields.OtherRights),
                              .LastModified = Fields.LastModified,
                              .LinkTarget = std::string(Fields.Target),
                              .EntryKind = Fields.Kind};
    }
};

// The same for a DOS line, whose entry keeps the default rights and accounts
// (returned by name, which the compiler builds in place as well).
struct TDosEntry {
    const std::string& Line;
    const TListLineFields& Fields;

    operator TIdFTPListItem() const {
        TIdFTPListItem item;
        item.EntrySize = Fields.Size;
        item.RawLine = Line;
        item.EntryName = Fields.Name;
        item.LastModified = Fields.LastModified;
        item.EntryKind = Fields.Kind;
        return item;
    }
};

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

std::vector<TIdFTPListItem>& TIdFTPListItems::FreeBlock() {
    if (FCount == FBlocks.size() * BlockSize) {
        FBlocks.emplace_back();
        FBlocks.back().reserve(BlockSize);
    }
    return FBlocks.back();
}

TIdFTPListItem& TIdFTPListItems::AddEntry() {
    TIdFTPListItem& item = FreeBlock().emplace_back();
    ++FCount;
    return item;
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

template <typename LineReader>
void TIdFTPListItems::ForEachLine(const std::vector<std::string>& ALines, LineReader read) {
    size_t first = 0;
    if (ListFormat == flfUnix && !ALines.empty() && StartsWithTotal(ALines[0]))
        first = 1;
    // One "now" for the whole listing: the clock is slow next to a line, and
    // every line of one reply is placed against the same day.
    const bool dated = ListFormat == flfUnix || ListFormat == flfVax || ListFormat == flfDos;
    const TListingDay today = dated ? ListingDayOf(CurrentTime()) : TListingDay();
    for (size_t i = first; i < ALines.size(); ++i)
        if (!IsBlankLine(ALines[i]))
            read(ALines[i], today);
}

void TIdFTPListItems::LoadListing(const std::vector<std::string>& ALines) {
    Clear();
    ForEachLine(ALines, [this](const std::string& line, const TListingDay& today) {
        LoadLine(line, today);
    });
}

void TIdFTPListItems::ReadListing(const std::vector<std::string>& ALines,
                                  const std::function<void(const TIdFTPListItem&)>& AVisit) {
    // One entry for every line: its strings keep their room from line to
    // line. Lines of one listing share a format, so the fields that format
    // leaves alone keep their defaults throughout.
    TIdFTPListItem entry;
    ForEachLine(ALines, [&](const std::string& line, const TListingDay& today) {
        if (ReadLine(line, today, entry))
            AVisit(entry);
    });
}

bool TIdFTPListItems::ReadLine(const std::string& ALine, const TListingDay& today,
                               TIdFTPListItem& AEntry) {
    switch (ListFormat) {
    case flfDos:
        AEntry.RawLine = ALine;
        ParseDosLine(AEntry, today);
        return true;
    case flfUnix:
    case flfVax: {
        AEntry.RawLine = ALine;
        size_t columns = 0;
        return ParseUnixLine(AEntry, today, columns) == TUnixLineFault::None;
    }
    case flfCustom:
        // The handler may set any field: each line starts from the defaults.
        AEntry = TIdFTPListItem();
        [[fallthrough]];
    case flfNone:
    case flfNoDetails: AEntry.RawLine = ALine; return ParseUndated(AEntry);
    case flfUnknown: break;
    }
    return false;
}

void TIdFTPListItems::LoadLine(const std::string& ALine, const TListingDay& today) {
    // A line that does not parse costs only itself.
    switch (ListFormat) {
    case flfDos: {
        const TListLineFields fields = ReadDosLine(ALine, today);
        FreeBlock().emplace_back(TDosEntry{ALine, fields});
        ++FCount;
        return;
    }
    case flfUnix:
    case flfVax: {
        TListLineFields fields;
        size_t columns = 0;
        if (ReadUnixLine(ALine, today, fields, columns) != TUnixLineFault::None)
            return;
        FreeBlock().emplace_back(TUnixEntry{ALine, fields});
        ++FCount;
        return;
    }
    case flfNone:
    case flfNoDetails:
    case flfCustom: LoadUndatedLine(ALine); return;
    case flfUnknown: break;
    }
    // flfUnknown, and any value outside the enumeration: every line fails.
}

void TIdFTPListItems::LoadUndatedLine(const std::string& ALine) {
    TIdFTPListItem& item = AddEntry();
    item.RawLine = ALine;
    if (!ParseUndated(item)) {
        FBlocks.back().pop_back();
        --FCount;
    }
}

bool TIdFTPListItems::ParseUndated(TIdFTPListItem& AItem) {
    if (ListFormat == flfNoDetails) {
        AItem.EntryName = TrimView(AItem.RawLine);
    } else if (ListFormat == flfCustom) {
        try {
            ParseCustomEntry(AItem);
        } catch (...) {
            // The handler's failure drops its line, like any line that does
            // not parse.
            return false;
        }
    }
    return true;
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
