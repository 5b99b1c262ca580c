#include "app/remote_path.h"

std::string JoinRemotePath(const std::string& Dir, const std::string& Name) {
    if (Dir == "/")
        return "/" + Name;
    return Dir + "/" + Name;
}

std::string GoUpPath(const std::string& Dir) {
    const size_t slash = Dir.rfind('/');
    const std::string up = slash == std::string::npos ? Dir : Dir.substr(0, slash);
    return up.empty() ? "/" : up;
}
