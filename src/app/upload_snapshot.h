// The bytes one upload sends: a copy of the local copy taken at the start of
// the upload, beside it (hidden), so that an editor rewriting the file in
// place during the upload cannot make it send a mix or a truncated file. The
// copy counts only when the file's stamp did not change while it was read.
#pragma once

#include "app/local_file_stamp.h"

#include <string>

class TUploadSnapshot {
public:
    // Throws Exception when the file cannot be read or keeps changing.
    explicit TUploadSnapshot(const std::string& localPath);
    // Removes the copy.
    ~TUploadSnapshot();
    TUploadSnapshot(const TUploadSnapshot&) = delete;
    TUploadSnapshot& operator=(const TUploadSnapshot&) = delete;

    const std::string& Path() const { return FPath; }
    // The local copy's stamp when the bytes were taken.
    const TFileStamp& Stamp() const { return FStamp; }
    int64_t Size() const { return FStamp.Size; }

private:
    std::string FPath;
    TFileStamp FStamp;
};
