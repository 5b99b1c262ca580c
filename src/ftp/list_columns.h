// Column helpers shared by the listing format detector and the line parsers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The text with bytes of value 32 or less (blanks and control characters)
// removed at both ends, or at the end only; a view into `text`.
inline std::string_view TrimRightView(std::string_view text) {
    size_t n = text.size();
    while (n > 0 && static_cast<unsigned char>(text[n - 1]) <= 32)
        --n;
    return text.substr(0, n);
}
inline std::string_view TrimView(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= 32)
        ++i;
    return TrimRightView(text.substr(i));
}

// One column of a line: its trimmed text, and where the untrimmed piece it came
// from ends in the split text (so a reader can take the rest of the line
// after it as it was sent). Trivial, so that an array of them costs nothing
// until filled.
struct TListColumn {
    const char* Data;
    size_t Size;
    size_t End;

    std::string_view Text() const { return {Data, Size}; }
};

// SplitColumns without copies: fills at most `capacity` columns into `out` and
// returns how many it filled. The views point into `text`.
size_t SplitColumnViews(std::string_view text, char separator, TListColumn* out, size_t capacity);

// Trims the text, cuts it at every `separator`, drops the empty pieces and trims
// the rest. A piece made only of tabs therefore survives as an empty column, so
// callers must not assume a column is non-empty.
std::vector<std::string> SplitColumns(std::string_view text, std::string_view separator = " ");

// True for an upper-cased Unix mode such as "DRWXR-XR-X": a type of "-", "D" or
// "L" followed by nine of "-", "R", "W", "X". Set-id and sticky marks do not count.
bool IsUnixPermissions(std::string_view text);
