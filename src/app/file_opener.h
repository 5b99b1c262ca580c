// The file branch of the list's double-click: the local copy's place in the
// mirror folder, the old copy moved aside, the folders made, and a worker
// started. The handler returns at once; the download happens on the worker.
#pragma once

#include "app/window_link.h"
#include "app/window_state.h"

#include <memory>
#include <string>
#include <vector>

class TIdFTPListItem;

class TFileOpener {
public:
    // `mirrorFolder` holds the per-server folders (the executable's folder in
    // the program); `editor` is the editor command's words (empty: the
    // user's editor for each file).
    TFileOpener(TWindowState& state, std::shared_ptr<TWindowLink> workers, std::string mirrorFolder,
                std::vector<std::string> editor);

    // Throws Exception (for the default error report) when the entry's name
    // is not a plain file name; nothing is written then.
    void OpenFile(const TIdFTPListItem& entry);

private:
    TWindowState& FState;
    std::shared_ptr<TWindowLink> FWorkers;
    std::string FMirrorFolder;
    std::vector<std::string> FEditor;
};
