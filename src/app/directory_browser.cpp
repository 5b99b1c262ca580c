#include "app/directory_browser.h"

#include "app/app_texts.h"
#include "app/client_lock.h"
#include "app/file_rows.h"
#include "app/files_view.h"
#include "app/login_controller.h"
#include "app/remote_path.h"
#include "ftp/ftp_client.h"

#include <vector>

TDirectoryBrowser::TDirectoryBrowser(TIdFTP& client, TWindowState& state, TLoginController& login,
                                     TStatusLine& status, TFilesView& files, TImageList& images,
                                     TFileTypeIconLookup icons)
    : FClient(client), FState(state), FLogin(login), FStatus(status), FFiles(files),
      FImages(images), FIcons(std::move(icons)) {}

void TDirectoryBrowser::ShowDirectory(std::string Path) {
    TClientLockHold hold;
    // A new connection starts at "/", but the rows about to be shown are of
    // Path, and later navigation must resolve against what is shown.
    if (FLogin.Relogin())
        FState.CurrentDir = Path.empty() ? FClient.RetrieveCurrentDir() : Path;
    FStatus.SetStatusText(AppText::Retrieving + Path);
    std::vector<std::string> rawLines;
    FClient.ListDirectory(&rawLines, Path, true);
    TIdFTPListItems& entries = FClient.DirectoryEntries();
    const int files = FileRows::Fill(FFiles, FImages, FIcons, entries);
    FStatus.SetStatusText(AppText::ListingCounts(Path, files, entries.Count() - files));
}

void TDirectoryBrowser::FilesDblClick() {
    const int index = FFiles.SelectedRow();
    if (index < 0)
        return;
    const TIdFTPListItem& entry = FClient.DirectoryEntries().Items(index);
    if (entry.EntryKind == fekDirectory || entry.EntryKind == fekSymbolicLink) {
        FState.CurrentDir = JoinRemotePath(FState.CurrentDir, entry.EntryName);
        ShowDirectory(FState.CurrentDir);
    } else if (OnOpenFile) {
        OnOpenFile(entry);
    }
}

void TDirectoryBrowser::Button1Click() {
    FState.CurrentDir = GoUpPath(FState.CurrentDir);
    ShowDirectory(FState.CurrentDir);
}
