#include "app/mirror_path.h"

#include "app/app_texts.h"
#include "core/exceptions.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

std::string ExecutableFolder() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return fs::current_path(error).string();
    return executable.parent_path().string();
}

std::string MirrorRootFor(const std::string& executableFolder, const char* xdgDataHome,
                          const char* home) {
    if (::access(executableFolder.c_str(), W_OK | X_OK) == 0)
        return executableFolder;
    const std::string dataHome = xdgDataHome != nullptr && *xdgDataHome != '\0'
                                     ? std::string(xdgDataHome)
                                     : std::string(home != nullptr ? home : "") + "/.local/share";
    return dataHome + "/scrivlet/mirror";
}

std::string DefaultMirrorRoot() {
    return MirrorRootFor(ExecutableFolder(), std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

std::string MirrorPath(const std::string& folder, const std::string& serverText,
                       const std::string& remoteDir, const std::string& entryName) {
    std::string path = folder + "/" + serverText;
    size_t start = 0;
    while (start < remoteDir.size()) {
        size_t end = remoteDir.find('/', start);
        if (end == std::string::npos)
            end = remoteDir.size();
        const std::string component = remoteDir.substr(start, end - start);
        start = end + 1;
        if (component.empty())
            continue;
        if (!IsPlainEntryName(component))
            throw Exception(AppText::NotAPlainFileName(component));
        path += "/" + component;
    }
    if (!IsPlainEntryName(entryName))
        throw Exception(AppText::NotAPlainFileName(entryName));
    return path + "/" + entryName;
}

bool IsPlainEntryName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0\r\n", 4)) == std::string::npos;
}
