#include "app/editor_resolution.h"

#include "app/desktop_entry.h"
#include "app/editor_command.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

struct TWaitFlag {
    const char* Program;
    // The flag added, then other spellings that mean the same.
    std::vector<std::string> Spellings;
};

const std::vector<TWaitFlag>& WaitFlags() {
    static const std::vector<TWaitFlag> flags = {
        {"gedit", {"--wait", "-w"}},        {"kate", {"--block", "-b"}},
        {"code", {"--wait", "-w"}},         {"gvim", {"-f", "--nofork"}},
        {"mousepad", {"--disable-server"}}, {"geany", {"-i", "--new-instance"}},
    };
    return flags;
}

std::string ProgramName(const std::vector<std::string>& words) {
    return std::filesystem::path(words[0]).filename().string();
}

// Editors that open a window of their own, so VISUAL or EDITOR naming one
// needs no terminal around it.
bool OpensAWindow(const std::vector<std::string>& words) {
    static const std::vector<std::string> graphical = {
        "gedit", "kate",  "code",       "gvim",    "mousepad",          "geany", "kwrite",
        "xed",   "pluma", "featherpad", "leafpad", "gnome-text-editor", "subl",  "emacs"};
    const std::string program = ProgramName(words);
    if (program == "emacs")
        for (const std::string& word : words)
            if (word == "-nw" || word == "--no-window-system")
                return false;
    for (const std::string& name : graphical)
        if (program == name)
            return true;
    return false;
}

// The parts of a colon-separated list, empty ones left out.
std::vector<std::string> ListParts(const std::string& list) {
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        const size_t colon = list.find(':', start);
        std::string part = list.substr(start, colon == std::string::npos ? colon : colon - start);
        if (!part.empty())
            parts.push_back(std::move(part));
        if (colon == std::string::npos)
            return parts;
        start = colon + 1;
    }
}

std::optional<std::string> SetValue(const TEditorEnvironment& environment,
                                    const std::string& name) {
    std::optional<std::string> value = environment.Variable(name);
    if (value && SplitCommandWords(*value).empty())
        return std::nullopt;
    return value;
}

bool InPath(const TEditorEnvironment& environment, const std::string& program) {
    const std::string path = environment.Variable("PATH").value_or("/usr/local/bin:/usr/bin:/bin");
    for (const std::string& folder : ListParts(path)) {
        const std::string file = folder + "/" + program;
        std::error_code ignored;
        if (::access(file.c_str(), X_OK) == 0 && !std::filesystem::is_directory(file, ignored))
            return true;
    }
    return false;
}

// A terminal editor's words inside the desktop's terminal window.
std::vector<std::string> InTerminal(const TEditorEnvironment& environment,
                                    const std::vector<std::string>& words) {
    std::vector<std::string> wrapped = {
        InPath(environment, "x-terminal-emulator") ? "x-terminal-emulator" : "xterm", "-e"};
    wrapped.insert(wrapped.end(), words.begin(), words.end());
    return wrapped;
}

std::optional<std::vector<std::string>> DesktopDefault(const TEditorEnvironment& environment,
                                                       const std::string& path,
                                                       const std::string& mimeType) {
    if (mimeType.empty() || !environment.DefaultApplication)
        return std::nullopt;
    const std::string id = environment.DefaultApplication(mimeType);
    if (id.empty())
        return std::nullopt;
    const std::optional<std::string> file = FindDesktopEntryFile(id, DataFolders(environment));
    if (!file)
        return std::nullopt;
    const std::optional<TDesktopEntry> entry = LoadDesktopEntry(*file);
    if (!entry)
        return std::nullopt;
    std::vector<std::string> words = ExecWords(entry->Exec, path);
    if (words.empty())
        return std::nullopt;
    words = WithWaitFlag(std::move(words));
    return entry->Terminal ? InTerminal(environment, words) : words;
}

} // namespace

std::vector<std::string> WithWaitFlag(std::vector<std::string> words) {
    if (words.empty())
        return words;
    const std::string program = ProgramName(words);
    for (const TWaitFlag& flag : WaitFlags()) {
        if (program != flag.Program)
            continue;
        for (const std::string& spelling : flag.Spellings)
            for (size_t i = 1; i < words.size(); ++i)
                if (words[i] == spelling)
                    return words;
        words.insert(words.begin() + 1, flag.Spellings.front());
        return words;
    }
    return words;
}

std::vector<std::string> DataFolders(const TEditorEnvironment& environment) {
    std::vector<std::string> folders;
    const std::optional<std::string> home = environment.Variable("XDG_DATA_HOME");
    if (home && !home->empty())
        folders.push_back(*home);
    else if (const std::optional<std::string> user = environment.Variable("HOME"))
        folders.push_back(*user + "/.local/share");
    std::vector<std::string> shared = ListParts(environment.Variable("XDG_DATA_DIRS").value_or(""));
    if (shared.empty())
        shared = {"/usr/local/share", "/usr/share"};
    folders.insert(folders.end(), shared.begin(), shared.end());
    return folders;
}

std::vector<std::string> ResolveEditor(const TEditorEnvironment& environment,
                                       const std::string& path, const std::string& mimeType) {
    if (const std::optional<std::string> own = SetValue(environment, EditorVariable)) {
        std::vector<std::string> words = SplitCommandWords(*own);
        words.push_back(path);
        return words;
    }
    for (const char* name : {"VISUAL", "EDITOR"}) {
        const std::optional<std::string> value = SetValue(environment, name);
        if (!value)
            continue;
        std::vector<std::string> words = SplitCommandWords(*value);
        words.push_back(path);
        return OpensAWindow(words) ? WithWaitFlag(words) : InTerminal(environment, words);
    }
    if (std::optional<std::vector<std::string>> words = DesktopDefault(environment, path, mimeType))
        return *words;
    std::vector<std::string> words = SplitCommandWords(DefaultEditorCommand);
    words.push_back(path);
    return words;
}
