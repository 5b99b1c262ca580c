// Reading one numeric server reply from the lines a connection receives.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The most lines one reply may have, blank ones included; a server that sends
// more is refused.
constexpr int32_t IdMaxReplyLines = 10000;

// Returns the next received line without its line end (as ReadLine gives it).
using TReplyLineSource = std::function<std::string()>;

// The lines of one reply, each trimmed of blanks and control characters at
// both ends, blank lines skipped; every line taken from `nextLine` counts
// against IdMaxReplyLines (EIdPeerLimitExceeded past it). A line holding a
// control byte other than TAB, CR or LF ends the read with EIdMalformedReply.
// With `received`, it also gets the same lines as they arrived, without their
// line end only: some replies (FEAT) mark their lines with a leading blank.
std::vector<std::string> ReadReplyLines(const TReplyLineSource& nextLine,
                                        std::vector<std::string>* received = nullptr);
