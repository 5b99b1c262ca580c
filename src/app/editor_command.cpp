#include "app/editor_command.h"

#include "app/editor_resolution.h"
#include "app/xdg_mime_query.h"

#include <QMimeDatabase>
#include <cstdlib>
#include <optional>

std::vector<std::string> SplitWords(const std::string& text, const TWordRules& rules) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            else if (rules.BackslashInQuotes && c == '\\' && i + 1 < text.size())
                word += text[++i];
            else
                word += c;
        } else if (rules.Quotes.find(c) != std::string_view::npos) {
            quote = c;
            inWord = true;
        } else if (rules.Blanks.find(c) != std::string_view::npos) {
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

std::vector<std::string> SplitCommandWords(const std::string& command) {
    return SplitWords(command, {"'\"", " \t", false});
}

std::string CommandText(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty())
            text += ' ';
        if (!word.empty() && word.find_first_of(" \t'\"") == std::string::npos)
            text += word;
        else if (word.find('"') == std::string::npos)
            text += '"' + word + '"';
        else
            text += '\'' + word + '\'';
    }
    return text;
}

std::vector<std::string> EditorCommandFor(const std::vector<std::string>& configured,
                                          const std::string& path) {
    if (!configured.empty()) {
        std::vector<std::string> words = configured;
        words.push_back(path);
        return words;
    }
    TEditorEnvironment environment;
    environment.Variable = [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    };
    environment.DefaultApplication = [](const std::string& mimeType) {
        return QueryDefaultApplication(mimeType);
    };
    // Thread-safe, and only the name and the first bytes of the copy decide.
    const std::string mimeType =
        QMimeDatabase().mimeTypeForFile(QString::fromStdString(path)).name().toStdString();
    return ResolveEditor(environment, path, mimeType);
}
