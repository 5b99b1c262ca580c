#include "app/desktop_entry.h"

#include "app/editor_command.h"
#include "core/text.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace {

// The escapes of a string value: \s, \n, \t, \r and \\.
std::string UnescapeValue(const std::string& value) {
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        switch (const char next = value[++i]) {
        case 's': text += ' '; break;
        case 'n': text += '\n'; break;
        case 't': text += '\t'; break;
        case 'r': text += '\r'; break;
        default:
            // Not a string escape: left for the Exec line's own quoting.
            text += '\\';
            text += next;
            break;
        }
    }
    return text;
}

// The words of an Exec line: blanks separate them, double quotes keep blanks
// inside one, and within quotes a backslash keeps the next character.
std::vector<std::string> SplitExec(const std::string& exec) {
    return SplitWords(exec, {"\"", " \t\n", true});
}

bool IsFileCode(char code) {
    return code == 'f' || code == 'F' || code == 'u' || code == 'U';
}

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::optional<TDesktopEntry> ParseDesktopEntry(const std::string& text) {
    TDesktopEntry entry;
    bool inMainGroup = false;
    bool hasExec = false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const size_t eq = line.find('=');
        if (!inMainGroup || eq == std::string::npos)
            continue;
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        if (key == "Exec") {
            entry.Exec = UnescapeValue(value);
            hasExec = true;
        } else if (key == "Terminal") {
            entry.Terminal = value == "true";
        }
    }
    if (!hasExec)
        return std::nullopt;
    return entry;
}

std::vector<std::string> ExecWords(const std::string& exec, const std::string& path) {
    std::vector<std::string> words;
    bool pathPlaced = false;
    for (const std::string& raw : SplitExec(exec)) {
        std::string word;
        bool onlyCodes = true;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '%' || i + 1 == raw.size()) {
                word += raw[i];
                onlyCodes = false;
                continue;
            }
            const char code = raw[++i];
            if (code == '%') {
                word += '%';
                onlyCodes = false;
            } else if (IsFileCode(code) && !pathPlaced) {
                word += path;
                pathPlaced = true;
                onlyCodes = false;
            }
        }
        // A word of field codes that all went away is no argument at all.
        if (!onlyCodes)
            words.push_back(word);
    }
    if (!pathPlaced && !words.empty())
        words.push_back(path);
    return words;
}

std::optional<std::string> FindDesktopEntryFile(const std::string& id,
                                                const std::vector<std::string>& dataFolders) {
    std::vector<std::string> names = {id};
    for (size_t dash = id.find('-'); dash != std::string::npos; dash = id.find('-', dash + 1)) {
        std::string name = id;
        name[dash] = '/';
        names.push_back(name);
    }
    for (const std::string& folder : dataFolders) {
        for (const std::string& name : names) {
            const std::filesystem::path file =
                std::filesystem::path(folder) / "applications" / name;
            std::error_code ignored;
            if (std::filesystem::is_regular_file(file, ignored))
                return file.string();
        }
    }
    return std::nullopt;
}

std::optional<TDesktopEntry> LoadDesktopEntry(const std::string& file) {
    const std::optional<std::string> text = ReadFile(file);
    return text ? ParseDesktopEntry(*text) : std::nullopt;
}
