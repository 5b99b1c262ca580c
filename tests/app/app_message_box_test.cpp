// The real message boxes: what the user reads in them. Each box is closed by
// a timer as soon as it is up, and any box still up after the deadline is
// closed too, so a test never waits on a dialog.
#include "app/message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct SeenBox {
    bool Shown = false;
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;
};

SeenBox ShowAndClose(const std::function<void()>& show) {
    SeenBox seen;
    int polls = 0;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(top);
            if (box == nullptr || !box->isVisible())
                continue;
            if (!seen.Shown) {
                seen = {true, box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
            }
            box->done(QMessageBox::Ok);
        }
        if (++polls > 1000)
            ADD_FAILURE() << "no message box came up";
    });
    poll.start();
    show();
    return seen;
}

} // namespace

TEST(QtMessageBoxes, LoginFailureShowsTheMessageAsItIsWithoutIcon) {
    const auto boxes = MakeQtMessageBoxes(nullptr);
    const SeenBox seen = ShowAndClose([&] { boxes->ShowLoginFailure("Login incorrect.\r\n"); });
    ASSERT_TRUE(seen.Shown);
    EXPECT_EQ(seen.Text.toStdString(), "Login incorrect.\r\n");
    EXPECT_EQ(seen.Icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.Buttons, QMessageBox::Ok);
    EXPECT_EQ(seen.Title.toStdString(), "test_app");
}

TEST(QtMessageBoxes, ErrorReportAddsTheFullStopAndShowsTheErrorIcon) {
    const auto boxes = MakeQtMessageBoxes(nullptr);
    const SeenBox seen = ShowAndClose([&] { boxes->ShowErrorReport("Connect timed out"); });
    ASSERT_TRUE(seen.Shown);
    EXPECT_EQ(seen.Text.toStdString(), "Connect timed out.");
    EXPECT_EQ(seen.Icon, QMessageBox::Critical);
    EXPECT_EQ(seen.Buttons, QMessageBox::Ok);
    EXPECT_EQ(seen.Title.toStdString(), "test_app");
}
