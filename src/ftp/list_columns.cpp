#include "ftp/list_columns.h"

namespace {

bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

std::string_view TrimRightView(std::string_view text) {
    size_t n = text.size();
    while (n > 0 && IsTrimmed(text[n - 1]))
        --n;
    return text.substr(0, n);
}

std::string_view TrimView(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsTrimmed(text[i]))
        ++i;
    return TrimRightView(text.substr(i));
}

size_t SplitColumnViews(std::string_view text, char separator, TListColumn* out, size_t capacity) {
    const std::string_view whole = TrimView(text);
    const size_t offset = static_cast<size_t>(whole.data() - text.data());
    size_t count = 0;
    size_t start = 0;
    while (start < whole.size() && count < capacity) {
        size_t at = whole.find(separator, start);
        if (at == std::string_view::npos)
            at = whole.size();
        // Emptiness is judged before trimming, on purpose: a tab-only piece is a
        // column of its own.
        if (at > start)
            out[count++] = {TrimView(whole.substr(start, at - start)), offset + at};
        start = at + 1;
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
