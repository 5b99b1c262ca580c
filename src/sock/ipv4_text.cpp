#include "sock/ipv4_text.h"

#include "core/text.h"

#include <cstring>

TIdDottedQuad SplitDottedQuad(const std::string& text) {
    TIdDottedQuad quad;
    std::string rest = text;
    for (int i = 0; i < 3; ++i)
        quad.Parts[i] = CutToken(rest, ".");
    quad.HasMore = rest.find('.') != std::string::npos;
    quad.Parts[3] = CutToken(rest, ".");
    return quad;
}

std::string DottedText(const uint8_t (&bytes)[4]) {
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
           std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

std::string DottedTextOf(uint32_t networkOrderAddress) {
    uint8_t bytes[4];
    std::memcpy(bytes, &networkOrderAddress, 4);
    return DottedText(bytes);
}
