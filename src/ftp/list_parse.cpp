// Recognising and reading the lines of a LIST reply.
//
// Accepted layouts, each with a line as servers send it:
//   Unix, the first line of a listing may be a total count, which is skipped:
//       total 42
//       drwxr-xr-x   2 ftp      ftp          4096 Jan 05 12:34 docs
//       -rw-r--r--   1 ftp      ftp        120586 Jan 05  2003 README
//       lrwxrwxrwx   1 root     root            7 Jan 05  2003 bin -> usr/bin
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

#include "core/exceptions.h"
#include "core/text.h"
#include "ftp/list_dos_date.h"
#include "ftp/list_items.h"

#include <string>
#include <string_view>
#include <vector>

namespace {

// The 1-based substring of the run-time library: out-of-range parts are cut
// short instead of failing, so short lines give short or empty pieces.
std::string Copy(std::string_view text, size_t position, size_t count) {
    if (position < 1 || position > text.size())
        return std::string();
    return std::string(text.substr(position - 1, count));
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDateSeparator(char c) {
    return c == '-' || c == '/';
}

TIdFTPEntryKind KindFromMode(std::string_view mode) {
    switch (mode.empty() ? '-' : mode[0]) {
    case 'd':
    case 'D':
        return fekDirectory;
    case 'l':
    case 'L':
        return fekSymbolicLink;
    default:
        return fekFile;
    }
}

std::string JoinFrom(const std::vector<std::string>& columns, size_t first) {
    std::string joined;
    for (size_t i = first; i < columns.size(); ++i) {
        if (i > first)
            joined += ' ';
        joined += columns[i];
    }
    return joined;
}

} // namespace

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
        const std::string dirMark = Trim(Copy(upper, 25, 6));
        const std::string sizeText = RemoveAll(Trim(Copy(upper, 31, 8)), ',');
        if (dirMark == "<DIR>")
            return flfDos;
        if (dirMark.empty() && StrToInt64Def(sizeText, -1) != -1)
            return flfDos;
    }
    return flfUnknown;
}

void TIdFTPListItems::ParseUnixEntry(TIdFTPListItem& AItem) {
    int thisYear, thisMonth, thisDay;
    DecodeDate(CurrentTime(), thisYear, thisMonth, thisDay);

    std::vector<std::string> columns = SplitColumns(TrimRight(AItem.RawLine), " ");
    // Some servers leave out the group; the fifth column is then the month.
    // The gap goes before the owner, so the owner's name ends up as the group.
    if (columns.size() == 8 && !columns[4].empty() && IsAsciiLetter(columns[4][0]))
        columns.insert(columns.begin() + 2, std::string());
    if (columns.size() < 8)
        throw EListError(static_cast<int64_t>(columns.size()));

    const std::string& mode = columns[0];
    const int month = MonthFromAbbrev(columns[5]);
    const int day = StrToIntDef(columns[6], thisDay);
    const std::string& timeOrYear = columns[7];
    int year, hour = 0, minute = 0;
    if (const size_t colon = timeOrYear.find(':'); colon != std::string::npos) {
        hour = StrToIntDef(std::string_view(timeOrYear).substr(0, colon), 0);
        minute = StrToIntDef(std::string_view(timeOrYear).substr(colon + 1), 0);
        // "ls" shows a time instead of a year only for the last six months, so
        // a month still ahead of us this year must be last year's.
        year = thisMonth < month ? thisYear - 1 : thisYear;
    } else {
        year = StrToIntDef(timeOrYear, thisYear);
    }
    // Convert before touching the entry so that a bad date leaves it as it was.
    // The 999 ms mark a time that was only known to the minute.
    const TDateTime modified = EncodeDate(year, month, day) + EncodeTime(hour, minute, 0, 999);

    std::string name = JoinFrom(columns, 8);
    std::string target;
    const TIdFTPEntryKind kind = KindFromMode(mode);
    if (kind == fekSymbolicLink) {
        // A link without an arrow keeps its whole name rather than losing it.
        if (const size_t arrow = name.find(" -> "); arrow != std::string::npos) {
            target = name.substr(arrow + 4);
            name.erase(arrow);
        }
    }

    AItem.EntryKind = kind;
    AItem.OwnerRights = Copy(mode, 2, 3);
    AItem.GroupRights = Copy(mode, 5, 3);
    AItem.OtherRights = Copy(mode, 8, 3);
    AItem.LinkCount = StrToIntDef(columns[1], 0);
    AItem.OwnerAccount = columns[2];
    AItem.GroupAccount = columns[3];
    AItem.EntrySize = StrToInt64Def(columns[4], 0);
    AItem.LastModified = modified;
    AItem.EntryName = std::move(name);
    AItem.LinkTarget = std::move(target);
}

void TIdFTPListItems::ParseDosEntry(TIdFTPListItem& AItem) {
    int thisYear, thisMonth, thisDay;
    DecodeDate(CurrentTime(), thisYear, thisMonth, thisDay);

    const std::string& raw = AItem.RawLine;
    // The separators written in the line are ignored; the converter always
    // gets "mm/dd/yy".
    std::string stamp = Copy(raw, 1, 2) + "/" + Copy(raw, 4, 2) + "/" + Copy(raw, 7, 2) + " ";
    std::string rest = Trim(Copy(raw, 9, raw.size()));
    stamp += CutToken(rest, " ");
    rest = Trim(rest);
    const std::string sizeOrDir = RemoveAll(CutToken(rest, " "), ',');
    const bool isDirectory = UpperCase(sizeOrDir) == "<DIR>";

    AItem.EntryName = Trim(rest);
    AItem.EntryKind = isDirectory ? fekDirectory : fekFile;
    AItem.EntrySize = isDirectory ? 0 : StrToInt64Def(sizeOrDir, 0);
    // An unreadable date is not worth losing the entry over.
    AItem.LastModified = DosDateTimeToDateTime(stamp, thisYear);
}
