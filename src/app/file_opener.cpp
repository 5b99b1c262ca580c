#include "app/file_opener.h"

#include "app/app_texts.h"
#include "app/launch_file_thread.h"
#include "app/local_backups.h"
#include "app/mirror_path.h"
#include "app/remote_path.h"
#include "ftp/list_item.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

// Gives the claim back unless a worker took it over.
class TClaim {
public:
    TClaim(TOpenFiles& files, const TOpenFileKey& key) : FFiles(files), FKey(key) {}
    ~TClaim() {
        if (!FHandedOver)
            FFiles.Release(FKey);
    }
    TClaim(const TClaim&) = delete;
    TClaim& operator=(const TClaim&) = delete;
    void HandOver() { FHandedOver = true; }

private:
    TOpenFiles& FFiles;
    const TOpenFileKey& FKey;
    bool FHandedOver = false;
};

} // namespace

TFileOpener::TFileOpener(TWindowState& state, TStatusLine& status,
                         std::shared_ptr<TWindowLink> workers, std::shared_ptr<TOpenFiles> files,
                         std::shared_ptr<TEditJournal> journal, std::string mirrorFolder,
                         std::vector<std::string> editor, TEditTimings timings)
    : FState(state), FStatus(status), FWorkers(std::move(workers)), FFiles(std::move(files)),
      FJournal(std::move(journal)), FMirrorFolder(std::move(mirrorFolder)),
      FEditor(std::move(editor)), FTimings(timings) {}

void TFileOpener::OpenFile(const TIdFTPListItem& entry) {
    const std::string localPath =
        MirrorPath(FMirrorFolder, FState.ServerText, FState.CurrentDir, entry.EntryName);
    const TOpenFileKey key{FState.Login, JoinRemotePath(FState.CurrentDir, entry.EntryName)};
    // A second download would replace the copy an editor still has open.
    if (!FFiles->Claim(key, localPath)) {
        FStatus.SetStatusText(AppText::AlreadyOpen + FFiles->LocalPathOf(key).value_or(localPath));
        return;
    }
    TClaim claim(*FFiles, key);
    MoveAsideOldCopy(localPath);
    // A folder that cannot be made is not reported here: the download fails
    // on the worker and says so.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(localPath).parent_path(), ignored);
    auto worker = std::make_unique<TLaunchFileThread>(FWorkers, FFiles, FJournal, key, FEditor,
                                                      localPath, FTimings);
    TLaunchFileThread::Resume(std::move(worker));
    claim.HandOver();
}

void TFileOpener::OfferUnsynced(TMessageBoxes& boxes) {
    if (!FState.LoggedIn)
        return;
    const std::vector<TJournalEntry> unsynced = FJournal->UnsyncedOf(FState.Login);
    // Entries of copies that are on the server (or gone), left by a run that
    // ended while they were open, have nothing more to tell.
    for (const TJournalEntry& entry : FJournal->Entries()) {
        const bool listed =
            std::any_of(unsynced.begin(), unsynced.end(),
                        [&entry](const TJournalEntry& u) { return u.Key == entry.Key; });
        if (entry.Key.Session == FState.Login && !listed && !FFiles->LocalPathOf(entry.Key))
            FJournal->Forget(entry.Key);
    }
    for (const TJournalEntry& entry : unsynced) {
        // A file open now is its worker's business.
        if (FFiles->LocalPathOf(entry.Key))
            continue;
        switch (boxes.AskUploadUnsynced(entry.Key.RemotePath, entry.LocalPath)) {
        case TUnsyncedChoice::Upload: {
            if (!FFiles->Claim(entry.Key, entry.LocalPath))
                break;
            TClaim claim(*FFiles, entry.Key);
            TLaunchFileThread::Resume(
                TLaunchFileThread::Recovering(FWorkers, FFiles, FJournal, entry, FTimings));
            claim.HandOver();
            break;
        }
        case TUnsyncedChoice::Forget: FJournal->Forget(entry.Key); break;
        case TUnsyncedChoice::Leave: break;
        }
    }
}
