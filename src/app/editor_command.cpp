#include "app/editor_command.h"

#include <cstdlib>

std::vector<std::string> SplitCommandWords(const std::string& command) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (const char c : command) {
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            else
                word += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

std::vector<std::string> EditorProgramFrom(const char* value) {
    std::vector<std::string> words;
    if (value != nullptr)
        words = SplitCommandWords(value);
    if (words.empty())
        words = SplitCommandWords(DefaultEditorCommand);
    return words;
}

std::vector<std::string> EditorProgram() {
    return EditorProgramFrom(std::getenv(EditorVariable));
}
