// The main window: a row of login fields with "Connect" and "Go Up", the
// remote directory as a detailed list, and a one-line status bar. It owns the
// FTP client and wires its controls to the login controller and the directory
// browser.
#pragma once

#include "app/certificate_trust.h"
#include "app/directory_browser.h"
#include "app/file_opener.h"
#include "app/file_type_icons.h"
#include "app/image_list.h"
#include "app/keep_alive.h"
#include "app/login_controller.h"
#include "app/message_boxes.h"
#include "app/tick_count.h"
#include "app/window_ftp_client.h"
#include "app/window_link.h"
#include "app/window_state.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TIdFTP;

struct TFormOpenFileOptions {
    // The message boxes; modal Qt boxes when not given.
    std::unique_ptr<TMessageBoxes> Boxes;
    // The file-type icon lookup of the rows.
    TFileTypeIconLookup Icons = GetFileTypeIcon;
    // The beep after an upload; runs on the GUI thread. The system's beep
    // when not given.
    std::function<void()> Beep;
    // The tick counter of the keep-alive and of the uploads' activity stamps.
    TTickSource Ticks = TickCount;
    // Where the per-server mirror folders go; the executable's folder when
    // empty.
    std::string MirrorFolder;
    // The editor command's words; EditorProgram() (SCRIVLET_EDITOR, else
    // gedit) when empty.
    std::vector<std::string> Editor;
    // The question about a server certificate that did not verify; a modal
    // Qt dialog when not given.
    std::unique_ptr<TCertificateQuestion> TrustQuestion;
    // The always-trusted certificates; TTrustedCertificates::DefaultFile()
    // when empty.
    std::string TrustedCertificatesFile;
};

class TFormOpenFile : public QWidget, private TLoginView {
public:
    explicit TFormOpenFile(TFormOpenFileOptions options = {});
    ~TFormOpenFile() override;
    TFormOpenFile(const TFormOpenFile&) = delete;
    TFormOpenFile& operator=(const TFormOpenFile&) = delete;

    // --- Handlers, each the edge at which exceptions go to the error report ---
    void FormCreate();
    void FormDestroy();
    void CheckBox1Click();
    void Button1Click();
    void FilesDblClick();
    void Timer1Timer();
    void ClientConnected();

    // --- State and parts ---
    TIdFTP& Client() { return *FClient; }
    TWindowState State;
    TImageList ImageList;
    TDirectoryBrowser& Browser() { return *FBrowser; }
    TMessageBoxes& Boxes() { return *FBoxes; }

    // Callable from any thread: a worker's text is delivered through the GUI
    // thread.
    void SetStatusText(const std::string& text) override;
    std::string StatusText() const;

    // --- Controls, in their parent's order ---
    std::unique_ptr<QVBoxLayout> Layout;
    std::unique_ptr<QFrame> Panel1;
    std::unique_ptr<QLabel> Label1;
    std::unique_ptr<QLabel> Label2;
    std::unique_ptr<QLabel> Label3;
    std::unique_ptr<QLineEdit> UserName;
    std::unique_ptr<QLineEdit> Password;
    std::unique_ptr<QLineEdit> Server;
    std::unique_ptr<QCheckBox> CheckBox1;
    std::unique_ptr<QPushButton> Button1;
    std::unique_ptr<QTreeWidget> Files;
    std::unique_ptr<QStatusBar> Stat;
    std::unique_ptr<QTimer> Timer1;

    static constexpr const char* DefaultServer = "localhost";
    // How long (ms) the client's reads wait for the server: a server that stops
    // answering fails the action with "Read Timeout" instead of freezing the
    // window for good.
    static constexpr int32_t ClientReadTimeout = 60000;

private:
    void createWindowFrame();
    void createLoginRow();
    void createList();
    void createStatusBar();
    void createClient();
    void createTimer();
    void createControllers(TFormOpenFileOptions& options);
    void createEditing(TFormOpenFileOptions& options);
    void wireEvents();

    // TLoginView
    TLoginFields LoginFields() const override;
    void ShowLoginFailure(const std::string& message) override;
    void UntickConnect() override;
    void ClearRows() override;
    void ShowDirectory(const std::string& path) override;

    std::unique_ptr<TMessageBoxes> FBoxes;
    std::unique_ptr<TCertificateQuestion> FTrustQuestion;
    TTrustedCertificates FTrusted;
    std::unique_ptr<TWindowFtpClient> FClient;
    std::unique_ptr<TLoginController> FLogin;
    std::unique_ptr<TDirectoryBrowser> FBrowser;
    std::function<void()> FBeep;
    // Shared with the edit workers: it outlives the window for those still
    // running.
    std::shared_ptr<TWindowLink> FWorkers;
    std::unique_ptr<TFileOpener> FOpener;
    std::unique_ptr<TKeepAlive> FKeepAlive;
};
