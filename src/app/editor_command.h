// Which editor an opened file is handed to: the command in SCRIVLET_EDITOR, or
// gedit waiting for its window to close. The command must block until the
// user is done with the file, since the file is watched only while it runs.
#pragma once

#include <string>
#include <vector>

inline constexpr const char* EditorVariable = "SCRIVLET_EDITOR";
inline constexpr const char* DefaultEditorCommand = "gedit --wait";

// The words of a command as a user writes it: split at blanks and tabs, where
// single or double quotes keep blanks inside a word (the quotes themselves are
// dropped). Nothing else is interpreted: no variables, globs or escapes.
std::vector<std::string> SplitCommandWords(const std::string& command);

// The editor for a value of SCRIVLET_EDITOR (null: not set); the default
// command when the value is unset or has no words.
std::vector<std::string> EditorProgramFrom(const char* value);

// The editor of this process, from its environment.
std::vector<std::string> EditorProgram();
