// Recognising and reading the lines of a LIST reply.
//
// Accepted layouts, each with a line as servers send it:
//   Unix, the first line of a listing may be a total count, which is skipped:
//       total 42
//       drwxr-xr-x   2 ftp      ftp          4096 Jan 05 12:34 docs
//       -rw-r--r--   1 ftp      ftp        120586 Jan 05  2003 README
//       lrwxrwxrwx   1 root     root            7 Jan 05  2003 bin -> usr/bin
//   The name is the rest of the line after the blank that follows the time or
//   year, as sent (blanks inside and in front of it stay):
//       -rw-r--r--   1 ftp      ftp            12 Jan 05  2003 two  blanks.txt
//   Unix without a group column (eight columns, the fifth is the month):
//       -rw-r--r--   1 ftp          1234 Jan 05 12:34 notes.txt
//   VAX, recognised by "DSK:" in the first line and then read like Unix lines
//   (the header itself has too few columns and is dropped):
//       DSK:[ANONYMOUS.PUB]
//   DOS (IIS "dir" style), a directory and a file:
//       01-16-02  11:14AM       <DIR>          epsgroup
//       06-05-03  03:19PM                 1973 readme.txt
//   Names only (NLST, or LIST when the caller asks for no details):
//       README.txt
// Anything else is flfUnknown and parses to nothing, unless the application
// chooses flfCustom and parses the lines itself.

#include "ftp/list_parse.h"

#include "core/exceptions.h"
#include "core/messages.h"
#include "core/text.h"
#include "ftp/list_columns.h"
#include "ftp/list_dos_date.h"
#include "ftp/list_items.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

// The 1-based substring of the run-time library: out-of-range parts are cut
// short instead of failing, so short lines give short or empty pieces.
std::string_view Copy(std::string_view text, size_t position, size_t count) {
    if (position < 1 || position > text.size())
        return {};
    return text.substr(position - 1, count);
}

// The part before the first blank; `rest` becomes the part after it, or empty
// when there is no blank.
std::string_view CutAtBlank(std::string_view& rest) {
    const size_t at = rest.find(' ');
    if (at == std::string_view::npos) {
        const std::string_view whole = rest;
        rest = {};
        return whole;
    }
    const std::string_view head = rest.substr(0, at);
    rest.remove_prefix(at + 1);
    return head;
}

// Plain decimal digits, few enough that they cannot overflow: what listings
// hold, read without the general rules' per-digit overflow checks.
bool ShortDecimal(std::string_view text, size_t maxDigits, int64_t& value) {
    if (text.empty() || text.size() > maxDigits)
        return false;
    value = 0;
    for (const char c : text) {
        const unsigned digit = static_cast<unsigned char>(c) - unsigned{'0'};
        if (digit > 9)
            return false;
        value = value * 10 + digit;
    }
    return true;
}

// StrToInt64Def and StrToIntDef, through the quick path when it applies.
int64_t Integer64Def(std::string_view text, int64_t fallback) {
    int64_t value;
    return ShortDecimal(text, 18, value) ? value : StrToInt64Def(text, fallback);
}

int32_t IntegerDef(std::string_view text, int32_t fallback) {
    int64_t value;
    return ShortDecimal(text, 9, value) ? static_cast<int32_t>(value) : StrToIntDef(text, fallback);
}

// MonthFromAbbrev without building an upper-cased copy.
int MonthOf(std::string_view text) {
    if (text.size() != 3)
        return 0;
    static constexpr std::string_view Months = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";
    char upper[3];
    for (size_t i = 0; i < 3; ++i)
        upper[i] = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 32) : text[i];
    for (size_t month = 0; month < 12; ++month)
        if (Months[month * 3] == upper[0] && Months[month * 3 + 1] == upper[1] &&
            Months[month * 3 + 2] == upper[2])
            return static_cast<int>(month) + 1;
    return 0;
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDateSeparator(char c) {
    return c == '-' || c == '/';
}

bool EqualsIgnoringCase(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != upper[i] && !(text[i] >= 'a' && text[i] <= 'z' && text[i] - 32 == upper[i]))
            return false;
    return true;
}

TIdFTPEntryKind KindFromMode(std::string_view mode) {
    switch (mode.empty() ? '-' : mode[0]) {
    case 'd':
    case 'D': return fekDirectory;
    case 'l':
    case 'L': return fekSymbolicLink;
    default: return fekFile;
    }
}

// Text that is short in every line a server sends, built on the stack; the rare
// longer one goes to the heap.
class TShortText {
public:
    void Append(std::string_view part) {
        if (FLong.empty() && FSize + part.size() <= sizeof FShort) {
            std::copy(part.begin(), part.end(), FShort + FSize);
            FSize += part.size();
            return;
        }
        if (FLong.empty())
            FLong.assign(FShort, FSize);
        FLong.append(part);
    }
    std::string_view View() const {
        return FLong.empty() ? std::string_view(FShort, FSize) : std::string_view(FLong);
    }

private:
    char FShort[48];
    size_t FSize = 0;
    std::string FLong;
};

} // namespace

TListingDay ListingDayOf(TDateTime now) {
    TListingDay day;
    DecodeDate(now, day.Year, day.Month, day.Day);
    return day;
}

TUnixLineFault ReadUnixLine(std::string_view rawLine, const TListingDay& today,
                            TListLineFields& fields, size_t& columns) {
    const std::string_view line = TrimRightView(rawLine);
    // Nine columns at most are cut: the eighth ends the fields, and a ninth only
    // tells that there is more than eight. The name is not cut into words.
    // Left unset: SplitColumnViews fills the first `count`.
    TListColumn column[9];
    size_t count = SplitColumnViews(line, ' ', column, 9);
    // Some servers leave out the group; the fifth column is then the month.
    // The gap goes before the owner, so the owner's name ends up as the group.
    if (count == 8 && !column[4].Text().empty() && IsAsciiLetter(column[4].Text()[0])) {
        std::copy_backward(column + 2, column + 8, column + 9);
        column[2] = {nullptr, 0, column[1].End};
        count = 9;
    }
    if (count < 8) {
        columns = count;
        return TUnixLineFault::TooFewColumns;
    }

    const std::string_view mode = column[0].Text();
    const int month = MonthOf(column[5].Text());
    const int day = IntegerDef(column[6].Text(), today.Day);
    const std::string_view timeOrYear = column[7].Text();
    int year, hour = 0, minute = 0;
    if (const size_t colon = timeOrYear.find(':'); colon != std::string_view::npos) {
        hour = IntegerDef(timeOrYear.substr(0, colon), 0);
        minute = IntegerDef(timeOrYear.substr(colon + 1), 0);
        // "ls" shows a time instead of a year only for the last six months, so
        // a month still ahead of us this year must be last year's.
        year = today.Month < month ? today.Year - 1 : today.Year;
    } else {
        year = IntegerDef(timeOrYear, today.Year);
    }
    // The 999 ms mark a time that was only known to the minute.
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(year, month, day, date))
        return TUnixLineFault::BadDate;
    if (!TryEncodeTime(hour, minute, 0, 999, time))
        return TUnixLineFault::BadTime;

    // The separator after the time or year is one blank; what follows is the
    // name exactly as the server wrote it.
    const size_t nameStart = column[7].End + 1;
    std::string_view name = nameStart < line.size() ? line.substr(nameStart) : std::string_view();
    std::string_view target;
    const TIdFTPEntryKind kind = KindFromMode(mode);
    if (kind == fekSymbolicLink) {
        // A link without an arrow keeps its whole name rather than losing it.
        if (const size_t arrow = name.find(" -> "); arrow != std::string_view::npos) {
            target = name.substr(arrow + 4);
            name = name.substr(0, arrow);
        }
    }

    fields.Kind = kind;
    fields.OwnerRights = Copy(mode, 2, 3);
    fields.GroupRights = Copy(mode, 5, 3);
    fields.OtherRights = Copy(mode, 8, 3);
    fields.LinkCount = IntegerDef(column[1].Text(), 0);
    fields.OwnerAccount = column[2].Text();
    fields.GroupAccount = column[3].Text();
    fields.Size = Integer64Def(column[4].Text(), 0);
    fields.LastModified = date + time;
    fields.Name = name;
    fields.Target = target;
    return TUnixLineFault::None;
}

TListLineFields ReadDosLine(std::string_view raw, const TListingDay& today) {
    // The separators written in the line are ignored; the converter always
    // gets "mm/dd/yy".
    TShortText stamp;
    stamp.Append(Copy(raw, 1, 2));
    stamp.Append("/");
    stamp.Append(Copy(raw, 4, 2));
    stamp.Append("/");
    stamp.Append(Copy(raw, 7, 2));
    stamp.Append(" ");
    std::string_view rest = TrimView(Copy(raw, 9, raw.size()));
    stamp.Append(CutAtBlank(rest));
    rest = TrimView(rest);
    TShortText sizeOrDir;
    for (std::string_view token = CutAtBlank(rest); !token.empty();) {
        const size_t comma = token.find(',');
        sizeOrDir.Append(token.substr(0, comma));
        token = comma == std::string_view::npos ? std::string_view() : token.substr(comma + 1);
    }
    const bool isDirectory = EqualsIgnoringCase(sizeOrDir.View(), "<DIR>");

    TListLineFields fields;
    fields.Name = TrimView(rest);
    fields.Kind = isDirectory ? fekDirectory : fekFile;
    fields.Size = isDirectory ? 0 : Integer64Def(sizeOrDir.View(), 0);
    // An unreadable date is not worth losing the entry over.
    fields.LastModified = DosDateTimeToDateTime(stamp.View(), today.Year);
    return fields;
}

TUnixLineFault ParseUnixLine(TIdFTPListItem& AItem, const TListingDay& today, size_t& columns) {
    TListLineFields fields;
    // Read in full before touching the entry, so that a fault leaves it as it was.
    const TUnixLineFault fault = ReadUnixLine(AItem.RawLine, today, fields, columns);
    if (fault != TUnixLineFault::None)
        return fault;
    AItem.EntryKind = fields.Kind;
    AItem.OwnerRights.assign(fields.OwnerRights);
    AItem.GroupRights.assign(fields.GroupRights);
    AItem.OtherRights.assign(fields.OtherRights);
    AItem.LinkCount = fields.LinkCount;
    AItem.OwnerAccount.assign(fields.OwnerAccount);
    AItem.GroupAccount.assign(fields.GroupAccount);
    AItem.EntrySize = fields.Size;
    AItem.LastModified = fields.LastModified;
    // Assigned last: the name and target are views into RawLine, which the
    // entry keeps.
    AItem.LinkTarget.assign(fields.Target);
    AItem.EntryName.assign(fields.Name);
    return TUnixLineFault::None;
}

void ParseDosLine(TIdFTPListItem& AItem, const TListingDay& today) {
    const TListLineFields fields = ReadDosLine(AItem.RawLine, today);
    AItem.EntryKind = fields.Kind;
    AItem.EntrySize = fields.Size;
    AItem.LastModified = fields.LastModified;
    AItem.EntryName.assign(fields.Name);
}

TIdFTPListFormat TIdFTPListItems::DetectListFormat(const std::string& ALine, bool ADetailed) {
    if (!ADetailed)
        return flfNoDetails;
    const std::string upper = UpperCase(ALine);
    if (IsUnixPermissions(upper) || upper.starts_with("TOTAL"))
        return flfUnix;
    if (upper.find("DSK:") != std::string::npos)
        return flfVax;
    if (upper.size() >= 6 && IsDateSeparator(upper[2]) && IsDateSeparator(upper[5])) {
        // IIS puts "<DIR>" at column 25 and right-aligns sizes to end at column
        // 38, so a file line shows blanks at 25..30 and the size's last digits
        // at 31..38.
        const std::string_view dirMark = TrimView(Copy(upper, 25, 6));
        const std::string sizeText = RemoveAll(TrimView(Copy(upper, 31, 8)), ',');
        if (dirMark == "<DIR>")
            return flfDos;
        if (dirMark.empty() && StrToInt64Def(sizeText, -1) != -1)
            return flfDos;
    }
    return flfUnknown;
}

void TIdFTPListItems::ParseUnixEntry(TIdFTPListItem& AItem) {
    size_t columns = 0;
    switch (ParseUnixLine(AItem, ListingDayOf(CurrentTime()), columns)) {
    case TUnixLineFault::None: return;
    case TUnixLineFault::TooFewColumns: throw EListError(static_cast<int64_t>(columns));
    case TUnixLineFault::BadDate: throw EConvertError(MsgText(TIdMsg::DateEncodeError));
    case TUnixLineFault::BadTime: throw EConvertError(MsgText(TIdMsg::TimeEncodeError));
    }
}

void TIdFTPListItems::ParseDosEntry(TIdFTPListItem& AItem) {
    ParseDosLine(AItem, ListingDayOf(CurrentTime()));
}
