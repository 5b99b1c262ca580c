#include "app/open_file_form.h"

#include "app/app_texts.h"
#include "app/client_lock.h"
#include "app/display_name.h"
#include "app/file_rows.h"
#include "app/files_view.h"
#include "app/handler_edge.h"
#include "app/mirror_path.h"
#include "app/server_address.h"
#include "app/trust_dialog.h"
#include "app/window_ftp_client.h"
#include "core/text.h"
#include "ftp/ftp_client.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <chrono>

namespace {

// Labels size themselves to their caption, as the designed sizes did in the
// designed font: with a wider substitute font a fixed width would cut it.
QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, QPoint topLeft) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->move(topLeft);
    label->adjustSize();
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* text, QRect geometry) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    return edit;
}

} // namespace

TFormOpenFile::TFormOpenFile(TFormOpenFileOptions options)
    : ImageList(FolderIcon()), FBoxes(std::move(options.Boxes)),
      FTrustQuestion(std::move(options.TrustQuestion)), FTrusted(options.TrustedCertificatesFile) {
    if (!FBoxes)
        FBoxes = MakeQtMessageBoxes(this);
    if (!FTrustQuestion)
        FTrustQuestion = MakeQtCertificateQuestion(this);
    createWindowFrame();
    createLoginRow();
    createList();
    createStatusBar();
    createClient();
    createTimer();
    createControllers(options);
    createEditing(options);
    wireEvents();
    FormCreate();
}

TFormOpenFile::~TFormOpenFile() {
    FormDestroy();
    // The rows read the client's listing and the image list in place; both
    // go with the members, before Qt deletes the list as a child.
    FileRows::Clear(*Files);
}

void TFormOpenFile::createWindowFrame() {
    setObjectName("FormOpenFile");
    setWindowTitle(AppText::Caption);
    move(192, 107);
    resize(536, 348);
    setFont(QFont("MS Sans Serif", 8));
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);
    Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
}

void TFormOpenFile::createLoginRow() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setFixedHeight(49);
    Label1 = MakeLabel(Panel1, "Label1", "User Name", {16, 8});
    Label2 = MakeLabel(Panel1, "Label2", "Password", {160, 8});
    Label3 = MakeLabel(Panel1, "Label3", "Server", {296, 8});
    UserName = MakeEdit(Panel1, "UserName", "brimol", {16, 24, 121, 21});
    Password = MakeEdit(Panel1, "Password", "pelrosta", {160, 24, 121, 21});
    Server = MakeEdit(Panel1, "Server", DefaultServer, {296, 24, 121, 21});
    CheckBox1 = new QCheckBox("Connect", Panel1);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(433, 27, 97, 17);
    CheckBox1->setChecked(false);
    Button1 = new QPushButton("Go Up", Panel1);
    Button1->setObjectName("Button1");
    Button1->setGeometry(432, 8, 49, 16);
    Layout->addWidget(Panel1);
}

void TFormOpenFile::createList() {
    Files = new TFilesView(this);
    Files->setObjectName("Files");
    Layout->addWidget(Files, 1);
    setTabOrder(UserName, Password);
    setTabOrder(Password, Server);
    setTabOrder(Server, CheckBox1);
    setTabOrder(CheckBox1, Button1);
    setTabOrder(Button1, Files);
}

void TFormOpenFile::createStatusBar() {
    Stat = new QStatusBar(this);
    Stat->setObjectName("Stat");
    Stat->setFixedHeight(19);
    Layout->addWidget(Stat);
}

void TFormOpenFile::createClient() {
    FClient = std::make_unique<TWindowFtpClient>();
    FClient->MaxLineAction = TIdMaxLineAction::maException;
    FClient->ReadTimeout = ClientReadTimeout;
    // Active mode stays the default; behind NAT or a firewall the server
    // cannot connect back, and the transfer goes passive instead.
    FClient->AcceptTimeout = ActiveConnectTimeout;
    FClient->PassiveFallback = true;
    // Raised on whichever thread runs the transfer; the text is delivered
    // through the GUI thread.
    FClient->OnPassiveFallback = [this](TIdComponent*) { SetStatusText(AppText::PassiveFallback); };
    FClient->ProxySettings().ProxyType = TIdFtpProxyType::fpcmNone;
    FClient->ProxySettings().Port = 0;
    // Asked inside the login, before USER. Only the GUI thread may show the
    // dialog: a login from anywhere else refuses what it cannot ask about.
    FClient->OnUntrustedCertificate = [this](TIdFTP* client, const TIdCertificateInfo& info) {
        return IsMainThread() && DecideCertificateTrust(FTrusted, *FTrustQuestion,
                                                        TrustKey(client->Host, client->Port), info);
    };
}

void TFormOpenFile::createTimer() {
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
}

void TFormOpenFile::createControllers(TFormOpenFileOptions& options) {
    TLoginView& view = *this;
    FLogin = std::make_unique<TLoginController>(*FClient, State, view);
    FBrowser = std::make_unique<TDirectoryBrowser>(*FClient, State, *FLogin, view, *Files,
                                                   ImageList, std::move(options.Icons));
}

void TFormOpenFile::createEditing(TFormOpenFileOptions& options) {
    TStatusLine& status = *this;
    FBeep = options.Beep ? std::move(options.Beep) : [] { QApplication::beep(); };
    // Workers ask for the beep from their own threads; it sounds on this one.
    auto beep = [this] {
        QMetaObject::invokeMethod(
            this, [this] { FBeep(); }, Qt::QueuedConnection);
    };
    auto askConflict = [this](const std::string& remotePath, const std::string& localPath,
                              std::function<void(TConflictChoice)> answer) {
        QMetaObject::invokeMethod(
            this,
            [this, remotePath, localPath, answer] {
                TConflictChoice choice = TConflictChoice::Cancel;
                RunHandler(*FBoxes, [&] { choice = FBoxes->AskConflict(remotePath, localPath); });
                answer(choice);
            },
            Qt::QueuedConnection);
    };
    FWorkers = std::make_shared<TWindowLink>(
        TEditSite{*FClient, State, status, beep, options.Ticks, askConflict});
    FOpenFiles = std::make_shared<TOpenFiles>();
    const std::string mirror =
        options.MirrorFolder.empty() ? DefaultMirrorRoot() : options.MirrorFolder;
    FJournal = std::make_shared<TEditJournal>(mirror + "/" + TEditJournal::FileName);
    FOpener = std::make_unique<TFileOpener>(State, status, FWorkers, FOpenFiles, FJournal, mirror,
                                            options.Editor, options.Timings);
    FKeepAlive = std::make_unique<TKeepAlive>(
        *FClient, State, status, [this] { return StatusText(); }, options.Ticks);
    FBrowser->OnOpenFile = [this](const TIdFTPListItem& entry) { FOpener->OpenFile(entry); };
}

void TFormOpenFile::wireEvents() {
    // `toggled` comes from a click and from a change made in code alike, which
    // the failed login relies on to log out again.
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Files, &QTreeView::doubleClicked, this, [this] { FilesDblClick(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    FClient->OnConnected = [this](TIdComponent*) { ClientConnected(); };
    Timer1->start();
}

void TFormOpenFile::FormCreate() {
    CreateClientLock();
}

void TFormOpenFile::FormDestroy() {
    Timer1->stop();
    // No worker may reach the window, its client or ClientLock from here on;
    // one in the middle of a transfer is woken by shutting the connections.
    FWorkers->Close([this] { FClient->InterruptTransfers(); },
                    std::chrono::milliseconds(ClientReadTimeout));
    DestroyClientLock();
}

bool TFormOpenFile::FormCloseQuery() {
    // An upload waits for the server at most the read time-out; a little
    // more covers the pass around it.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(ClientReadTimeout) + std::chrono::seconds(5);
    const int request = FOpenFiles->RequestPass();
    // Events go on: the passes show their texts, and may ask about a
    // conflict.
    while (!FOpenFiles->PassesDone(request) && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    const int atRisk = FOpenFiles->AtRiskCount();
    return atRisk == 0 || FBoxes->AskCloseAnyway(atRisk);
}

void TFormOpenFile::closeEvent(QCloseEvent* event) {
    bool close = true;
    RunHandler(*FBoxes, [&] { close = FormCloseQuery(); });
    if (close)
        event->accept();
    else
        event->ignore();
}

void TFormOpenFile::CheckBox1Click() {
    RunHandler(*FBoxes, [this] { FLogin->CheckBox1Click(CheckBox1->isChecked()); });
    // Outside the login's guard: a failure here is no failed login.
    if (CheckBox1->isChecked())
        RunHandler(*FBoxes, [this] { FOpener->OfferUnsynced(*FBoxes); });
}

void TFormOpenFile::Button1Click() {
    RunHandler(*FBoxes, [this] { FBrowser->Button1Click(); });
}

void TFormOpenFile::FilesDblClick() {
    RunHandler(*FBoxes, [this] { FBrowser->FilesDblClick(); });
}

void TFormOpenFile::Timer1Timer() {
    RunHandler(*FBoxes, [this] { FKeepAlive->Timer1Timer(); });
}

void TFormOpenFile::ClientConnected() {
    FLogin->ClientConnected();
}

void TFormOpenFile::SetStatusText(const std::string& text) {
    // Status texts name remote paths: bytes that are not UTF-8 show escaped.
    const QString message = QString::fromStdString(TextForDisplay(text));
    if (QThread::currentThread() == thread()) {
        showStatus(message);
        return;
    }
    // Dropped by Qt when the window is gone before the GUI thread gets to it.
    QMetaObject::invokeMethod(
        this, [this, message] { showStatus(message); }, Qt::QueuedConnection);
}

void TFormOpenFile::showStatus(const QString& text) {
    FStatusText = text.toStdString();
    // The marker is added here, on the GUI thread, so that no other text
    // wipes it while files are unsynced.
    Stat->showMessage(QString::fromStdString(
        AppText::WithUnsyncedMarker(FStatusText, FOpenFiles ? FOpenFiles->UnsyncedCount() : 0)));
}

std::string TFormOpenFile::StatusText() const {
    return FStatusText;
}

TLoginFields TFormOpenFile::LoginFields() const {
    return {UserName->text().toStdString(), Password->text().toStdString(),
            Server->text().toStdString()};
}

void TFormOpenFile::ShowLoginFailure(const std::string& message) {
    FBoxes->ShowLoginFailure(message);
}

void TFormOpenFile::UntickConnect() {
    CheckBox1->setChecked(false);
}

void TFormOpenFile::ClearRows() {
    FileRows::Clear(*Files);
}

void TFormOpenFile::ShowDirectory(const std::string& path) {
    FBrowser->ShowDirectory(path);
}
