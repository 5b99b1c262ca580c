// The parts of a desktop entry (a freedesktop.org .desktop file) needed to
// open a file with the application it names: its Exec line turned into words, and whether it runs
// in a terminal.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct TDesktopEntry {
    // The Exec line, unescaped but with its field codes still in it.
    std::string Exec;
    bool Terminal = false;
};

// The [Desktop Entry] group of an entry's text; none without an Exec key.
std::optional<TDesktopEntry> ParseDesktopEntry(const std::string& text);

// The entry in a file; none when it cannot be read or has no Exec key.
std::optional<TDesktopEntry> LoadDesktopEntry(const std::string& file);

// The words to run for opening `path`: the Exec line split at blanks, double
// quotes keeping a word together (a backslash inside them keeps the next
// character), the first of %f, %F, %u and %U replaced by the path
// (the path added at the end when there is none), %% by %, and every other
// field code dropped. Empty for an Exec line with no words.
std::vector<std::string> ExecWords(const std::string& exec, const std::string& path);

// The file of a desktop file id ("org.gnome.gedit.desktop") in the
// "applications" folders of the data folders, first match first; a "-" in the
// id may also stand for a subfolder ("kde-kate.desktop" as kde/kate.desktop).
std::optional<std::string> FindDesktopEntryFile(const std::string& id,
                                                const std::vector<std::string>& dataFolders);
