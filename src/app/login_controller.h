// Logging in and out of the window's one FTP client, driven by the "Connect"
// check box, and logging in again by itself when a listing finds the
// connection gone.
#pragma once

#include "app/window_state.h"

#include <string>

class TIdFTP;

struct TLoginFields {
    std::string UserName;
    std::string Password;
    std::string Server;
};

// What the controller needs from the window.
class TLoginView : public TStatusLine {
public:
    virtual TLoginFields LoginFields() const = 0;
    // The login failure dialog; returns when the user has closed it.
    virtual void ShowLoginFailure(const std::string& message) = 0;
    // Unticks "Connect" from code, which runs the logout action.
    virtual void UntickConnect() = 0;
    virtual void ClearRows() = 0;
    // The directory browser's listing.
    virtual void ShowDirectory(const std::string& path) = 0;
};

class TLoginController {
public:
    TLoginController(TIdFTP& client, TWindowState& state, TLoginView& view);

    // The check box's state after a click (or a change from code).
    void CheckBox1Click(bool ticked);
    // A failure of the base exception class is shown in the login failure
    // dialog and undone by unticking the box; others leave to the caller.
    void LoginAction();
    // Catches nothing.
    void LogoutAction();
    // The client's OnConnected: every new control connection starts at "/".
    void ClientConnected();
    // Connects and logs in with the settings the client holds when the client
    // is not connected; true when it did. Runs inside ShowDirectory's hold of
    // ClientLock and catches nothing.
    bool Relogin();

private:
    TIdFTP& FClient;
    TWindowState& FState;
    TLoginView& FView;
};
