#include "app/upload_snapshot.h"

#include "app/app_texts.h"
#include "core/exceptions.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Reads of a file that changed meanwhile before the upload gives up (and is
// tried again later, as a failed one).
constexpr int SnapshotAttempts = 4;

std::string SnapshotPathOf(const std::string& localPath) {
    const fs::path path(localPath);
    return (path.parent_path() / ("." + path.filename().string() + ".scrivlet-upload")).string();
}

} // namespace

TUploadSnapshot::TUploadSnapshot(const std::string& localPath) : FPath(SnapshotPathOf(localPath)) {
    for (int attempt = 0; attempt < SnapshotAttempts; ++attempt) {
        const std::optional<TFileStamp> before = LocalFileStamp(localPath);
        std::error_code error;
        if (!before ||
            !fs::copy_file(localPath, FPath, fs::copy_options::overwrite_existing, error))
            throw Exception(AppText::SnapshotFailed(error.message()));
        const std::optional<TFileStamp> after = LocalFileStamp(localPath);
        if (after == before && LocalFileStamp(FPath) &&
            LocalFileStamp(FPath)->Size == before->Size) {
            FStamp = *before;
            return;
        }
    }
    std::error_code ignored;
    fs::remove(FPath, ignored);
    throw Exception(AppText::SnapshotFailed(AppText::KeptChanging));
}

TUploadSnapshot::~TUploadSnapshot() {
    std::error_code ignored;
    fs::remove(FPath, ignored);
}
