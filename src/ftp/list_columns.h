// Column helpers shared by the listing format detector and the line parsers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Trims the text, cuts it at every `separator`, drops the empty pieces and trims
// the rest. A piece made only of tabs therefore survives as an empty column, so
// callers must not assume a column is non-empty.
std::vector<std::string> SplitColumns(std::string_view text, std::string_view separator = " ");

// True for an upper-cased Unix mode such as "DRWXR-XR-X": a type of "-", "D" or
// "L" followed by nine of "-", "R", "W", "X". Set-id and sticky marks do not count.
bool IsUnixPermissions(std::string_view text);
