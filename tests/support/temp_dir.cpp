#include "support/temp_dir.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

TempDir::TempDir() {
    char pattern[] = "/tmp/scrivlet-test-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
        throw std::runtime_error(std::string("test peer: mkdtemp: ") + std::strerror(errno));
    FPath = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
}

std::string TempDir::File(std::string_view relative) const {
    return FPath + "/" + std::string(relative);
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
    const std::filesystem::path target(path);
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("test peer: cannot write " + path);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("test peer: cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
