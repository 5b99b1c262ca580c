// The line readers behind TIdFTPListItems, with "now" passed in so that a
// whole listing is read against one clock reading.
#pragma once

#include "core/datetime.h"
#include "ftp/list_item.h"

#include <cstddef>

// The day a listing is read on: the defaults of a Unix line without a year or
// day, and the century window of two-digit DOS years.
struct TListingDay {
    int Year = 0;
    int Month = 0;
    int Day = 0;
};

TListingDay ListingDayOf(TDateTime now);

enum class TUnixLineFault {
    None,
    TooFewColumns, // `columns` then holds how many there were
    BadDate,
    BadTime,
};

// Fills `AItem` from its RawLine as a Unix (or VAX) line. On a fault the entry
// is left as it was.
TUnixLineFault ParseUnixLine(TIdFTPListItem& AItem, const TListingDay& today, size_t& columns);

// Fills `AItem` from its RawLine as a DOS line; never fails (a date that does
// not convert gives LastModified 0).
void ParseDosLine(TIdFTPListItem& AItem, const TListingDay& today);
