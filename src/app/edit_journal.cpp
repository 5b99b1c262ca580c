#include "app/edit_journal.h"

#include "core/text.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace {

// Fields are separated by tabs; a tab, a line end or a backslash inside one
// is written with a backslash.
std::string Escape(const std::string& text) {
    return BackslashEscaped(text, "\t\n\\");
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
    }
    return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(
            line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

std::string LineOf(const TJournalEntry& entry) {
    std::ostringstream line;
    line << Escape(entry.Key.Session.ServerText) << '\t' << entry.Key.Session.Port << '\t'
         << Escape(entry.Key.Session.User) << '\t' << Escape(entry.Key.RemotePath) << '\t'
         << Escape(entry.LocalPath) << '\t';
    if (entry.Confirmed)
        line << entry.Confirmed->Device << '\t' << entry.Confirmed->Inode << '\t'
             << entry.Confirmed->Size << '\t' << entry.Confirmed->WriteTimeNs;
    else
        line << "-\t-\t-\t-";
    char date[40];
    std::snprintf(date, sizeof date, "%.17g", entry.ServerFacts.Date);
    line << '\t' << entry.ServerFacts.Size << '\t' << date;
    return line.str();
}

std::optional<TJournalEntry> EntryOf(const std::string& line) {
    const std::vector<std::string> f = SplitTabs(line);
    if (f.size() != 11)
        return std::nullopt;
    try {
        TJournalEntry entry;
        entry.Key.Session = {Unescape(f[0]), std::stoi(f[1]), Unescape(f[2])};
        entry.Key.RemotePath = Unescape(f[3]);
        entry.LocalPath = Unescape(f[4]);
        if (f[5] != "-") {
            TFileStamp stamp;
            stamp.Device = std::stoull(f[5]);
            stamp.Inode = std::stoull(f[6]);
            stamp.Size = std::stoll(f[7]);
            stamp.WriteTimeNs = std::stoll(f[8]);
            entry.Confirmed = stamp;
        }
        entry.ServerFacts.Size = std::stoll(f[9]);
        entry.ServerFacts.Date = std::stod(f[10]);
        return entry;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The parts of a stamp a crash leaves meaningful (the local seconds move
// with the local offset).
bool SameContentStamp(const TFileStamp& a, const TFileStamp& b) {
    return a.Device == b.Device && a.Inode == b.Inode && a.Size == b.Size &&
           a.WriteTimeNs == b.WriteTimeNs;
}

} // namespace

TEditJournal::TEditJournal(std::string path) : FPath(std::move(path)) {
    std::ifstream in(FPath);
    for (std::string line; std::getline(in, line);)
        if (const std::optional<TJournalEntry> entry = EntryOf(line))
            FEntries.push_back(*entry);
}

void TEditJournal::Record(const TJournalEntry& entry) {
    std::lock_guard<std::mutex> hold(FMutex);
    bool replaced = false;
    for (TJournalEntry& kept : FEntries) {
        if (!(kept.Key < entry.Key) && !(entry.Key < kept.Key)) {
            kept = entry;
            replaced = true;
        }
    }
    if (!replaced)
        FEntries.push_back(entry);
    Write();
}

void TEditJournal::Forget(const TOpenFileKey& key) {
    std::lock_guard<std::mutex> hold(FMutex);
    std::erase_if(FEntries, [&key](const TJournalEntry& entry) {
        return !(entry.Key < key) && !(key < entry.Key);
    });
    Write();
}

std::vector<TJournalEntry> TEditJournal::Entries() const {
    std::lock_guard<std::mutex> hold(FMutex);
    return FEntries;
}

std::vector<TJournalEntry> TEditJournal::UnsyncedOf(const TSessionKey& session) const {
    std::vector<TJournalEntry> unsynced;
    for (const TJournalEntry& entry : Entries()) {
        if (!(entry.Key.Session == session))
            continue;
        const std::optional<TFileStamp> now = LocalFileStamp(entry.LocalPath);
        if (now && (!entry.Confirmed || !SameContentStamp(*now, *entry.Confirmed)))
            unsynced.push_back(entry);
    }
    return unsynced;
}

void TEditJournal::Write() const {
    // A journal that cannot be written costs only the offer after a crash;
    // editing goes on.
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(FPath).parent_path(), error);
    const std::string temporary = FPath + ".new";
    std::string text;
    for (const TJournalEntry& entry : FEntries)
        text += LineOf(entry) + "\n";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n <= 0)
            break;
        written += static_cast<size_t>(n);
    }
    const bool complete = written == text.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (complete)
        std::filesystem::rename(temporary, FPath, error);
    else
        std::filesystem::remove(temporary, error);
}
