#include "ftp/list_columns.h"

#include "core/text.h"

std::vector<std::string> SplitColumns(std::string_view text, std::string_view separator) {
    std::vector<std::string> columns;
    const std::string whole = Trim(text);
    if (whole.empty())
        return columns;
    if (separator.empty()) {
        columns.push_back(whole);
        return columns;
    }
    const std::string_view rest(whole);
    size_t start = 0;
    while (start <= rest.size()) {
        size_t at = rest.find(separator, start);
        if (at == std::string_view::npos)
            at = rest.size();
        // Emptiness is judged before trimming, on purpose: a tab-only piece is a
        // column of its own.
        if (at > start)
            columns.push_back(Trim(rest.substr(start, at - start)));
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
