#include "netrc.h"

#include "core/text.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class NetrcWords {
public:
    explicit NetrcWords(const std::string& text) : FText(text) {}

    // The next word; none at the end of the text.
    std::optional<std::string> Next() {
        for (;;) {
            SkipBlanks();
            if (FAt >= FText.size())
                return std::nullopt;
            if (FText[FAt] != '#')
                break;
            SkipLine();
        }
        if (FText[FAt] == '"')
            return Quoted();
        std::string word;
        while (FAt < FText.size() && !IsBlank(FText[FAt]))
            word += FText[FAt++];
        return word;
    }

    // Skips a macro's body: the lines up to and including the next empty one.
    void SkipMacro() {
        SkipLine();
        while (FAt < FText.size()) {
            const size_t end = FText.find('\n', FAt);
            const std::string line =
                FText.substr(FAt, end == std::string::npos ? std::string::npos : end - FAt);
            FAt = end == std::string::npos ? FText.size() : end + 1;
            if (Trim(line).empty())
                return;
        }
    }

private:
    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    void SkipBlanks() {
        while (FAt < FText.size() && IsBlank(FText[FAt]))
            ++FAt;
    }

    void SkipLine() {
        const size_t end = FText.find('\n', FAt);
        FAt = end == std::string::npos ? FText.size() : end + 1;
    }

    std::string Quoted() {
        std::string word;
        ++FAt;
        while (FAt < FText.size() && FText[FAt] != '"') {
            if (FText[FAt] == '\\' && FAt + 1 < FText.size())
                ++FAt;
            word += FText[FAt++];
        }
        ++FAt;
        return word;
    }

    const std::string& FText;
    size_t FAt = 0;
};

bool Fits(const NetrcEntry& entry, const std::optional<std::string>& user) {
    return !user || !entry.Login || *entry.Login == *user;
}

} // namespace

std::vector<NetrcEntry> ParseNetrc(const std::string& text) {
    std::vector<NetrcEntry> entries;
    NetrcWords words(text);
    while (const std::optional<std::string> word = words.Next()) {
        if (*word == "machine") {
            entries.push_back({words.Next().value_or(""), std::nullopt, std::nullopt});
        } else if (*word == "default") {
            entries.push_back({});
        } else if (*word == "macdef") {
            words.Next();
            words.SkipMacro();
        } else if (*word == "login" || *word == "password" || *word == "account") {
            const std::optional<std::string> value = words.Next();
            if (entries.empty() || !value)
                continue;
            if (*word == "login")
                entries.back().Login = value;
            else if (*word == "password")
                entries.back().Password = value;
        }
    }
    return entries;
}

std::optional<NetrcEntry> FindNetrcEntry(const std::vector<NetrcEntry>& entries,
                                         const std::string& host,
                                         const std::optional<std::string>& user) {
    for (const NetrcEntry& entry : entries)
        if (!entry.Machine.empty() && UpperCase(entry.Machine) == UpperCase(host) &&
            Fits(entry, user))
            return entry;
    for (const NetrcEntry& entry : entries)
        if (entry.Machine.empty() && Fits(entry, user))
            return entry;
    return std::nullopt;
}

std::vector<NetrcEntry> ReadNetrcFile(const std::string& path, std::ostream& warnings) {
    if (path.empty())
        return {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct FdCloser {
        int Fd;
        ~FdCloser() { ::close(Fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        warnings << "scrivlet-ftp: warning: " << path
                 << " may be read by others, so it is not used (chmod 600 it)\n";
        return {};
    }
    std::string text;
    char block[4096];
    for (ssize_t n; (n = ::read(fd, block, sizeof block)) != 0;) {
        if (n < 0)
            return {};
        text.append(block, static_cast<size_t>(n));
    }
    return ParseNetrc(text);
}

std::string DefaultNetrcPath() {
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? std::string(home) + "/.netrc" : std::string();
}
