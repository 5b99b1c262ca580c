#include "app/directory_browser.h"

#include "app/app_texts.h"
#include "app/client_lock.h"
#include "app/file_rows.h"
#include "app/files_view.h"
#include "app/login_controller.h"
#include "app/remote_path.h"
#include "ftp/ftp_client.h"

#include <vector>

namespace {

// Puts CurrentDir back as it was unless the listing got through.
class TCurrentDirKeeper {
public:
    explicit TCurrentDirKeeper(std::string& currentDir)
        : FCurrentDir(currentDir), FPrevious(currentDir) {}
    ~TCurrentDirKeeper() {
        if (!FCommitted)
            FCurrentDir = FPrevious;
    }
    TCurrentDirKeeper(const TCurrentDirKeeper&) = delete;
    TCurrentDirKeeper& operator=(const TCurrentDirKeeper&) = delete;

    const std::string& Previous() const { return FPrevious; }
    void Commit(const std::string& shown) {
        FCurrentDir = shown;
        FCommitted = true;
    }

private:
    std::string& FCurrentDir;
    const std::string FPrevious;
    bool FCommitted = false;
};

} // namespace

TDirectoryBrowser::TDirectoryBrowser(TIdFTP& client, TWindowState& state, TLoginController& login,
                                     TStatusLine& status, TFilesView& files, TImageList& images,
                                     TFileTypeIconLookup icons)
    : FClient(client), FState(state), FLogin(login), FStatus(status), FFiles(files),
      FImages(images), FIcons(std::move(icons)) {}

void TDirectoryBrowser::ShowDirectory(std::string Path) {
    TClientLockHold hold;
    // CurrentDir names the folder the rows show: a listing that fails leaves
    // both as they were (a relogin on the way resets CurrentDir to "/").
    TCurrentDirKeeper keeper(FState.CurrentDir);
    std::string listed = Path;
    if (FLogin.Relogin() && Path.empty())
        listed = FClient.RetrieveCurrentDir();
    FStatus.SetStatusText(AppText::Retrieving + Path);
    const bool wasPassive = FClient.Passive;
    std::vector<std::string> rawLines;
    FClient.ListDirectory(&rawLines, Path, true);
    TIdFTPListItems& entries = FClient.DirectoryEntries();
    const int files = FileRows::Fill(FFiles, FImages, FIcons, entries);
    // The login's first listing (empty path) keeps the directory the login
    // found.
    keeper.Commit(listed.empty() ? keeper.Previous() : listed);
    FStatus.SetStatusText(AppText::ListingCounts(Path, files, entries.Count() - files));
    // The listing went passive after a wait: the bar says why, once it shows.
    if (FClient.Passive && !wasPassive && FClient.PassiveFallback)
        FStatus.SetStatusText(AppText::PassiveFallback);
}

void TDirectoryBrowser::FilesDblClick() {
    const int index = FFiles.SelectedRow();
    if (index < 0)
        return;
    const TIdFTPListItem& entry = FClient.DirectoryEntries().Items(index);
    if (entry.EntryKind == fekDirectory || entry.EntryKind == fekSymbolicLink)
        ShowDirectory(JoinRemotePath(FState.CurrentDir, entry.EntryName));
    else if (OnOpenFile)
        OnOpenFile(entry);
}

void TDirectoryBrowser::Button1Click() {
    ShowDirectory(GoUpPath(FState.CurrentDir));
}
