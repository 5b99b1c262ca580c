// The main window: a row of login fields with "Connect" and "Go Up", the
// remote directory as a detailed list, and a one-line status bar. It owns the
// FTP client and wires its controls to the login controller and the directory
// browser.
#pragma once

#include "app/certificate_trust.h"
#include "app/directory_browser.h"
#include "app/edit_timings.h"
#include "app/file_opener.h"
#include "app/file_type_icons.h"
#include "app/files_view.h"
#include "app/image_list.h"
#include "app/keep_alive.h"
#include "app/login_controller.h"
#include "app/message_boxes.h"
#include "app/open_files.h"
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
    // Where the per-server mirror folders go; DefaultMirrorRoot() when empty.
    std::string MirrorFolder;
    // The edit workers' pass, retry back-off and quick-exit rule.
    TEditTimings Timings;
    // The editor command's words; when empty, the user's editor is found for
    // each file (SCRIVLET_EDITOR, VISUAL, EDITOR, the desktop's default
    // application, else gedit).
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
    // Before closing: one last pass of every open file, then, when files
    // are still unsynced or open in an editor, the user's yes. False keeps
    // the window open.
    bool FormCloseQuery();
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
    // thread. While files are unsynced the bar shows the text with their
    // marker at its end.
    void SetStatusText(const std::string& text) override;
    // The last text set, without the marker.
    std::string StatusText() const;
    TOpenFiles& OpenFiles() { return *FOpenFiles; }

    // --- Controls, in their parent's order ---
    // Owned by their Qt parents (the window, or Panel1 for the login row), as
    // in Qt's own examples; they live as long as the window.
    QVBoxLayout* Layout = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* UserName = nullptr;
    QLineEdit* Password = nullptr;
    QLineEdit* Server = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    TFilesView* Files = nullptr;
    QStatusBar* Stat = nullptr;
    QTimer* Timer1 = nullptr;

    static constexpr const char* DefaultServer = "localhost";
    // How long (ms) the client's reads wait for the server: a server that stops
    // answering fails the action with "Read Timeout" instead of freezing the
    // window for good.
    static constexpr int32_t ClientReadTimeout = 60000;
    // How long (ms) an active transfer waits for the server to connect back
    // before it runs again in passive mode.
    static constexpr int32_t ActiveConnectTimeout = 10000;

protected:
    void closeEvent(QCloseEvent* event) override;

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
    void showStatus(const QString& text);

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
    std::shared_ptr<TOpenFiles> FOpenFiles;
    std::shared_ptr<TEditJournal> FJournal;
    std::unique_ptr<TFileOpener> FOpener;
    std::string FStatusText;
    std::unique_ptr<TKeepAlive> FKeepAlive;
};
