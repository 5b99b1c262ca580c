// Shared by the listing tests: a fixed "now" and readable time stamps.
#pragma once

#include "core/datetime.h"
#include "ftp/list_items.h"

#include <cstdio>
#include <string>
#include <vector>

inline TClock FixedClock(int year, int month, int day) {
    const TDateTime now = EncodeDate(year, month, day) + EncodeTime(10, 0, 0, 0);
    return [now] { return now; };
}

// What the FTP client does with a reply: decide the format from the first line,
// then load every line in it.
inline void LoadAsClient(TIdFTPListItems& items, const std::vector<std::string>& lines) {
    items.ListFormat = items.DetectListFormat(lines.at(0), true);
    items.LoadListing(lines);
}

// Stamps compared as text with milliseconds, so a failure shows both values.
inline std::string Stamp(TDateTime value) {
    int y, m, d, h, n, s, ms;
    DecodeDate(value, y, m, d);
    DecodeTime(value, h, n, s, ms);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", y, m, d, h, n, s, ms);
    return text;
}
