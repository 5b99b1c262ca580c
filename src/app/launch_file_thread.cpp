#include "app/launch_file_thread.h"

#include "app/app_texts.h"
#include "app/client_lock.h"
#include "app/editor_command.h"
#include "app/editor_process.h"
#include "app/handler_edge.h"
#include "app/local_file_stamp.h"
#include "core/datetime.h"
#include "core/exceptions.h"
#include "ftp/ftp_client.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <exception>
#include <thread>

namespace {

std::atomic<int> GRunning{0};

// How long the editor is waited for per pass, and how often the wait looks
// whether the window is closing.
constexpr std::chrono::milliseconds PassLength{1000};
constexpr std::chrono::milliseconds ClosingCheck{20};

} // namespace

TLaunchFileThread::TLaunchFileThread(std::shared_ptr<TWindowLink> ownerForm,
                                     std::vector<std::string> editor, std::string localPath,
                                     std::string remotePath)
    : OwnerForm(std::move(ownerForm)), EditorProgram(std::move(editor)),
      LocalPath(std::move(localPath)), RemotePath(std::move(remotePath)) {}

void TLaunchFileThread::Resume(std::unique_ptr<TLaunchFileThread> worker) {
    ++GRunning;
    try {
        std::thread([worker = std::move(worker)]() mutable {
            worker->Execute();
            worker.reset();
            --GRunning;
        }).detach();
    } catch (...) {
        --GRunning;
        throw;
    }
}

int TLaunchFileThread::Running() {
    return GRunning.load();
}

void TLaunchFileThread::Execute() noexcept {
    try {
        Body();
    } catch (...) {
        // Only a failure to show a failure ends up here; there is nowhere
        // left to show it.
    }
}

void TLaunchFileThread::Body() {
    try {
        if (!Download())
            return;
    } catch (...) {
        ShowStatus(AppText::DownloadFailed(LocalPath, UncaughtMessage(std::current_exception())));
        return;
    }
    FileStamp = LocalFileStamp(LocalPath);
    try {
        if (MonitorEditor(EditorProgram, LocalPath) != TEnd::EditorClosed)
            return;
    } catch (...) {
        // The editor keeps running, but its saves no longer reach the server:
        // the user must learn that.
        ShowStatus(AppText::UploadFailed(LocalPath, UncaughtMessage(std::current_exception())));
        return;
    }
    ShowStatus(AppText::Closed + LocalPath);
}

bool TLaunchFileThread::Download() {
    bool done = false;
    OwnerForm->WithWindow([this, &done](TEditSite& site) {
        TClientLockHold hold;
        if (OwnerForm->Closing())
            return;
        site.Client.RetrieveFile(RemotePath, LocalPath, false, false);
        // A download the server aborted is short: editing it and saving would
        // overwrite the server's whole file with the part that arrived.
        if (site.Client.LastTransferAborted)
            throw EIdException(TIdMsg::FtpTransferAborted);
        done = true;
    });
    return done;
}

TLaunchFileThread::TEnd TLaunchFileThread::MonitorEditor(const std::vector<std::string>& editor,
                                                         const std::string& localPath) {
    TEditorProcess process;
    const std::vector<std::string> command = EditorCommandFor(editor, localPath);
    if (!process.Start(command)) {
        ShowStatus(
            AppText::EditorNotStarted(CommandText(command), std::strerror(process.StartError())));
        return TEnd::EditorNotStarted;
    }
    for (;;) {
        const TWait waited = WaitForEditor(process);
        if (waited == TWait::WindowClosing)
            return TEnd::WindowClosing;
        if (!ShowStatus(AppText::MonitoringText(localPath, DateTimeToText(Now()))))
            return TEnd::WindowClosing;
        if (!UploadWhenChanged(localPath))
            return TEnd::WindowClosing;
        // The pass that saw the editor end is completed first, so a save made
        // just before it closed is still uploaded.
        if (waited == TWait::EditorEnded)
            return TEnd::EditorClosed;
    }
}

TLaunchFileThread::TWait TLaunchFileThread::WaitForEditor(TEditorProcess& editor) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + PassLength;
    for (;;) {
        if (editor.HasEnded())
            return TWait::EditorEnded;
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return TWait::TimedOut;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        if (OwnerForm->WaitForClosing(std::min(left, ClosingCheck)))
            return TWait::WindowClosing;
    }
}

bool TLaunchFileThread::UploadWhenChanged(const std::string& localPath) {
    // A copy without a readable time (deleted, unreadable) is no change: there
    // would be nothing to upload.
    const std::optional<int64_t> seen = LocalFileStamp(localPath);
    if (!seen || seen == FileStamp)
        return true;
    // Read afresh, so that a save between the two readings is not missed by
    // the next pass.
    const std::optional<int64_t> fresh = LocalFileStamp(localPath);
    if (!fresh)
        return true;
    FileStamp = fresh;
    if (!Upload())
        return false;
    return OwnerForm->WithWindow([&localPath](TEditSite& site) {
        site.Beep();
        site.Status.SetStatusText(AppText::Updated + localPath);
    });
}

bool TLaunchFileThread::Upload() {
    bool done = false;
    OwnerForm->WithWindow([this, &done](TEditSite& site) {
        TClientLockHold hold;
        if (OwnerForm->Closing())
            return;
        site.Client.StoreFile(LocalPath, RemotePath, false);
        if (site.Client.LastTransferAborted)
            throw EIdException(TIdMsg::FtpTransferAborted);
        site.State.LastActivity = static_cast<int32_t>(site.Ticks());
        done = true;
    });
    return done;
}

bool TLaunchFileThread::ShowStatus(const std::string& text) {
    return OwnerForm->WithWindow([&text](TEditSite& site) { site.Status.SetStatusText(text); });
}
