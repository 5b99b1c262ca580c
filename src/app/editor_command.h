// Which editor an opened file is handed to, as words to run without a shell:
// the command the window was given, or the user's editor for the file (see
// editor_resolution.h). The command must block until the user is done with
// the file, since the file is watched only while it runs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* EditorVariable = "SCRIVLET_EDITOR";
inline constexpr const char* DefaultEditorCommand = "gedit --wait";

// How a command line is cut into words: which characters quote (a quote
// keeps blanks inside a word and ends at the same character), which ones
// separate words, and whether a backslash inside quotes keeps the next one.
struct TWordRules {
    std::string_view Quotes;
    std::string_view Blanks;
    bool BackslashInQuotes = false;
};
std::vector<std::string> SplitWords(const std::string& text, const TWordRules& rules);

// The words of a command as a user writes it: split at blanks and tabs, where
// single or double quotes keep blanks inside a word (the quotes themselves are
// dropped). Nothing else is interpreted: no variables, globs or escapes.
std::vector<std::string> SplitCommandWords(const std::string& command);

// The words as one line for a message: each word with a blank or a quote in
// it in quotes, so that SplitCommandWords gives the words back.
std::string CommandText(const std::vector<std::string>& words);

// The words to run for editing `path`: `configured` with the path added, or
// when it is empty the user's editor for the file, from this process's
// environment and the desktop's default application for the file's type.
std::vector<std::string> EditorCommandFor(const std::vector<std::string>& configured,
                                          const std::string& path);
