#include "ftp/list_columns.h"

size_t SplitColumnViews(std::string_view text, char separator, TListColumn* out, size_t capacity) {
    const std::string_view whole = TrimView(text);
    const char* const base = text.data();
    const char* at = whole.data();
    const char* const end = at + whole.size();
    size_t count = 0;
    // A plain loop rather than find(): columns are short and the runs of
    // blanks between them would cost a library call per blank.
    while (at < end && count < capacity) {
        if (*at == separator) {
            ++at;
            continue;
        }
        const char* const start = at;
        while (at < end && *at != separator)
            ++at;
        // Emptiness is judged before trimming, on purpose: a tab-only piece is a
        // column of its own.
        out[count++] = {TrimView(std::string_view(start, static_cast<size_t>(at - start))),
                        static_cast<size_t>(at - base)};
    }
    return count;
}

std::vector<std::string> SplitColumns(std::string_view text, std::string_view separator) {
    std::vector<std::string> columns;
    const std::string_view whole = TrimView(text);
    if (whole.empty())
        return columns;
    if (separator.empty()) {
        columns.emplace_back(whole);
        return columns;
    }
    size_t start = 0;
    while (start <= whole.size()) {
        size_t at = whole.find(separator, start);
        if (at == std::string_view::npos)
            at = whole.size();
        if (at > start)
            columns.emplace_back(TrimView(whole.substr(start, at - start)));
        start = at + separator.size();
    }
    return columns;
}

bool IsUnixPermissions(std::string_view text) {
    if (text.size() < 10)
        return false;
    if (text[0] != '-' && text[0] != 'D' && text[0] != 'L')
        return false;
    for (size_t i = 1; i < 10; ++i) {
        const char c = text[i];
        if (c != '-' && c != 'R' && c != 'W' && c != 'X')
            return false;
    }
    return true;
}
