// What the window remembers besides its controls, shared by the login
// controller, the directory browser and (later) the edit workers.
#pragma once

#include "app/session_key.h"

#include <cstdint>
#include <string>

struct TWindowState {
    // The remote directory the window works in; empty until the first
    // connection, then a path starting with "/".
    std::string CurrentDir;
    // Tick count (TickCount) of the last activity that counts for the
    // keep-alive; written only while holding ClientLock.
    int32_t LastActivity = 0;
    // The Server box as typed at the last login, "host:port" included: the
    // client's Host holds only the host part.
    std::string ServerText;
    // The login the fields asked for at the last login, and whether it
    // succeeded and has not been logged out since (Connect ticked). Edit
    // workers upload only while the window is logged in to their login.
    TSessionKey Login;
    bool LoggedIn = false;
};

// Where status texts go: the window's one-line status bar.
class TStatusLine {
public:
    virtual ~TStatusLine() = default;
    virtual void SetStatusText(const std::string& text) = 0;
};
