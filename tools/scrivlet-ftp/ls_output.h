// What `scrivlet-ftp ls` prints: one line per parsed entry, tab-separated.
#pragma once

#include "ftp/list_item.h"
#include "ftp/list_items.h"

#include <ostream>
#include <string>

// One `ls` line without its line end: kind, rights, owner, group, size, date
// and name (with " -> " and the target for a link that has one).
std::string FormatListEntry(const TIdFTPListItem& item);

// Every entry's line, each ended by "\n", as one text to be written at once.
std::string FormatListing(const TIdFTPListItems& entries);

// FormatListing's text for entries handed over one by one, written to `out`
// a few hundred KiB at a time from one buffer: as few writes as at once,
// without building (and paging in) the whole text of a large listing.
class TListingPrinter {
public:
    explicit TListingPrinter(std::ostream& out);
    void Print(const TIdFTPListItem& item);
    // Writes what is left; call once after the last entry.
    void Finish();

private:
    std::ostream& FOut;
    std::string FText;
};
