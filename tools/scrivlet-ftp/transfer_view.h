// What the user sees of one get or put: the progress line while it runs (only
// on a terminal) and the summary line after it (unless --quiet).
#pragma once

#include "transfer_progress.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

class TIdFTP;

class TransferView {
public:
    // `already`: bytes of the file there before (a resumed download);
    // `total`: the file's whole size when known.
    TransferView(TIdFTP& client, bool progress, bool summary, std::ostream& err, int64_t already,
                 std::optional<int64_t> total);
    // Clears the progress line and lets go of the client's work events, also
    // when the transfer failed.
    ~TransferView();
    TransferView(const TransferView&) = delete;
    TransferView& operator=(const TransferView&) = delete;

    // The transfer is done and moved `bytes`: the summary line.
    void Done(int64_t bytes);

private:
    TIdFTP& FClient;
    const bool FSummary;
    std::ostream& FErr;
    std::optional<TransferProgress> FProgress;
    const std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
};

// The size of a remote file from SIZE (213 and the number), when the server
// gives it.
std::optional<int64_t> RemoteFileSize(TIdFTP& client, const std::string& path);
