// The window as designed: controls, defaults, columns, tab order, resizing,
// the state it starts in, and exceptions that never get past a handler.
#include "window_harness.h"

#include "app/client_lock.h"
#include "app/scrivlet_application.h"
#include "ftp/ftp_client.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QHeaderView>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace {

QRect Geometry(const QWidget& w) {
    return w.geometry();
}

} // namespace

TEST(MainWindow, HasEveryControlUnderItsNameWithItsDefaults) {
    WindowHarness h;
    TFormOpenFile& form = h.Form();
    EXPECT_EQ(form.objectName(), "FormOpenFile");
    EXPECT_EQ(form.windowTitle().toStdString(),
              "Scrivlet - version 1.0 - Scrivlet developers - https://scrivlet.example.org");
    for (const char* name : {"Panel1", "Label1", "Label2", "Label3", "UserName", "Password",
                             "Server", "CheckBox1", "Button1", "Files", "Stat"})
        EXPECT_NE(form.findChild<QWidget*>(name), nullptr) << name;
    EXPECT_NE(form.findChild<QTimer*>("Timer1"), nullptr);

    EXPECT_EQ(form.Label1->text(), "User Name");
    EXPECT_EQ(form.Label2->text(), "Password");
    EXPECT_EQ(form.Label3->text(), "Server");
    EXPECT_EQ(form.UserName->text(), "brimol");
    EXPECT_EQ(form.Password->text(), "pelrosta");
    EXPECT_EQ(form.Password->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(form.Server->text(), "localhost");
    EXPECT_EQ(form.CheckBox1->text(), "Connect");
    EXPECT_FALSE(form.CheckBox1->isChecked());
    EXPECT_EQ(form.Button1->text(), "Go Up");
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 1000);
}

TEST(MainWindow, PlacesTheLoginRowAsDesigned) {
    WindowHarness h;
    TFormOpenFile& form = h.Form();
    // Labels start where designed and are as wide as their whole caption.
    EXPECT_EQ(form.Label1->pos(), QPoint(16, 8));
    EXPECT_EQ(form.Label2->pos(), QPoint(160, 8));
    EXPECT_EQ(form.Label3->pos(), QPoint(296, 8));
    for (const QLabel* label : {form.Label1, form.Label2, form.Label3})
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
            << label->text().toStdString();
    EXPECT_EQ(Geometry(*form.UserName), QRect(16, 24, 121, 21));
    EXPECT_EQ(Geometry(*form.Password), QRect(160, 24, 121, 21));
    EXPECT_EQ(Geometry(*form.Server), QRect(296, 24, 121, 21));
    EXPECT_EQ(Geometry(*form.CheckBox1), QRect(433, 27, 97, 17));
    EXPECT_EQ(Geometry(*form.Button1), QRect(432, 8, 49, 16));
}

TEST(MainWindow, ListGrowsWithTheWindowWhileLoginRowAndStatusBarKeepTheirHeight) {
    WindowHarness h;
    TFormOpenFile& form = h.Form();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.size(), QSize(536, 348));
    EXPECT_EQ(Geometry(*form.Panel1), QRect(0, 0, 536, 49));
    EXPECT_EQ(Geometry(*form.Files), QRect(0, 49, 536, 280));
    EXPECT_EQ(Geometry(*form.Stat), QRect(0, 329, 536, 19));

    form.resize(800, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(Geometry(*form.Panel1), QRect(0, 0, 800, 49));
    EXPECT_EQ(Geometry(*form.Files), QRect(0, 49, 800, 532));
    EXPECT_EQ(Geometry(*form.Stat), QRect(0, 581, 800, 19));
}

TEST(MainWindow, ListIsAnUnsortedSingleSelectionReportWithSixColumns) {
    WindowHarness h;
    TFilesView& files = *h.Form().Files;
    ASSERT_EQ(files.model()->columnCount(), 6);
    const char* captions[] = {"File name", "Owner", "Group", "Permission", "Size", "Date"};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(files.model()->headerData(c, Qt::Horizontal).toString(), captions[c]);
        EXPECT_EQ(files.columnWidth(c), c == 0 ? 150 : 50) << captions[c];
    }
    EXPECT_FALSE(files.isSortingEnabled());
    EXPECT_EQ(files.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(files.iconSize(), QSize(16, 16));
    EXPECT_FALSE(files.rootIsDecorated());
}

TEST(MainWindow, TabsThroughTheLoginRowThenTheList) {
    WindowHarness h;
    TFormOpenFile& form = h.Form();
    EXPECT_EQ(form.UserName->nextInFocusChain(), form.Password);
    EXPECT_EQ(form.Password->nextInFocusChain(), form.Server);
    EXPECT_EQ(form.Server->nextInFocusChain(), form.CheckBox1);
    EXPECT_EQ(form.CheckBox1->nextInFocusChain(), form.Button1);
    EXPECT_EQ(form.Button1->nextInFocusChain(), form.Files);
}

TEST(MainWindow, StartsEmptyAndDisconnected) {
    WindowHarness h;
    TFormOpenFile& form = h.Form();
    EXPECT_EQ(form.Files->RowCount(), 0);
    EXPECT_EQ(h.Status(), "");
    EXPECT_EQ(form.State.CurrentDir, "");
    EXPECT_EQ(form.State.LastActivity, 0);
    EXPECT_EQ(form.ImageList.Count(), 1);
    EXPECT_FALSE(form.ImageList.Image(0).isNull());
    EXPECT_FALSE(form.Client().IsConnected());
    EXPECT_EQ(form.Client().Port, 21);
    EXPECT_FALSE(form.Client().Passive);
    EXPECT_EQ(form.Client().ReadTimeout, TFormOpenFile::ClientReadTimeout);
    EXPECT_EQ(form.Client().MaxLineAction, TIdMaxLineAction::maException);
}

TEST(MainWindow, ClientLockLivesWithTheWindow) {
    {
        WindowHarness h;
        ASSERT_NE(ClientLock, nullptr);
        EXPECT_NO_THROW(TClientLockHold{});
    }
    EXPECT_EQ(ClientLock, nullptr);
    EXPECT_THROW(TClientLockHold{}, std::logic_error);
}

TEST(MainWindow, UntickingWhileNeverConnectedSendsNothingAndEndsDisconnected) {
    WindowHarness h;
    // A tick without its login, so that the click below is an untick.
    h.Form().CheckBox1->blockSignals(true);
    h.Form().CheckBox1->setChecked(true);
    h.Form().CheckBox1->blockSignals(false);
    h.ClickConnect();
    EXPECT_FALSE(h.Form().CheckBox1->isChecked());
    EXPECT_EQ(h.Statuses, (std::vector<std::string>{"Logging out...", "Disconnected"}));
    EXPECT_TRUE(h.Boxes.ErrorReports.empty());
}

namespace {

class ThrowingObject : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("Handler failed");
        return QObject::event(e);
    }
};

} // namespace

TEST(DefaultErrorReport, CatchesWhatEscapesEventDeliveryAndGoesOn) {
    auto* application = dynamic_cast<TScrivletApplication*>(QCoreApplication::instance());
    ASSERT_NE(application, nullptr);
    BoxLog log;
    RecordingBoxes boxes(log);
    application->SetErrorReport(&boxes);
    ThrowingObject target;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&target, &event));
    QEvent again(QEvent::User);
    QCoreApplication::sendEvent(&target, &again);
    application->SetErrorReport(nullptr);
    EXPECT_EQ(log.ErrorReports, (std::vector<std::string>{"Handler failed", "Handler failed"}));
}

TEST(MainWindow, StatusTextFromAnotherThreadArrivesThroughTheGuiThread) {
    WindowHarness h;
    std::thread worker([&h] { h.Form().SetStatusText("Updated /tmp/notes.txt"); });
    worker.join();
    // Not shown before the GUI thread gets to it...
    EXPECT_EQ(h.Status(), "");
    // ...and shown once it does.
    const QDeadlineTimer deadline(10000);
    while (h.Status().empty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(h.Status(), "Updated /tmp/notes.txt");
}
