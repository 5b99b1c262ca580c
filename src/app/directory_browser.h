// Shows a remote directory in the list view `Files` and walks the remote
// tree: double-click enters a folder or a link, "Go Up" goes to the parent.
#pragma once

#include "app/file_type_icons.h"
#include "app/image_list.h"
#include "app/window_state.h"

#include <functional>
#include <string>

class TFilesView;
class TIdFTP;
class TIdFTPListItem;
class TLoginController;

class TDirectoryBrowser {
public:
    TDirectoryBrowser(TIdFTP& client, TWindowState& state, TLoginController& login,
                      TStatusLine& status, TFilesView& files, TImageList& images,
                      TFileTypeIconLookup icons);

    // Lists `Path` (empty: the server's working directory) into the rows,
    // holding ClientLock throughout; catches nothing. `Path` is a copy because
    // callers pass CurrentDir, which a relogin resets on the way.
    void ShowDirectory(std::string Path);
    void FilesDblClick();
    void Button1Click();

    // What a double-click on a file row does; nothing until set.
    std::function<void(const TIdFTPListItem& entry)> OnOpenFile;

private:
    TIdFTP& FClient;
    TWindowState& FState;
    TLoginController& FLogin;
    TStatusLine& FStatus;
    TFilesView& FFiles;
    TImageList& FImages;
    TFileTypeIconLookup FIcons;
};
