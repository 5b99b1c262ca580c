#include "app/login_controller.h"

#include "app/app_texts.h"
#include "app/client_lock.h"
#include "app/server_scheme.h"
#include "app/tick_count.h"
#include "core/exceptions.h"
#include "ftp/ftp_client.h"

namespace {

// The first keep-alive comes no sooner than 30 s after login: this much ahead
// plus the keep-alive's own 15 s of idle time.
constexpr uint32_t LoginActivityLead = 15000;

} // namespace

TLoginController::TLoginController(TIdFTP& client, TWindowState& state, TLoginView& view)
    : FClient(client), FState(state), FView(view) {}

void TLoginController::CheckBox1Click(bool ticked) {
    if (ticked)
        LoginAction();
    else
        LogoutAction();
}

void TLoginController::LoginAction() {
    try {
        TClientLockHold hold;
        const TLoginFields fields = FView.LoginFields();
        FView.SetStatusText(AppText::Connecting + fields.Server);
        const TServerTarget target = ParseServerText(fields.Server);
        FClient.Host = target.Host;
        FClient.Port = target.Port;
        FClient.UseTLS = target.TLS;
        FClient.Username = fields.UserName;
        FClient.Password = fields.Password;
        FState.ServerText = target.Name;
        FState.Login = {target.Name, target.Port, fields.UserName};
        FClient.ConnectServer(false, -1);
        FView.SetStatusText(AppText::LoggingIn);
        FState.LastActivity = static_cast<int32_t>(TickCount() + LoginActivityLead);
        FClient.SignOn();
        // Binary, as a relogin is: a server left in ASCII rewrites line ends
        // and may change bytes above 127, in downloads and uploads alike.
        FClient.SendTypeCommand();
        FState.LoggedIn = true;
        // The login directory need not be the root (a server without a chroot
        // puts the user in their home), and the paths built from the first
        // listing must name what it shows.
        FState.CurrentDir = FClient.RetrieveCurrentDir();
        FView.ShowDirectory("");
    } catch (const Exception& e) {
        FView.ShowLoginFailure(e.Message());
        FView.UntickConnect();
    }
}

void TLoginController::LogoutAction() {
    TClientLockHold hold;
    // From here on no worker uploads, even when the logout fails.
    FState.LoggedIn = false;
    FView.SetStatusText(AppText::LoggingOut);
    FClient.SignOff();
    FView.ClearRows();
    FView.SetStatusText(AppText::Disconnected);
}

void TLoginController::ClientConnected() {
    // Built in place: GCC 12 at -O2 warns falsely (-Wrestrict) on assigning
    // a one-character literal here.
    FState.CurrentDir.clear();
    FState.CurrentDir.push_back('/');
}

bool TLoginController::Relogin() {
    if (FClient.IsConnected())
        return false;
    FView.SetStatusText(AppText::Relogging);
    FClient.ConnectServer(true, -1);
    return true;
}
