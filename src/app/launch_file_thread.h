// The worker of one opened file: it downloads the file into its local copy,
// starts the editor on the copy, looks at the copy's stamp once a pass while
// the editor runs, and uploads the copy whenever the stamp has changed. An
// upload that cannot be made (a failure, or the window logged in elsewhere)
// leaves the file unsynced: it is tried again, at growing intervals and at
// once after each new save, for as long as the window is open, even after the
// editor has ended. Once resumed the worker owns itself and is never waited
// for; the window's link tells it when to stop.
#pragma once

#include "app/edit_journal.h"
#include "app/edit_timings.h"
#include "app/local_file_stamp.h"
#include "app/open_files.h"
#include "app/remote_facts.h"
#include "app/window_link.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TEditorProcess;
class TIdFTP;
class TUploadSnapshot;

class TLaunchFileThread {
public:
    // `files` has `key` claimed already; the worker releases it when it ends.
    // The journal learns of the file's confirmed content as it goes.
    TLaunchFileThread(std::shared_ptr<TWindowLink> ownerForm, std::shared_ptr<TOpenFiles> files,
                      std::shared_ptr<TEditJournal> journal, TOpenFileKey key,
                      std::vector<std::string> editor, std::string localPath, TEditTimings timings);

    // A worker that only uploads a copy left unsynced by an earlier run
    // (from its journal entry): no download, no editor.
    static std::unique_ptr<TLaunchFileThread> Recovering(std::shared_ptr<TWindowLink> ownerForm,
                                                         std::shared_ptr<TOpenFiles> files,
                                                         std::shared_ptr<TEditJournal> journal,
                                                         const TJournalEntry& entry,
                                                         TEditTimings timings);

    // Runs the body on a thread of its own, which destroys the worker when
    // the body ends. Throws when no thread can be made.
    static void Resume(std::unique_ptr<TLaunchFileThread> worker);
    // Workers of this process whose body has not ended yet.
    static int Running();

    // The body; never throws.
    void Execute() noexcept;

    // The window that opened the file, reached only through the link.
    const std::shared_ptr<TWindowLink> OwnerForm;
    const std::shared_ptr<TOpenFiles> OpenFiles;
    const std::shared_ptr<TEditJournal> Journal;
    // The login and remote path the file was opened from: navigating or
    // logging in elsewhere while the editor is open does not change where
    // the uploads go.
    const TOpenFileKey Key;
    // The editor command's words; empty: the user's editor for the file.
    const std::vector<std::string> EditorProgram;
    const std::string LocalPath;
    const TEditTimings Timings;
    // The local copy's stamp as last seen; none while it could not be read.
    std::optional<TFileStamp> FileStamp;

private:
    using TClock = std::chrono::steady_clock;
    // How often a wait looks whether the window is closing.
    static constexpr std::chrono::milliseconds ClosingCheck{20};
    enum class TEnd { EditorClosed, EditorNotStarted, WindowClosing };
    // PassAsked: the window asked for a pass now (it is closing).
    enum class TWait { EditorEnded, TimedOut, PassAsked, WindowClosing };
    enum class TUpload {
        Uploaded,
        KeptBoth,
        Failed,
        NotLoggedIn,
        // Changed on the server since the last download or upload.
        Conflict,
        // The user chose to upload nothing for now.
        Cancelled,
        WindowClosing
    };

    void Body();
    // False when the window began closing first.
    bool Download();
    TEnd MonitorEditor();
    // Waits one pass, or until the editor ends (when one is given) or the
    // window asks for a pass.
    TWait WaitPass(TEditorProcess* editor);
    // Pass(), and the window told when it asked for it.
    bool PassAfter(TWait waited);
    // One look at the copy, and its upload when the stamp changed or a retry
    // is due (or `retryNow`); false when the window began closing.
    bool Pass(bool retryNow);
    // From a snapshot; asks the user first when the file changed on the
    // server.
    TUpload Upload(std::string& failure, std::string& target);
    // One store of the snapshot to `target`, unless `checkServer` finds the
    // file changed on the server (Conflict).
    TUpload Store(const TUploadSnapshot& snapshot, const std::string& target, bool checkServer,
                  std::string& failure);
    // With one login again and retry when the control connection was found
    // down or the server said 421 (it closes idle connections). False on a
    // conflict.
    bool StoreWithRelogin(TIdFTP& client, const TUploadSnapshot& snapshot,
                          const std::string& target, bool checkServer);
    bool StoreOnce(TIdFTP& client, const TUploadSnapshot& snapshot, const std::string& target,
                   bool checkServer);
    // The user's answer, Cancel when the window closes first.
    TConflictChoice AskAboutConflict();
    void MarkUnsynced(bool unsynced);
    // The journal's entry: the content at FileStamp is on the server.
    void RecordConfirmedContent();
    // Uploads the recovered copy until it gets through or the window closes.
    TEnd Recover();
    // False when the window began closing (nothing is shown then).
    bool ShowStatus(const std::string& text);

    // The server's size and time of the file as last seen by this worker.
    std::optional<TRemoteFacts> FServerFacts;
    bool FUnsynced = false;
    // Made by Recovering.
    bool FRecovering = false;
    // After a conflict the user cancelled: no retry until the next save.
    bool FAwaitSave = false;
    bool FChangedSinceStart = false;
    bool FShownNotLoggedIn = false;
    // The window's latest request for a pass that this worker has seen.
    int FPassRequestSeen = 0;
    TClock::time_point FNextTry;
    std::chrono::milliseconds FRetryDelay;
};
