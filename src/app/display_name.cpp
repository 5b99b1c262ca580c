#include "app/display_name.h"

#include <cstdint>

namespace {

// The length of the valid UTF-8 character at the start of `rest` (RFC 3629:
// no overlong forms, no surrogates, nothing above U+10FFFF), or 0.
size_t ValidCharacterLength(std::string_view rest) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(rest[i]); };
    auto within = [&](size_t i, uint8_t low, uint8_t high) {
        return i < rest.size() && byte(i) >= low && byte(i) <= high;
    };
    const uint8_t lead = byte(0);
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return within(1, 0x80, 0xBF) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const uint8_t low = lead == 0xE0 ? 0xA0 : 0x80;
        const uint8_t high = lead == 0xED ? 0x9F : 0xBF;
        return within(1, low, high) && within(2, 0x80, 0xBF) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const uint8_t low = lead == 0xF0 ? 0x90 : 0x80;
        const uint8_t high = lead == 0xF4 ? 0x8F : 0xBF;
        return within(1, low, high) && within(2, 0x80, 0xBF) && within(3, 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

bool IsControl(uint8_t byte) {
    return byte < 0x20 || byte == 0x7F;
}

bool IsLayout(uint8_t byte) {
    return byte == '\t' || byte == '\r' || byte == '\n';
}

void AppendEscaped(std::string& shown, uint8_t byte) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    shown += "\\x";
    shown += Hex[byte >> 4];
    shown += Hex[byte & 0x0F];
}

std::string Displayed(std::string_view bytes, bool keepLayout) {
    std::string shown;
    shown.reserve(bytes.size());
    size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<uint8_t>(bytes[at]);
        const size_t length = ValidCharacterLength(bytes.substr(at));
        if (length == 0 || (IsControl(lead) && !(keepLayout && IsLayout(lead)))) {
            AppendEscaped(shown, lead);
            ++at;
            continue;
        }
        shown.append(bytes.substr(at, length));
        at += length;
    }
    return shown;
}

} // namespace

std::string NameForDisplay(std::string_view bytes) {
    return Displayed(bytes, false);
}

std::string TextForDisplay(std::string_view text) {
    return Displayed(text, true);
}
