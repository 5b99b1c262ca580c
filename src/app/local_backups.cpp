#include "app/local_backups.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* BackupInfix = ".scrivlet-backup-";
// Confirmations beyond this many are forgotten, oldest first.
constexpr size_t KeptConfirmations = 32;

std::string ConfirmedRecord(const std::string& localPath) {
    const fs::path path(localPath);
    return (path.parent_path() / ("." + path.filename().string() + ".scrivlet-confirmed")).string();
}

// One line per stamp: device, inode, size, write time in nanoseconds. The
// local seconds are left out: they move with the local offset.
std::string StampLine(const TFileStamp& stamp) {
    return std::to_string(stamp.Device) + " " + std::to_string(stamp.Inode) + " " +
           std::to_string(stamp.Size) + " " + std::to_string(stamp.WriteTimeNs);
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

// Sorting key of a backup name: its date and time, then its counter.
std::pair<std::string, int> BackupOrder(const std::string& suffix) {
    const size_t dash = suffix.find('-', 9);
    if (dash == std::string::npos)
        return {suffix, 1};
    return {suffix.substr(0, dash), std::atoi(suffix.c_str() + dash + 1)};
}

} // namespace

std::string BackupPath(const std::string& localPath, std::time_t when, int counter) {
    std::tm local{};
    ::localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string path = localPath + BackupInfix + stamp;
    if (counter > 1)
        path += "-" + std::to_string(counter);
    return path;
}

std::vector<std::string> BackupsOf(const std::string& localPath) {
    const fs::path copy(localPath);
    const std::string prefix = copy.filename().string() + BackupInfix;
    std::vector<std::pair<std::pair<std::string, int>, std::string>> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(copy.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0)
            found.push_back({BackupOrder(name.substr(prefix.size())), entry.path().string()});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a > b; });
    std::vector<std::string> backups;
    for (const auto& [order, path] : found)
        backups.push_back(path);
    return backups;
}

void RecordConfirmed(const std::string& localPath, const TFileStamp& stamp) {
    const std::string record = ConfirmedRecord(localPath);
    std::vector<std::string> lines = ReadLines(record);
    const std::string line = StampLine(stamp);
    if (std::find(lines.begin(), lines.end(), line) != lines.end())
        return;
    lines.push_back(line);
    if (lines.size() > KeptConfirmations)
        lines.erase(lines.begin(), lines.end() - KeptConfirmations);
    // Whole or not at all: a torn record would forget confirmations, which
    // only keeps backups longer.
    const std::string temporary = record + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        for (const std::string& kept : lines)
            out << kept << '\n';
        if (!out)
            return;
    }
    std::error_code error;
    fs::rename(temporary, record, error);
}

bool IsConfirmed(const std::string& localPath, const std::string& file) {
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    TFileStamp stamp;
    stamp.WriteTimeNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 +
                        static_cast<int64_t>(info.st_mtim.tv_nsec);
    stamp.Size = static_cast<int64_t>(info.st_size);
    stamp.Device = static_cast<uint64_t>(info.st_dev);
    stamp.Inode = static_cast<uint64_t>(info.st_ino);
    const std::vector<std::string> lines = ReadLines(ConfirmedRecord(localPath));
    return std::find(lines.begin(), lines.end(), StampLine(stamp)) != lines.end();
}

void MoveAsideOldCopy(const std::string& localPath) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(localPath, error)))
        return;
    const std::time_t now = std::time(nullptr);
    int counter = 1;
    while (fs::exists(fs::symlink_status(BackupPath(localPath, now, counter), error)))
        ++counter;
    fs::rename(localPath, BackupPath(localPath, now, counter), error);
    if (error)
        return;
    const std::vector<std::string> backups = BackupsOf(localPath);
    for (size_t i = KeptBackups; i < backups.size(); ++i)
        if (IsConfirmed(localPath, backups[i]))
            fs::remove(backups[i], error);
}
