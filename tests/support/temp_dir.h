// A fresh directory under /tmp that is removed with everything in it when the
// object goes away; plus small whole-file helpers for tests that set up or
// check files in it.
#pragma once

#include <string>
#include <string_view>

class TempDir {
public:
    // Throws std::runtime_error when the directory cannot be made.
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Absolute path, without a trailing "/".
    const std::string& Path() const { return FPath; }
    // Path of `relative` inside the directory.
    std::string File(std::string_view relative) const;

private:
    std::string FPath;
};

// Writes `bytes` to `path` (creating missing parent folders, replacing the
// file); throws std::runtime_error on failure.
void WriteFileBytes(const std::string& path, std::string_view bytes);
// The whole content of `path`; throws std::runtime_error when it cannot be read.
std::string ReadFileBytes(const std::string& path);
