// ~/.netrc, read as ftp(1), curl -n and lftp read it: "machine HOST login USER
// password SECRET" entries, a "default" entry for any other host, "account"
// and "macdef" (a macro up to the next empty line) skipped.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct NetrcEntry {
    // Empty for the default entry.
    std::string Machine;
    std::optional<std::string> Login;
    std::optional<std::string> Password;
};

// The entries of a .netrc text in their order. Words are separated by blanks
// and line ends; a word in double quotes may hold blanks, with \" and \\ inside
// it; a # at the start of a word comments out the rest of its line.
std::vector<NetrcEntry> ParseNetrc(const std::string& text);

// The entry for a host: the first "machine" entry naming it (compared without
// regard to case), and with `user` given, one whose login is that user or that
// names no login; else the default entry on the same terms. None when nothing
// fits.
std::optional<NetrcEntry> FindNetrcEntry(const std::vector<NetrcEntry>& entries,
                                         const std::string& host,
                                         const std::optional<std::string>& user);

// The entries of the .netrc file at `path`: none when it does not exist or
// cannot be read. A file that others than its owner may read or write holds
// passwords in the open; like ftp(1) it is refused then, with a warning on
// `warnings`.
std::vector<NetrcEntry> ReadNetrcFile(const std::string& path, std::ostream& warnings);

// $HOME/.netrc, or empty when HOME is not set.
std::string DefaultNetrcPath();
