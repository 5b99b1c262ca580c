#include "ftp/list_items.h"

#include "core/exceptions.h"
#include "core/text.h"

#include <string_view>

namespace {

// Blank means empty or made of blanks and tabs only; other control characters
// make a line that is handed to the parser (and usually fails there).
bool IsBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

bool StartsWithTotal(const std::string& line) {
    return UpperCase(std::string_view(line).substr(0, 5)) == "TOTAL";
}

} // namespace

TIdFTPListItem& TIdFTPListItems::AddEntry() {
    FItems.push_back(std::make_unique<TIdFTPListItem>());
    return *FItems.back();
}

TIdFTPListItem& TIdFTPListItems::Items(int index) {
    if (index < 0 || index >= Count())
        throw EListError(static_cast<int64_t>(index));
    return *FItems[static_cast<size_t>(index)];
}

const TIdFTPListItem& TIdFTPListItems::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(static_cast<int64_t>(index));
    return *FItems[static_cast<size_t>(index)];
}

int TIdFTPListItems::Count() const {
    return static_cast<int>(FItems.size());
}

void TIdFTPListItems::Clear() {
    FItems.clear();
}

void TIdFTPListItems::LoadListing(const std::vector<std::string>& ALines) {
    Clear();
    size_t first = 0;
    if (ListFormat == flfUnix && !ALines.empty() && StartsWithTotal(ALines[0]))
        first = 1;
    for (size_t i = first; i < ALines.size(); ++i) {
        const std::string& line = ALines[i];
        if (IsBlankLine(line))
            continue;
        TIdFTPListItem& item = AddEntry();
        item.RawLine = line;
        if (ListFormat == flfNone)
            continue;
        try {
            ParseEntry(ListFormat, item);
        } catch (...) {
            // Dropping everything gathered so far, not just the broken entry, is
            // deliberate: callers get the part of the listing after the last
            // line that failed, never a listing with holes in it.
            Clear();
        }
    }
}

void TIdFTPListItems::ParseEntry(TIdFTPListFormat AFormat, TIdFTPListItem& AItem) {
    switch (AFormat) {
    case flfNone:
        return;
    case flfDos:
        ParseDosEntry(AItem);
        return;
    case flfUnix:
    case flfVax:
        ParseUnixEntry(AItem);
        return;
    case flfNoDetails:
        AItem.EntryName = Trim(AItem.RawLine);
        return;
    case flfCustom:
        ParseCustomEntry(AItem);
        return;
    case flfUnknown:
        break;
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
