// The line readers behind TIdFTPListItems, with "now" passed in so that a
// whole listing is read against one clock reading.
#pragma once

#include "core/datetime.h"
#include "ftp/list_item.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

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

// What a line holds for an entry: the texts as views into the line, so that
// an entry can be built with each of its strings made once.
struct TListLineFields {
    TIdFTPEntryKind Kind = fekFile;
    int32_t LinkCount = 0;
    int64_t Size = 0;
    TDateTime LastModified = 0;
    std::string_view OwnerRights, GroupRights, OtherRights;
    std::string_view OwnerAccount, GroupAccount;
    std::string_view Name, Target;
};

// Reads `line` as a Unix (or VAX) line into `fields`, which a fault leaves
// partly filled.
TUnixLineFault ReadUnixLine(std::string_view line, const TListingDay& today,
                            TListLineFields& fields, size_t& columns);

// Reads `line` as a DOS line; never fails (a date that does not convert gives
// LastModified 0). Rights and accounts are left empty: DOS lines have none.
TListLineFields ReadDosLine(std::string_view line, const TListingDay& today);

// Fills `AItem` from its RawLine as a Unix (or VAX) line. On a fault the entry
// is left as it was.
TUnixLineFault ParseUnixLine(TIdFTPListItem& AItem, const TListingDay& today, size_t& columns);

// Fills `AItem` from its RawLine as a DOS line; never fails.
void ParseDosLine(TIdFTPListItem& AItem, const TListingDay& today);
