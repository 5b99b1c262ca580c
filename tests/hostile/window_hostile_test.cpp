// The window against servers that stop answering and under load: a read
// time-out shows like any other failure, and eight files edited at once have
// every save uploaded intact.
#include "active_data_peer.h"
#include "edit_harness.h"

#include "app/app_texts.h"
#include "app/error_report.h"
#include "support/fake_ftp_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

namespace {

constexpr const char* ListingReplies = "150 Here comes the listing\r\n226 Done\r\n";

std::string ServerText(int port) {
    return "127.0.0.1:" + std::to_string(port);
}

TEST(WindowReadTimeout, TheClientWaitsAMinuteAtMostByDefault) {
    TempDir mirror;
    EditWindow w(mirror.Path(), {"/bin/true"});
    EXPECT_EQ(w.Form().Client().ReadTimeout, 60000);
}

TEST(WindowReadTimeout, ServerSilentDuringLoginShowsReadTimeoutInTheLoginDialog) {
    FakeFtpServer server;
    server.Reply("331 Password required").NoReply().NoReply();
    TempDir mirror;
    EditWindow w(mirror.Path(), {"/bin/true"});
    w.Form().Client().ReadTimeout = 300;
    w.Form().Server->setText(QString::fromStdString(ServerText(server.Port())));
    w.Form().CheckBox1->setChecked(true);
    EXPECT_EQ(w.LoginFailures, (Texts{"Read Timeout"}));
    EXPECT_FALSE(w.Form().CheckBox1->isChecked());
    EXPECT_EQ(w.Form().StatusText(), "Disconnected");
    EXPECT_FALSE(w.Form().Client().IsConnected());
}

TEST(WindowReadTimeout, ServerSilentDuringAListingShowsReadTimeoutInTheErrorReport) {
    FakeFtpServer server;
    server.Reply("331 Password required")
        .Reply("230 Logged in")
        .Reply("200 Type set to I")
        .Reply("257 \"/\" is the current directory")
        .Reply("200 PORT ok")
        .ReplyRaw(ListingReplies)
        .NoReply();
    ActiveDataPeer data(server, {"-rw-r--r--   1 brimol   users   12 Mar 01  2024 todo.txt\r\n"});
    TempDir mirror;
    EditWindow w(mirror.Path(), {"/bin/true"});
    w.Form().Client().ReadTimeout = 300;
    w.LogIn(server.Port());
    ASSERT_EQ(data.Delivered(), 1);
    w.Form().Button1->click();
    ASSERT_EQ(w.ErrorReports, (Texts{"Read Timeout"}));
    EXPECT_EQ(ErrorReportText(w.ErrorReports[0]), "Read Timeout.");
    // The rows of the last good listing stay.
    EXPECT_EQ(w.Form().Files->RowCount(), 1);
}

// Eight files open in eight editors at once, each saved three times two
// seconds apart: every save is uploaded once, whole, to its own file.
TEST(EightFilesAtOnce, EverySaveReachesTheServerIntact) {
    constexpr int Files = 8;
    constexpr int Saves = 3;
    auto name = [](int i) { return "file" + std::to_string(i) + ".txt"; };
    auto content = [](const std::string& file, int save) {
        std::string text;
        for (int line = 0; line < 50; ++line)
            text += file + " save " + std::to_string(save) + " line " + std::to_string(line) + "\n";
        return text;
    };
    LoggedFtpd ftpd;
    for (int i = 0; i < Files; ++i)
        WriteFileBytes(ftpd.RootFile(name(i)), "original " + name(i) + "\n");
    TempDir mirror;
    TempDir pids;
    EditWindow w(mirror.Path(), {"/usr/bin/python3", SCRIVLET_HOSTILE_TEST_DIR "/saving_editor.py",
                                 std::to_string(Saves), "2", pids.Path()});
    w.LogIn(ftpd.Port());
    for (int i = 0; i < Files; ++i)
        ASSERT_TRUE(w.DoubleClick(name(i))) << name(i);

    const std::string folder = mirror.Path() + "/" + ServerText(ftpd.Port()) + "/";
    // Each server copy as it changes, whole versions only (a read may catch an
    // upload half way).
    std::map<std::string, Texts> seen;
    auto watch = [&] {
        for (int i = 0; i < Files; ++i) {
            std::ifstream in(ftpd.RootFile(name(i)), std::ios::binary);
            const std::string now((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
            Texts& versions = seen[name(i)];
            for (int save = 1; save <= Saves; ++save)
                if (now == content(name(i), save) && (versions.empty() || versions.back() != now))
                    versions.push_back(now);
        }
    };
    auto allClosed = [&] {
        watch();
        for (int i = 0; i < Files; ++i)
            if (!w.Shown(AppText::Closed + folder + name(i)))
                return false;
        return true;
    };
    ASSERT_TRUE(w.WaitFor(allClosed, std::chrono::milliseconds(60000)));

    for (int i = 0; i < Files; ++i) {
        const std::string file = name(i);
        Texts expected;
        for (int save = 1; save <= Saves; ++save)
            expected.push_back(content(file, save));
        EXPECT_EQ(seen[file], expected) << file;
        EXPECT_EQ(ftpd.Count("STOR /" + file), Saves) << file;
        EXPECT_EQ(ReadFileBytes(ftpd.RootFile(file)), content(file, Saves)) << file;
        EXPECT_EQ(ReadFileBytes(folder + file), content(file, Saves)) << file;
        EXPECT_EQ(
            std::count(w.Statuses.begin(), w.Statuses.end(), AppText::Updated + folder + file),
            Saves)
            << file;
        EXPECT_TRUE(ReapEditor(EditorPid(pids.File(file + ".pid")))) << file;
    }
    EXPECT_EQ(w.Beeps, Files * Saves);
    EXPECT_TRUE(w.ErrorReports.empty());
}

} // namespace
