// The keep-alive of an idle control connection: at a timer tick, when the
// client is connected and nothing counting as activity (a login, an upload)
// happened for more than 15000 ms, "/ping.ftp" is stored with 14 fixed bytes.
#pragma once

#include "app/window_link.h"
#include "app/window_state.h"

#include <cstdint>
#include <functional>
#include <string>

class TIdFTP;

class TKeepAlive {
public:
    static constexpr const char* PingPath = "/ping.ftp";
    static constexpr const char* PingContent = "VORANTE PELSIK";
    static constexpr int32_t IdleLimit = 15000;

    // `readStatus` gives the status bar's current text.
    TKeepAlive(TIdFTP& client, TWindowState& state, TStatusLine& status,
               std::function<std::string()> readStatus, TTickSource ticks);

    // The timer's tick, on the GUI thread; skipped when another thread holds
    // ClientLock (a worker's transfer), so the window never waits. A failed store leaves
    // LastActivity as it was, so the next tick tries again. The first failure
    // of a run of failures leaves as an exception (for the default error
    // report); the later ones of the run only show on the status bar, so that
    // a server refusing every ping does not pile up a report a second. A
    // success ends the run.
    void Timer1Timer();

    // The idle time: `now` minus `lastActivity` modulo 2^32, read as signed.
    // A stamp that lies ahead (as after login) reads as negative and the
    // counter's wrap-around does no harm; a stamp more than 2^31 ms (about
    // 24.8 days) old also reads as lying ahead.
    static int32_t IdleTime(uint32_t now, int32_t lastActivity);

private:
    void Ping();
    std::string TextToRestore(const std::string& remembered) const;

    TIdFTP& FClient;
    TWindowState& FState;
    TStatusLine& FStatus;
    std::function<std::string()> FReadStatus;
    TTickSource FTicks;
    bool FFailing = false;
    // The status text from before the first failure of the current run.
    std::string FTextBeforeFailures;
};
