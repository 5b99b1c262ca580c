// IPv6 address text ("::1", "2001:db8::5"): the one parser and the one
// formatter for the IPv6 addresses the stack handles, the sibling of the
// dotted IPv4 text in ipv4_text.h.
#pragma once

#include <cstdint>
#include <string>

// True when `text` is an IPv6 address as written without brackets; "[::1]"
// is not (brackets belong to the host-and-port texts around it).
bool IsIPv6Address(const std::string& text);

// The sixteen bytes of `text`; false when it is no IPv6 address.
bool ParseIPv6(const std::string& text, uint8_t (&bytes)[16]);

// The address in its shortest standard form (RFC 5952: lower case, the
// longest run of zero groups as "::").
std::string IPv6Text(const uint8_t (&bytes)[16]);
