#include "ls_output.h"

#include "core/datetime.h"

#include <charconv>
#include <string_view>

namespace {

std::string_view KindName(TIdFTPEntryKind kind) {
    switch (kind) {
    case fekDirectory: return "dir";
    case fekSymbolicLink: return "link";
    case fekFile: break;
    }
    return "file";
}

void AppendDigits(std::string& out, int value, int width) {
    char digits[4];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(digits, static_cast<size_t>(width));
}

// DateTimeToText's "yyyy-mm-dd hh:nn:ss" (the time left out at midnight),
// written digit by digit: no formatting call, and so no locale, per row.
void AppendDate(std::string& out, TDateTime value) {
    if (value == 0) {
        out += '-';
        return;
    }
    int year, month, day, hour, minute, second, millisecond;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, millisecond);
    if (year < 0 || year > 9999) {
        out += DateTimeToText(value);
        return;
    }
    AppendDigits(out, year, 4);
    out += '-';
    AppendDigits(out, month, 2);
    out += '-';
    AppendDigits(out, day, 2);
    if (hour == 0 && minute == 0 && second == 0)
        return;
    out += ' ';
    AppendDigits(out, hour, 2);
    out += ':';
    AppendDigits(out, minute, 2);
    out += ':';
    AppendDigits(out, second, 2);
}

void AppendEntry(std::string& out, const TIdFTPListItem& item) {
    out += KindName(item.EntryKind);
    out += '\t';
    out += item.OwnerRights;
    out += item.GroupRights;
    out += item.OtherRights;
    out += '\t';
    out += item.OwnerAccount;
    out += '\t';
    out += item.GroupAccount;
    out += '\t';
    char size[24];
    const auto written = std::to_chars(size, size + sizeof size, item.EntrySize);
    out.append(size, written.ptr);
    out += '\t';
    AppendDate(out, item.LastModified);
    out += '\t';
    out += item.EntryName;
    if (item.EntryKind == fekSymbolicLink && !item.LinkTarget.empty()) {
        out += " -> ";
        out += item.LinkTarget;
    }
}

} // namespace

std::string FormatListEntry(const TIdFTPListItem& item) {
    std::string line;
    AppendEntry(line, item);
    return line;
}

std::string FormatListing(const TIdFTPListItems& entries) {
    std::string text;
    // About what a line takes, so the text grows a few times rather than
    // often.
    text.reserve(static_cast<size_t>(entries.Count()) * 64);
    for (int i = 0; i < entries.Count(); ++i) {
        AppendEntry(text, entries.Items(i));
        text += '\n';
    }
    return text;
}

namespace {
constexpr size_t ChunkBytes = 256 * 1024;
} // namespace

TListingPrinter::TListingPrinter(std::ostream& out) : FOut(out) {
    FText.reserve(ChunkBytes + 1024);
}

void TListingPrinter::Print(const TIdFTPListItem& item) {
    AppendEntry(FText, item);
    FText += '\n';
    if (FText.size() >= ChunkBytes) {
        FOut.write(FText.data(), static_cast<std::streamsize>(FText.size()));
        FText.clear();
    }
}

void TListingPrinter::Finish() {
    FOut.write(FText.data(), static_cast<std::streamsize>(FText.size()));
    FText.clear();
}
