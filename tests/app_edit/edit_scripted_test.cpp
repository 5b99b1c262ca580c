// Against a scripted server: names from a listing that would leave the mirror
// folder are refused, and a window closed while a worker's download is stuck
// ends without waiting for the server.
#include "active_data_peer.h"
#include "edit_harness.h"

#include "app/app_texts.h"
#include "app/launch_file_thread.h"
#include "support/fake_ftp_server.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr const char* ListingReplies = "150 Here comes the listing\r\n226 Done\r\n";

void ScriptLogin(FakeFtpServer& server) {
    server.Reply("331 Password required")
        .Reply("230 Logged in")
        .Reply("200 Type set to I")
        .Reply("257 \"/\" is the current directory")
        .Reply("200 PORT ok")
        .ReplyRaw(ListingReplies);
}

} // namespace

TEST(EditScripted, NamesThatWouldLeaveTheMirrorFolderAreRefused) {
    FakeFtpServer server;
    ScriptLogin(server);
    ActiveDataPeer data(server, {"-rw-r--r--   1 u  g   5 Mar 01  2024 ../evil.txt\r\n"
                                 "-rw-r--r--   1 u  g   5 Mar 01  2024 ..\r\n"});
    TempDir mirror;
    TempDir scratch;
    EditWindow w(mirror.File("tools"), ScriptedEditor({"pid=" + scratch.File("pid")}));
    w.LogIn(server.Port());
    ASSERT_TRUE(w.WaitFor([&] { return data.Delivered() == 1; }));
    const size_t commandsBefore = server.Commands().size();
    ASSERT_TRUE(w.DoubleClick("../evil.txt"));
    EXPECT_EQ(w.ErrorReports, (Texts{AppText::NotAPlainFileName("../evil.txt")}));
    if (w.DoubleClick("..")) {
        EXPECT_EQ(w.ErrorReports.back(), AppText::NotAPlainFileName(".."));
    }
    EXPECT_EQ(TLaunchFileThread::Running(), 0);
    EXPECT_EQ(server.Commands().size(), commandsBefore);
    // Nothing was written, inside the mirror folder or beside it.
    EXPECT_FALSE(std::filesystem::exists(mirror.File("tools")));
    EXPECT_FALSE(std::filesystem::exists(mirror.File("evil.txt")));
    EXPECT_FALSE(std::filesystem::exists(scratch.File("pid")));
}

TEST(EditScripted, ClosingTheWindowDuringAStuckDownloadEndsWithoutQuit) {
    FakeFtpServer server;
    ScriptLogin(server);
    // The download's RETR is never answered (SIZE and MDTM come first, then
    // the retrieve's own SIZE).
    server.Reply("213 5").Reply("213 20240301000000").Reply("213 5").Reply("200 PORT ok").NoReply();
    ActiveDataPeer data(server, {"-rw-r--r--   1 u  g   5 Mar 01  2024 notes.txt\r\n"});
    TempDir mirror;
    TempDir scratch;
    EditWindow w(mirror.Path(), ScriptedEditor({"pid=" + scratch.File("pid")}));
    // The keep-alive would wait for the worker's hold of ClientLock.
    w.Form().Timer1->stop();
    w.LogIn(server.Port());
    ASSERT_TRUE(w.DoubleClick("notes.txt"));
    ASSERT_TRUE(server.WaitForCommands(12));
    EXPECT_EQ(server.Commands().back(), "RETR /notes.txt");
    EXPECT_EQ(TLaunchFileThread::Running(), 1);
    EXPECT_TRUE(w.Close());
    EXPECT_TRUE(server.WaitForDisconnect());
    EXPECT_EQ(server.Commands().size(), 12u);
    EXPECT_FALSE(std::filesystem::exists(scratch.File("pid")));
}

TEST(EditScripted, ADownloadTheServerAbortedStartsNoEditorAndSaysSo) {
    FakeFtpServer server;
    ScriptLogin(server);
    // Half the file, then the server's word that it did not all arrive.
    server.Reply("213 10")
        .Reply("213 20240301000000")
        // No size for the retrieve itself: the abort, not the count, ends it.
        .Reply("550 SIZE not available")
        .Reply("200 PORT ok")
        .ReplyRaw("150 Opening\r\n426 Connection closed; transfer aborted\r\n226 Abort done\r\n");
    ActiveDataPeer data(server, {"-rw-r--r--   1 u  g   10 Mar 01  2024 notes.txt\r\n", "half"});
    TempDir mirror;
    TempDir scratch;
    EditWindow w(mirror.Path(), ScriptedEditor({"pid=" + scratch.File("pid")}));
    w.Form().Timer1->stop();
    w.LogIn(server.Port());
    ASSERT_TRUE(w.DoubleClick("notes.txt"));
    ASSERT_TRUE(w.WaitFor([&] { return w.ShownStartingWith("Could not download "); }))
        << server.Commands().back();
    EXPECT_NE(w.Statuses.back().find(": Transfer aborted"), std::string::npos) << w.Statuses.back();
    ASSERT_TRUE(w.WaitFor([] { return TLaunchFileThread::Running() == 0; }));
    EXPECT_FALSE(std::filesystem::exists(scratch.File("pid")));
}

TEST(EditScripted, AnEditorThatCannotStartIsNamedWithTheReason) {
    FakeFtpServer server;
    ScriptLogin(server);
    server.Reply("213 5")
        .Reply("213 20240301000000")
        .Reply("213 5")
        .Reply("200 PORT ok")
        .ReplyRaw("150 Opening\r\n226 Done\r\n");
    ActiveDataPeer data(server, {"-rw-r--r--   1 u  g   5 Mar 01  2024 notes.txt\r\n", "hello"});
    TempDir mirror;
    EditWindow w(mirror.Path(), {"/nonexistent/my editor", "--wait"});
    w.Form().Timer1->stop();
    w.LogIn(server.Port());
    ASSERT_TRUE(w.DoubleClick("notes.txt"));
    const std::string copy =
        mirror.File("127.0.0.1:" + std::to_string(server.Port()) + "/notes.txt");
    ASSERT_TRUE(w.WaitFor([] { return TLaunchFileThread::Running() == 0; }));
    EXPECT_TRUE(w.Shown(AppText::EditorNotStarted("\"/nonexistent/my editor\" --wait " + copy,
                                                  "No such file or directory")))
        << ::testing::PrintToString(w.Statuses);
    EXPECT_FALSE(w.ShownStartingWith(AppText::Closed));
}
