// Text helpers shared by every layer. Positions are 1-based; 0 means "not found".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The part of `text` before the first `delimiter`. With `remove`, `text` becomes
// the part after it (or empty when the delimiter does not occur).
std::string CutToken(std::string& text, std::string_view delimiter, bool remove = true,
                     bool caseSensitive = true);

// Plain byte search is safe for UTF-8: a well-formed needle never matches in the
// middle of a multi-byte character.
int64_t SubstringPos(std::string_view sub, std::string_view text);
int64_t SubstringPosFrom(std::string_view sub, std::string_view text, int64_t start);
// The last occurrence that starts at or before `from` (-1 = anywhere), ignoring case.
int64_t LastSubstringPos(std::string_view sub, std::string_view text, int64_t from = -1);
int64_t BufferPos(std::string_view sub, const void* buffer, int64_t size);
int IndexInList(std::string_view text, const std::vector<std::string>& list,
                bool caseSensitive = true);
int MonthFromAbbrev(std::string_view text);

bool IsMainThread();
template <typename T> constexpr T SmallerOf(T a, T b) {
    return a < b ? a : b;
}
void PauseFor(int64_t milliseconds);

std::string UpperCase(std::string_view text);
// Removes bytes of value 32 or less at both ends (blanks and control characters).
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);
std::string RemoveAll(std::string_view text, char c);
// `text` with each character of `special` written as its backslash escape
// (\0, \t, \n, \r, \\; any other as \xHH), so that it shows on one line.
std::string BackslashEscaped(std::string_view text, std::string_view special);

// Whole-text integer conversion in the run-time library's rules: optional blanks
// before, an optional sign, decimal digits (or "$"/"0x" hex), nothing after.
std::optional<int64_t> TryStrToInt64(std::string_view text);
std::optional<int32_t> TryStrToInt(std::string_view text);
int32_t StrToIntDef(std::string_view text, int32_t fallback);
int64_t StrToInt64Def(std::string_view text, int64_t fallback);
// Raises EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view text);
