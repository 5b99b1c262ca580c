#include "transfer_view.h"

#include "cli_run.h"
#include "core/text.h"
#include "ftp/ftp_client.h"

TransferView::TransferView(TIdFTP& client, bool progress, bool summary, std::ostream& err,
                           int64_t already, std::optional<int64_t> total)
    : FClient(client), FSummary(summary), FErr(err) {
    if (!progress)
        return;
    FProgress.emplace(err, already, total);
    FProgress->Follow(client);
}

TransferView::~TransferView() {
    if (!FProgress)
        return;
    FClient.OnWork = nullptr;
    FClient.OnWorkBegin = nullptr;
    FClient.OnWorkEnd = nullptr;
    FProgress->Finish();
}

void TransferView::Done(int64_t bytes) {
    if (FProgress)
        FProgress->Finish();
    if (!FSummary)
        return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
    FErr << FormatTransferSummary(bytes, seconds) << '\n';
}

std::optional<int64_t> RemoteFileSize(TIdFTP& client, const std::string& path) {
    // Asked only of a server that may know it (FEAT), as the client does.
    const int64_t size = client.Size(path);
    if (size < 0)
        return std::nullopt;
    return size;
}
