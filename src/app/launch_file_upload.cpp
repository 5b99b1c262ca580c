// The upload of one save: a snapshot of the copy, the check that nobody
// changed the server's file meanwhile (with the user's answer when somebody
// did), the store with one fresh login when the server had dropped the
// connection, and the server's size checked against the bytes sent.
#include "app/launch_file_thread.h"

#include "app/app_texts.h"
#include "app/client_lock.h"
#include "app/handler_edge.h"
#include "app/local_backups.h"
#include "app/upload_snapshot.h"
#include "core/exceptions.h"
#include "core/scope_guard.h"
#include "ftp/ftp_client.h"

#include <ctime>
#include <exception>
#include <mutex>

namespace {

// Logs in again with what the client holds (the worker's own login: it
// checked that first), without the window's OnConnected: the window's
// CurrentDir belongs to the GUI thread and keeps naming what the list shows.
void LogInAgain(TIdFTP& client) {
    TNotifyEvent connected = std::move(client.OnConnected);
    client.OnConnected = nullptr;
    const TScopeExit restore([&] { client.OnConnected = std::move(connected); });
    client.DropConnection();
    // With AutoLogin the client sends TYPE I after the login, as the
    // window's own login does.
    client.ConnectServer(true, -1);
}

void StoreFileAt(TIdFTP& client, const std::string& localPath, const std::string& remotePath) {
    client.StoreFile(localPath, remotePath, false);
    if (client.LastTransferAborted)
        throw EIdException(TIdMsg::FtpTransferAborted);
}

// The user's answer to a conflict question, handed over from the GUI thread.
class TAnswerSlot {
public:
    void Set(TConflictChoice choice) {
        std::lock_guard<std::mutex> hold(FMutex);
        FChoice = choice;
    }
    std::optional<TConflictChoice> Get() const {
        std::lock_guard<std::mutex> hold(FMutex);
        return FChoice;
    }

private:
    mutable std::mutex FMutex;
    std::optional<TConflictChoice> FChoice;
};

} // namespace

TLaunchFileThread::TUpload TLaunchFileThread::Upload(std::string& failure, std::string& target) {
    std::optional<TUploadSnapshot> snapshot;
    try {
        snapshot.emplace(LocalPath);
    } catch (const std::exception& e) {
        failure = e.what();
        return TUpload::Failed;
    }
    // What is uploaded is what the snapshot holds.
    FileStamp = snapshot->Stamp();
    target = Key.RemotePath;
    const TUpload checked = Store(*snapshot, target, true, failure);
    if (checked != TUpload::Conflict)
        return checked;
    switch (AskAboutConflict()) {
    case TConflictChoice::Overwrite: return Store(*snapshot, target, false, failure);
    case TConflictChoice::KeepBoth: {
        target = KeepBothPath(Key.RemotePath, std::time(nullptr));
        const TUpload kept = Store(*snapshot, target, false, failure);
        return kept == TUpload::Uploaded ? TUpload::KeptBoth : kept;
    }
    case TConflictChoice::Cancel: break;
    }
    return TUpload::Cancelled;
}

TLaunchFileThread::TUpload TLaunchFileThread::Store(const TUploadSnapshot& snapshot,
                                                    const std::string& target, bool checkServer,
                                                    std::string& failure) {
    TUpload result = TUpload::WindowClosing;
    OwnerForm->WithWindowUploading([&](TEditSite& site) {
        TClientLockHold hold;
        if (OwnerForm->Closing())
            return;
        // Logged out, or logged in to another server or as another user:
        // the same path there is another file.
        if (!site.State.LoggedIn || !(site.State.Login == Key.Session)) {
            result = TUpload::NotLoggedIn;
            return;
        }
        try {
            if (!StoreWithRelogin(site.Client, snapshot, target, checkServer)) {
                result = TUpload::Conflict;
                return;
            }
            site.State.LastActivity = static_cast<int32_t>(site.Ticks());
            result = TUpload::Uploaded;
        } catch (...) {
            failure = UncaughtMessage(std::current_exception());
            result = TUpload::Failed;
        }
    });
    return result;
}

bool TLaunchFileThread::StoreWithRelogin(TIdFTP& client, const TUploadSnapshot& snapshot,
                                         const std::string& target, bool checkServer) {
    if (!client.IsConnected()) {
        LogInAgain(client);
        return StoreOnce(client, snapshot, target, checkServer);
    }
    try {
        return StoreOnce(client, snapshot, target, checkServer);
    } catch (const EIdProtocolReplyError& e) {
        if (e.ReplyCode != 421)
            throw;
    } catch (const EIdException&) {
        if (client.IsConnected())
            throw;
    }
    LogInAgain(client);
    return StoreOnce(client, snapshot, target, checkServer);
}

bool TLaunchFileThread::StoreOnce(TIdFTP& client, const TUploadSnapshot& snapshot,
                                  const std::string& target, bool checkServer) {
    if (checkServer && FServerFacts &&
        RemoteFactsDiffer(*FServerFacts, AskRemoteFacts(client, Key.RemotePath)))
        return false;
    StoreFileAt(client, snapshot.Path(), target);
    const TRemoteFacts stored = AskRemoteFacts(client, target);
    // A short file the server took for whole (a cut data connection) is a
    // failed upload.
    if (stored.Size >= 0 && stored.Size != snapshot.Size())
        throw Exception(AppText::SizeMismatch(stored.Size, snapshot.Size()));
    if (target == Key.RemotePath)
        FServerFacts = stored;
    return true;
}

TConflictChoice TLaunchFileThread::AskAboutConflict() {
    const auto slot = std::make_shared<TAnswerSlot>();
    const bool asked = OwnerForm->WithWindow([this, &slot](TEditSite& site) {
        site.AskConflict(Key.RemotePath, LocalPath,
                         [slot](TConflictChoice choice) { slot->Set(choice); });
    });
    if (!asked)
        return TConflictChoice::Cancel;
    for (;;) {
        if (const std::optional<TConflictChoice> choice = slot->Get())
            return *choice;
        if (OwnerForm->WaitForClosing(ClosingCheck))
            return TConflictChoice::Cancel;
    }
}
