#include "core/text.h"

#include "core/exceptions.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

namespace {

const std::thread::id MainThreadId = std::this_thread::get_id();

char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

std::string UpperCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), ToUpperAscii);
    return out;
}

std::string Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

std::string TrimLeft(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsTrimmed(text[i]))
        ++i;
    return std::string(text.substr(i));
}

std::string TrimRight(std::string_view text) {
    size_t n = text.size();
    while (n > 0 && IsTrimmed(text[n - 1]))
        --n;
    return std::string(text.substr(0, n));
}

std::string RemoveAll(std::string_view text, char c) {
    std::string out;
    out.reserve(text.size());
    for (char x : text)
        if (x != c)
            out += x;
    return out;
}

std::string CutToken(std::string& text, std::string_view delimiter, bool remove,
                     bool caseSensitive) {
    size_t at = caseSensitive ? text.find(delimiter) : UpperCase(text).find(UpperCase(delimiter));
    if (delimiter.empty())
        at = std::string::npos;
    if (at == std::string::npos) {
        std::string whole = text;
        if (remove)
            text.clear();
        return whole;
    }
    std::string head = text.substr(0, at);
    if (remove)
        text.erase(0, at + delimiter.size());
    return head;
}

int64_t SubstringPos(std::string_view sub, std::string_view text) {
    return SubstringPosFrom(sub, text, 0);
}

int64_t SubstringPosFrom(std::string_view sub, std::string_view text, int64_t start) {
    if (sub.empty())
        return 0;
    const size_t from = start > 1 ? static_cast<size_t>(start - 1) : 0;
    if (from > text.size())
        return 0;
    const size_t at = text.find(sub, from);
    return at == std::string_view::npos ? 0 : static_cast<int64_t>(at) + 1;
}

int64_t LastSubstringPos(std::string_view sub, std::string_view text, int64_t from) {
    if (sub.empty() || sub.size() > text.size())
        return 0;
    const std::string usub = UpperCase(sub);
    const std::string utext = UpperCase(text);
    size_t start = utext.size() - usub.size();
    if (from >= 1 && static_cast<size_t>(from - 1) < start)
        start = static_cast<size_t>(from - 1);
    if (from == 0)
        return 0;
    const size_t at = utext.rfind(usub, start);
    return at == std::string::npos ? 0 : static_cast<int64_t>(at) + 1;
}

int64_t BufferPos(std::string_view sub, const void* buffer, int64_t size) {
    if (sub.empty() || buffer == nullptr || static_cast<int64_t>(sub.size()) > size)
        return 0;
    std::string_view hay(static_cast<const char*>(buffer), static_cast<size_t>(size));
    const size_t at = hay.find(sub);
    return at == std::string_view::npos ? 0 : static_cast<int64_t>(at) + 1;
}

int IndexInList(std::string_view text, const std::vector<std::string>& list, bool caseSensitive) {
    const std::string wanted = caseSensitive ? std::string(text) : UpperCase(text);
    for (size_t i = 0; i < list.size(); ++i) {
        if ((caseSensitive ? list[i] : UpperCase(list[i])) == wanted)
            return static_cast<int>(i);
    }
    return -1;
}

int MonthFromAbbrev(std::string_view text) {
    static constexpr const char* Months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                             "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const std::string u = UpperCase(text);
    for (int i = 0; i < 12; ++i)
        if (u == Months[i])
            return i + 1;
    return 0;
}

bool IsMainThread() {
    return std::this_thread::get_id() == MainThreadId;
}

void PauseFor(int64_t milliseconds) {
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::optional<int64_t> TryStrToInt64(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    uint64_t value = 0;
    const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                    : uint64_t(std::numeric_limits<int64_t>::max());
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        if (value > (limit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base))
            return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    if (negative)
        return value == uint64_t(std::numeric_limits<int64_t>::max()) + 1
                   ? std::numeric_limits<int64_t>::min()
                   : -static_cast<int64_t>(value);
    return static_cast<int64_t>(value);
}

std::optional<int32_t> TryStrToInt(std::string_view text) {
    const auto v = TryStrToInt64(text);
    if (!v || *v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(*v);
}

int32_t StrToIntDef(std::string_view text, int32_t fallback) {
    return TryStrToInt(text).value_or(fallback);
}

int64_t StrToInt64Def(std::string_view text, int64_t fallback) {
    return TryStrToInt64(text).value_or(fallback);
}

int32_t StrToInt(std::string_view text) {
    const auto v = TryStrToInt(text);
    if (!v)
        throw EConvertError(FormatMsg(TIdMsg::InvalidInteger, {text}));
    return *v;
}

std::string BackslashEscaped(std::string_view text, std::string_view special) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (special.find(c) == std::string_view::npos) {
            out += c;
            continue;
        }
        switch (c) {
        case '\0': out += "\\0"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: {
            static constexpr char Hex[] = "0123456789ABCDEF";
            const auto byte = static_cast<unsigned char>(c);
            out += "\\x";
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        }
        }
    }
    return out;
}
