#include "app/keep_alive.h"

#include "app/app_texts.h"
#include "app/client_lock.h"
#include "core/streams.h"
#include "ftp/ftp_client.h"

#include <cstring>
#include <exception>

TKeepAlive::TKeepAlive(TIdFTP& client, TWindowState& state, TStatusLine& status,
                       std::function<std::string()> readStatus, TTickSource ticks)
    : FClient(client), FState(state), FStatus(status), FReadStatus(std::move(readStatus)),
      FTicks(std::move(ticks)) {}

int32_t TKeepAlive::IdleTime(uint32_t now, int32_t lastActivity) {
    return static_cast<int32_t>(now - static_cast<uint32_t>(lastActivity));
}

void TKeepAlive::Timer1Timer() {
    // A client another thread holds is busy, not idle: this tick is skipped.
    const TClientLockTry hold;
    if (!hold.Held() || !FClient.IsConnected() ||
        IdleTime(FTicks(), FState.LastActivity) <= IdleLimit)
        return;
    const std::string remembered = FReadStatus();
    FStatus.SetStatusText(AppText::Pinging);
    try {
        Ping();
    } catch (const std::exception& e) {
        if (FFailing) {
            FStatus.SetStatusText(AppText::KeepAliveFailed(e.what()));
            return;
        }
        // Set before the report is shown: its dialog runs further ticks.
        FFailing = true;
        FTextBeforeFailures = remembered;
        throw;
    }
    FState.LastActivity = static_cast<int32_t>(FTicks());
    FStatus.SetStatusText(TextToRestore(remembered));
    FFailing = false;
}

void TKeepAlive::Ping() {
    TMemoryStream stream;
    stream.Write(PingContent, static_cast<int64_t>(std::strlen(PingContent)));
    FClient.StoreStream(stream, PingPath, false);
}

std::string TKeepAlive::TextToRestore(const std::string& remembered) const {
    // After a run of failures the text seen before this ping is the keep-
    // alive's own; the one from before the run is what the user had.
    if (FFailing &&
        (remembered == AppText::Pinging || remembered.rfind(AppText::KeepAliveFailed(""), 0) == 0))
        return FTextBeforeFailures;
    return remembered;
}
