// The file branch of the list's double-click: the local copy's place in the
// mirror, the old copy moved aside, the folders made, and a worker started.
// A file already open under the same login is not opened again. The handler
// returns at once; the download happens on the worker.
#pragma once

#include "app/edit_journal.h"
#include "app/edit_timings.h"
#include "app/message_boxes.h"
#include "app/open_files.h"
#include "app/window_link.h"
#include "app/window_state.h"

#include <memory>
#include <string>
#include <vector>

class TIdFTPListItem;

class TFileOpener {
public:
    // `mirrorFolder` holds the per-server folders; `editor` is the editor
    // command's words (empty: the user's editor for each file).
    TFileOpener(TWindowState& state, TStatusLine& status, std::shared_ptr<TWindowLink> workers,
                std::shared_ptr<TOpenFiles> files, std::shared_ptr<TEditJournal> journal,
                std::string mirrorFolder, std::vector<std::string> editor, TEditTimings timings);

    // Throws Exception (for the default error report) when the entry's name
    // or a folder of CurrentDir is not a plain name; nothing is written then.
    void OpenFile(const TIdFTPListItem& entry);

    // After a login: each copy an earlier run left unsynced on this login
    // (killed, crashed) is offered for upload; Leave keeps it in the journal
    // for the next login, Forget drops it.
    void OfferUnsynced(TMessageBoxes& boxes);

private:
    TWindowState& FState;
    TStatusLine& FStatus;
    std::shared_ptr<TWindowLink> FWorkers;
    std::shared_ptr<TOpenFiles> FFiles;
    std::shared_ptr<TEditJournal> FJournal;
    std::string FMirrorFolder;
    std::vector<std::string> FEditor;
    TEditTimings FTimings;
};
