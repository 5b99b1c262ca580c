// Dotted IPv4 text ("192.168.0.1"): the one parser and the one formatter that
// every address conversion of the stack goes through.
#pragma once

#include <cstdint>
#include <string>

struct TIdDottedQuad {
    // The texts before the first three dots and the text after the third, up
    // to a fourth dot when there is one; parts that are missing are empty.
    std::string Parts[4];
    // A fourth dot follows the fourth part (more than four parts).
    bool HasMore = false;
};

TIdDottedQuad SplitDottedQuad(const std::string& text);

// The four bytes in order, as decimal numbers with dots between.
std::string DottedText(const uint8_t (&bytes)[4]);
// The same for an address as the socket interface holds it (network order).
std::string DottedTextOf(uint32_t networkOrderAddress);
