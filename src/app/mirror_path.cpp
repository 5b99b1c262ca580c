#include "app/mirror_path.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string ExecutableFolder() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return fs::current_path(error).string();
    return executable.parent_path().string();
}

std::string MirrorPath(const std::string& folder, const std::string& serverText,
                       const std::string& entryName) {
    return folder + "/" + serverText + "/" + entryName;
}

bool IsPlainEntryName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string BackupPath(const std::string& localPath) {
    return localPath + ".scrivlet-backup";
}

void MoveAsideOldCopy(const std::string& localPath) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(localPath, error)))
        return;
    fs::rename(localPath, BackupPath(localPath), error);
}
