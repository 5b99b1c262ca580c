#include "app/file_opener.h"

#include "app/app_texts.h"
#include "app/launch_file_thread.h"
#include "app/mirror_path.h"
#include "app/remote_path.h"
#include "core/exceptions.h"
#include "ftp/list_item.h"

#include <filesystem>
#include <system_error>

TFileOpener::TFileOpener(TWindowState& state, std::shared_ptr<TWindowLink> workers,
                         std::string mirrorFolder, std::vector<std::string> editor)
    : FState(state), FWorkers(std::move(workers)), FMirrorFolder(std::move(mirrorFolder)),
      FEditor(std::move(editor)) {}

void TFileOpener::OpenFile(const TIdFTPListItem& entry) {
    if (!IsPlainEntryName(entry.EntryName))
        throw Exception(AppText::NotAPlainFileName(entry.EntryName));
    const std::string localPath = MirrorPath(FMirrorFolder, FState.ServerText, entry.EntryName);
    MoveAsideOldCopy(localPath);
    // A folder that cannot be made is not reported here: the download fails
    // on the worker and says so.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(localPath).parent_path(), ignored);
    TLaunchFileThread::Resume(std::make_unique<TLaunchFileThread>(
        FWorkers, FEditor, localPath, JoinRemotePath(FState.CurrentDir, entry.EntryName)));
}
