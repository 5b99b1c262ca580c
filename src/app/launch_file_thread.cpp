#include "app/launch_file_thread.h"

#include "app/app_texts.h"
#include "app/client_lock.h"
#include "app/editor_command.h"
#include "app/editor_process.h"
#include "app/handler_edge.h"
#include "app/local_backups.h"
#include "app/upload_snapshot.h"
#include "core/datetime.h"
#include "core/exceptions.h"
#include "core/scope_guard.h"
#include "ftp/ftp_client.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <exception>
#include <mutex>
#include <thread>

namespace {

std::atomic<int> GRunning{0};

// The file leaves the open files when its worker ends, however it ends.
class TOpenFileRelease {
public:
    TOpenFileRelease(TOpenFiles& files, const TOpenFileKey& key) : FFiles(files), FKey(key) {}
    ~TOpenFileRelease() { FFiles.Release(FKey); }
    TOpenFileRelease(const TOpenFileRelease&) = delete;
    TOpenFileRelease& operator=(const TOpenFileRelease&) = delete;

private:
    TOpenFiles& FFiles;
    const TOpenFileKey& FKey;
};

} // namespace

TLaunchFileThread::TLaunchFileThread(std::shared_ptr<TWindowLink> ownerForm,
                                     std::shared_ptr<TOpenFiles> files,
                                     std::shared_ptr<TEditJournal> journal, TOpenFileKey key,
                                     std::vector<std::string> editor, std::string localPath,
                                     TEditTimings timings)
    : OwnerForm(std::move(ownerForm)), OpenFiles(std::move(files)), Journal(std::move(journal)),
      Key(std::move(key)), EditorProgram(std::move(editor)), LocalPath(std::move(localPath)),
      Timings(timings), FRetryDelay(timings.RetryFirst) {}

std::unique_ptr<TLaunchFileThread> TLaunchFileThread::Recovering(
    std::shared_ptr<TWindowLink> ownerForm, std::shared_ptr<TOpenFiles> files,
    std::shared_ptr<TEditJournal> journal, const TJournalEntry& entry, TEditTimings timings) {
    auto worker = std::make_unique<TLaunchFileThread>(
        std::move(ownerForm), std::move(files), std::move(journal), entry.Key,
        std::vector<std::string>{}, entry.LocalPath, timings);
    worker->FRecovering = true;
    worker->FServerFacts = entry.ServerFacts;
    return worker;
}

void TLaunchFileThread::Resume(std::unique_ptr<TLaunchFileThread> worker) {
    ++GRunning;
    const TScopeFail notStarted([] { --GRunning; });
    std::thread([worker = std::move(worker)]() mutable {
        worker->Execute();
        worker.reset();
        --GRunning;
    }).detach();
}

int TLaunchFileThread::Running() {
    return GRunning.load();
}

void TLaunchFileThread::Execute() noexcept {
    const TOpenFileRelease release(*OpenFiles, Key);
    try {
        Body();
    } catch (...) {
        // Only a failure to show a failure ends up here; there is nowhere
        // left to show it.
    }
}

void TLaunchFileThread::Body() {
    if (FRecovering) {
        if (Recover() == TEnd::EditorClosed)
            Journal->Forget(Key);
        return;
    }
    try {
        if (!Download())
            return;
    } catch (...) {
        ShowStatus(AppText::DownloadFailed(LocalPath, UncaughtMessage(std::current_exception())));
        return;
    }
    FileStamp = LocalFileStamp(LocalPath);
    RecordConfirmedContent();
    const TEnd end = MonitorEditor();
    if (end == TEnd::WindowClosing)
        return;
    // Everything is on the server: nothing to offer after a crash.
    Journal->Forget(Key);
    if (end == TEnd::EditorClosed)
        ShowStatus(AppText::Closed + LocalPath);
}

TLaunchFileThread::TEnd TLaunchFileThread::Recover() {
    FileStamp = LocalFileStamp(LocalPath);
    FUnsynced = true;
    FNextTry = TClock::now();
    OpenFiles->SetWatched(Key, true);
    MarkUnsynced(true);
    while (FUnsynced) {
        if (!Pass(false))
            return TEnd::WindowClosing;
        if (!FUnsynced)
            break;
        const TWait waited = WaitPass(nullptr);
        if (waited == TWait::WindowClosing || !PassAfter(waited))
            return TEnd::WindowClosing;
    }
    return TEnd::EditorClosed;
}

void TLaunchFileThread::RecordConfirmedContent() {
    if (!FileStamp)
        return;
    RecordConfirmed(LocalPath, *FileStamp);
    Journal->Record({Key, LocalPath, FileStamp, FServerFacts.value_or(TRemoteFacts{})});
}

bool TLaunchFileThread::Download() {
    bool done = false;
    OwnerForm->WithWindow([this, &done](TEditSite& site) {
        TClientLockHold hold;
        if (OwnerForm->Closing())
            return;
        // Asked before the transfer: a change made between the two can only
        // cause a question too many, never a change overwritten.
        const TRemoteFacts facts = AskRemoteFacts(site.Client, Key.RemotePath);
        site.Client.RetrieveFile(Key.RemotePath, LocalPath, false, false);
        // A download the server aborted is short: editing it and saving would
        // overwrite the server's whole file with the part that arrived.
        if (site.Client.LastTransferAborted)
            throw EIdException(TIdMsg::FtpTransferAborted);
        FServerFacts = facts;
        done = true;
    });
    return done;
}

TLaunchFileThread::TEnd TLaunchFileThread::MonitorEditor() {
    TEditorProcess process;
    const std::vector<std::string> command = EditorCommandFor(EditorProgram, LocalPath);
    if (!process.Start(command)) {
        ShowStatus(
            AppText::EditorNotStarted(CommandText(command), std::strerror(process.StartError())));
        return TEnd::EditorNotStarted;
    }
    const TClock::time_point started = TClock::now();
    OpenFiles->SetEditorRunning(Key, true);
    OpenFiles->SetWatched(Key, true);
    FPassRequestSeen = OpenFiles->PassRequest();
    bool editorRuns = true;
    for (;;) {
        const TWait waited = WaitPass(editorRuns ? &process : nullptr);
        if (waited == TWait::WindowClosing)
            return TEnd::WindowClosing;
        if (!ShowStatus(AppText::MonitoringText(LocalPath, DateTimeToText(Now()))))
            return TEnd::WindowClosing;
        // The pass that saw the editor end is completed first, so a save made
        // just before it closed is still uploaded.
        if (!PassAfter(waited))
            return TEnd::WindowClosing;
        if (waited != TWait::EditorEnded)
            continue;
        // An editor that hands the file to an instance already running (one
        // started without its wait flag) ends at once: the file is watched
        // as if it still ran, until the window closes.
        if (!FChangedSinceStart && TClock::now() - started < Timings.QuickExit) {
            editorRuns = false;
            if (!ShowStatus(AppText::EditorReturnedAtOnce + LocalPath))
                return TEnd::WindowClosing;
            continue;
        }
        break;
    }
    OpenFiles->SetEditorRunning(Key, false);
    // What the user saved must still reach the server after the editor ends.
    while (FUnsynced) {
        const TWait waited = WaitPass(nullptr);
        if (waited == TWait::WindowClosing || !PassAfter(waited))
            return TEnd::WindowClosing;
    }
    return TEnd::EditorClosed;
}

TLaunchFileThread::TWait TLaunchFileThread::WaitPass(TEditorProcess* editor) {
    const TClock::time_point deadline = TClock::now() + Timings.Pass;
    for (;;) {
        if (editor != nullptr && editor->HasEnded())
            return TWait::EditorEnded;
        if (OpenFiles->PassRequest() != FPassRequestSeen)
            return TWait::PassAsked;
        const TClock::time_point now = TClock::now();
        if (now >= deadline)
            return TWait::TimedOut;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        if (OwnerForm->WaitForClosing(std::min(left, ClosingCheck)))
            return TWait::WindowClosing;
    }
}

bool TLaunchFileThread::PassAfter(TWait waited) {
    const int request = OpenFiles->PassRequest();
    const bool asked = waited == TWait::PassAsked || request != FPassRequestSeen;
    // Asked for by the closing window: an unsynced file is tried now, not at
    // its next retry.
    if (!Pass(asked))
        return false;
    if (asked) {
        FPassRequestSeen = request;
        OpenFiles->PassDone(Key, request);
    }
    return true;
}

bool TLaunchFileThread::Pass(bool retryNow) {
    // A copy without a readable stamp (deleted, unreadable) is no change:
    // there would be nothing to upload.
    const std::optional<TFileStamp> seen = LocalFileStamp(LocalPath);
    if (!seen)
        return true;
    if (seen != FileStamp) {
        // Read afresh, so that a save between the two readings is not missed
        // by the next pass.
        const std::optional<TFileStamp> fresh = LocalFileStamp(LocalPath);
        if (!fresh)
            return true;
        FileStamp = fresh;
        FChangedSinceStart = true;
        FUnsynced = true;
        FAwaitSave = false;
    } else if (!FUnsynced || FAwaitSave || (!retryNow && TClock::now() < FNextTry)) {
        return true;
    }
    std::string failure;
    std::string target;
    const TUpload result = Upload(failure, target);
    switch (result) {
    case TUpload::WindowClosing: return false;
    case TUpload::KeptBoth:
    case TUpload::Uploaded: {
        FUnsynced = false;
        FShownNotLoggedIn = false;
        FRetryDelay = Timings.RetryFirst;
        MarkUnsynced(false);
        RecordConfirmedContent();
        const std::string done = result == TUpload::KeptBoth ? AppText::KeptBoth(LocalPath, target)
                                                             : AppText::Updated + LocalPath;
        return OwnerForm->WithWindow([&done](TEditSite& site) {
            site.Beep();
            site.Status.SetStatusText(done);
        });
    }
    case TUpload::Conflict:
    case TUpload::Cancelled:
        MarkUnsynced(true);
        FAwaitSave = true;
        return ShowStatus(AppText::ConflictCancelled(LocalPath));
    case TUpload::Failed:
        MarkUnsynced(true);
        FNextTry = TClock::now() + FRetryDelay;
        FRetryDelay = std::min(FRetryDelay * 2, Timings.RetryMax);
        return ShowStatus(AppText::UploadFailed(LocalPath, failure));
    case TUpload::NotLoggedIn:
        // Looked at again every pass: it costs nothing on the network.
        MarkUnsynced(true);
        FNextTry = TClock::now();
        if (FShownNotLoggedIn)
            return true;
        FShownNotLoggedIn = true;
        return ShowStatus(
            AppText::NotLoggedInToUpload(LocalPath, Key.Session.User, Key.Session.ServerText));
    }
    return true;
}

void TLaunchFileThread::MarkUnsynced(bool unsynced) {
    OpenFiles->SetUnsynced(Key, unsynced);
}

bool TLaunchFileThread::ShowStatus(const std::string& text) {
    return OwnerForm->WithWindow([&text](TEditSite& site) { site.Status.SetStatusText(text); });
}
