// Every text the window shows: its caption, the status-bar texts of logging in
// and out and of browsing, and the column captions.
#pragma once

#include <string>

namespace AppText {

inline constexpr const char* Caption =
    "Scrivlet - version 1.0 - Scrivlet developers - https://scrivlet.example.org";

// Status texts; those ending in a space are followed by a server or a path.
inline constexpr const char* Connecting = "Connecting ";
inline constexpr const char* LoggingIn = "Logging in ...";
inline constexpr const char* LoggingOut = "Logging out...";
inline constexpr const char* Disconnected = "Disconnected";
inline constexpr const char* Relogging = "Relogging in...";
inline constexpr const char* Retrieving = "Retrieving directory content: ";

// "%s %d file(s) %d Folder(s)" with the listed path and the two counts.
std::string ListingCounts(const std::string& path, int files, int folders);

} // namespace AppText
