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

// Writes FormatListing's text to `out` in one write.
void WriteListing(const TIdFTPListItems& entries, std::ostream& out);
