// Opening files of a real FTP server (pyftpdlib) with a scripted editor: the
// download into the mirror folder, one upload of the whole file per save, the
// save made just before the editor closes, saves within one second, the
// remote path fixed at opening, old copies moved aside, failures on the
// status bar, and closing the window while an editor runs.
#include "edit_harness.h"

#include "app/app_texts.h"
#include "app/keep_alive.h"
#include "app/launch_file_thread.h"
#include "app/local_backups.h"
#include "app/mirror_path.h"
#include "app/tick_count.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

namespace {

class EditTest : public ::testing::Test {
protected:
    EditTest() {
        WriteFileBytes(Ftpd.RootFile("my notes.txt"), "remember\n");
        WriteFileBytes(Ftpd.RootFile("a/x.txt"), "x\n");
    }

    std::string Local(const std::string& name) const {
        return Mirror.Path() + "/127.0.0.1:" + std::to_string(Ftpd.Port()) + "/" + name;
    }
    std::string PidFile() const { return Scratch.File("editor.pid"); }

    // Double-clicks `name`; returns the id of the editor started on it.
    pid_t Open(EditWindow& w, const std::string& name) {
        EXPECT_TRUE(w.DoubleClick(name));
        return EditorPid(PidFile());
    }

    static int CountOf(const Texts& texts, const std::string& text) {
        return static_cast<int>(std::count(texts.begin(), texts.end(), text));
    }

    LoggedFtpd Ftpd;
    TempDir Mirror;
    TempDir Scratch;
};

} // namespace

TEST_F(EditTest, EachSaveIsUploadedOnceWithABeepAndTheUpdatedStatus) {
    const std::string local = Local("my notes.txt");
    EditWindow w(Mirror.Path(),
                 ScriptedEditor({"pid=" + PidFile(), "args=" + Scratch.File("args"),
                                 "mtime=1700000000.1", "write=remember\\nedited\\n", "sleep=2",
                                 "mtime=1700000100.1", "touch", "sleep=2"}));
    w.LogIn(Ftpd.Port());
    const pid_t editor = Open(w, "my notes.txt");
    ASSERT_GT(editor, 0);
    // The editor gets the downloaded copy, its path as one argument.
    EXPECT_EQ(ReadFileBytes(Scratch.File("args")), local);
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Closed + local); }));

    EXPECT_EQ(Ftpd.Count("RETR /my notes.txt"), 1);
    // The touch without a change of content is a save too.
    EXPECT_EQ(Ftpd.Count("STOR /my notes.txt"), 2);
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("my notes.txt")), "remember\nedited\n");
    EXPECT_EQ(w.Beeps, 2);
    EXPECT_EQ(CountOf(w.Statuses, AppText::Updated + local), 2);
    EXPECT_TRUE(w.ShownStartingWith("Monitoring my notes.txt "));
    EXPECT_EQ(w.Statuses.back(), AppText::Closed + local);
    EXPECT_TRUE(w.ErrorReports.empty());
    // The uploads renewed the activity stamp that login had set ahead.
    const int32_t idle = TKeepAlive::IdleTime(TickCount(), w.Form().State.LastActivity);
    EXPECT_GE(idle, 0);
    EXPECT_LT(idle, TKeepAlive::IdleLimit);
    EXPECT_TRUE(ReapEditor(editor));
}

TEST_F(EditTest, ASaveJustBeforeTheEditorClosesIsStillUploaded) {
    const std::string local = Local("my notes.txt");
    EditWindow w(Mirror.Path(),
                 ScriptedEditor({"pid=" + PidFile(), "mtime=1700000000.1", "write=last words\\n"}));
    w.LogIn(Ftpd.Port());
    const pid_t editor = Open(w, "my notes.txt");
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Closed + local); }));
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("my notes.txt")), "last words\n");
    EXPECT_EQ(Ftpd.Count("STOR /my notes.txt"), 1);
    EXPECT_LT(w.IndexOf(AppText::Updated + local), w.IndexOf(AppText::Closed + local));
    EXPECT_EQ(w.Beeps, 1);
    EXPECT_TRUE(ReapEditor(editor));
}

TEST_F(EditTest, SavesWithinOneSecondOfEachOtherAreEachUploaded) {
    const std::string local = Local("my notes.txt");
    // The second save falls in the same second as the first; the third has
    // the second's time and size, and only its inode (a save by rename)
    // tells it apart.
    EditWindow w(Mirror.Path(),
                 ScriptedEditor({"pid=" + PidFile(), "mtime=1700000000.1", "write=first\\n",
                                 "sleep=1.5", "mtime=1700000000.3", "write=second\\n", "sleep=1.5",
                                 "write=third!\\n", "sleep=1.5"}));
    w.LogIn(Ftpd.Port());
    const pid_t editor = Open(w, "my notes.txt");
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Closed + local); }));
    EXPECT_EQ(Ftpd.Count("STOR /my notes.txt"), 3);
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("my notes.txt")), "third!\n");
    EXPECT_TRUE(ReapEditor(editor));
}

TEST_F(EditTest, UploadsGoWhereTheFileWasOpenedFromAfterGoingElsewhere) {
    const std::string local = Local("a/x.txt");
    EditWindow w(Mirror.Path(), ScriptedEditor({"pid=" + PidFile(), "sleep=0.5",
                                                "mtime=1700000000.1", "write=x edited\\n"}));
    w.LogIn(Ftpd.Port());
    ASSERT_TRUE(w.DoubleClick("a"));
    const pid_t editor = Open(w, "x.txt");
    w.Form().Button1->click();
    EXPECT_EQ(w.Form().State.CurrentDir, "/");
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Closed + local); }));
    EXPECT_EQ(Ftpd.Count("RETR /a/x.txt"), 1);
    EXPECT_EQ(Ftpd.Count("STOR /a/x.txt"), 1);
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("a/x.txt")), "x edited\n");
    EXPECT_FALSE(std::filesystem::exists(Ftpd.RootFile("x.txt")));
    EXPECT_TRUE(ReapEditor(editor));
}

TEST_F(EditTest, ACopyWithoutAReadableTimeIsNoChange) {
    const std::string local = Local("my notes.txt");
    // Past the quick-exit rule, which would keep watching the copy.
    EditWindow w(Mirror.Path(), ScriptedEditor({"pid=" + PidFile(), "delete", "sleep=2.5"}));
    w.LogIn(Ftpd.Port());
    const pid_t editor = Open(w, "my notes.txt");
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Closed + local); }));
    EXPECT_EQ(Ftpd.Count("STOR /my notes.txt"), 0);
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("my notes.txt")), "remember\n");
    EXPECT_EQ(w.Beeps, 0);
    EXPECT_TRUE(ReapEditor(editor));
}

TEST_F(EditTest, AnOldLocalCopyIsMovedAsideNotDeleted) {
    const std::string local = Local("my notes.txt");
    WriteFileBytes(local, "edits that never reached the server\n");
    WriteFileBytes(BackupPath(local, 1600000000), "an older backup\n");
    EditWindow w(Mirror.Path(), ScriptedEditor({"pid=" + PidFile()}));
    w.LogIn(Ftpd.Port());
    const pid_t editor = Open(w, "my notes.txt");
    // The editor returned at once: the copy is watched on.
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::EditorReturnedAtOnce + local); }));
    EXPECT_EQ(ReadFileBytes(local), "remember\n");
    const Texts backups = BackupsOf(local);
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_EQ(ReadFileBytes(backups[0]), "edits that never reached the server\n");
    EXPECT_EQ(ReadFileBytes(backups[1]), "an older backup\n");
    EXPECT_EQ(Ftpd.Count("STOR /my notes.txt"), 0);
    EXPECT_TRUE(ReapEditor(editor));
}

TEST_F(EditTest, ARefusedDownloadShowsWhatFailedAndStartsNoEditor) {
    const std::string local = Local("my notes.txt");
    EditWindow w(Mirror.Path(), ScriptedEditor({"pid=" + PidFile()}));
    w.LogIn(Ftpd.Port());
    std::filesystem::remove(Ftpd.RootFile("my notes.txt"));
    ASSERT_TRUE(w.DoubleClick("my notes.txt"));
    const std::string failed = "Could not download " + local + ": ";
    ASSERT_TRUE(w.WaitFor([&] { return w.ShownStartingWith(failed); }));
    EXPECT_NE(w.Statuses.back().find("No such file"), std::string::npos) << w.Statuses.back();
    ASSERT_TRUE(w.WaitFor([] { return TLaunchFileThread::Running() == 0; }));
    EXPECT_FALSE(std::filesystem::exists(PidFile()));
    EXPECT_FALSE(w.Shown(AppText::Closed + local));
    EXPECT_TRUE(w.ErrorReports.empty());
}

TEST_F(EditTest, AFailedUploadLeavesTheFileUnsyncedAndIsTriedAgainUntilItGetsThrough) {
    const std::string local = Local("my notes.txt");
    TEditTimings quick;
    quick.RetryFirst = std::chrono::milliseconds(100);
    quick.RetryMax = std::chrono::milliseconds(300);
    EditWindow w(Mirror.Path(),
                 ScriptedEditor({"pid=" + PidFile(), "wait=" + Scratch.File("go"),
                                 "mtime=1700000000.1", "write=mine\\n", "sleep=0.5"}),
                 {}, quick);
    w.LogIn(Ftpd.Port());
    const pid_t editor = Open(w, "my notes.txt");
    ASSERT_TRUE(w.WaitFor([&] { return w.ShownStartingWith("Monitoring my notes.txt "); }));
    // A folder where the file was makes every store fail.
    std::filesystem::remove(Ftpd.RootFile("my notes.txt"));
    std::filesystem::create_directory(Ftpd.RootFile("my notes.txt"));
    WriteFileBytes(Scratch.File("go"), "");
    const std::string failed = "Could not upload " + local + ": ";
    ASSERT_TRUE(w.WaitFor([&] { return w.ShownStartingWith(failed); }));
    // The editor ends; the worker goes on trying, the marker stays.
    ASSERT_TRUE(w.WaitFor([&] { return Ftpd.Count("STOR /my notes.txt") >= 3; }));
    const std::string shown = w.Form().Stat->currentMessage().toStdString();
    EXPECT_NE(shown.find(AppText::UnsyncedMarker(1)), std::string::npos) << shown;
    EXPECT_FALSE(w.Shown(AppText::Closed + local));
    EXPECT_EQ(w.Beeps, 0);

    std::filesystem::remove(Ftpd.RootFile("my notes.txt"));
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Closed + local); }));
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("my notes.txt")), "mine\n");
    EXPECT_TRUE(w.Shown(AppText::Updated + local));
    EXPECT_EQ(w.Form().Stat->currentMessage().toStdString(), AppText::Closed + local);
    EXPECT_EQ(w.Beeps, 1);
    EXPECT_TRUE(ReapEditor(editor));
}

TEST_F(EditTest, ClosingTheWindowEndsTheWorkersButNotTheEditor) {
    EditWindow w(Mirror.Path(), ScriptedEditor({"pid=" + PidFile(), "sleep=60"}));
    w.LogIn(Ftpd.Port());
    const pid_t editor = Open(w, "my notes.txt");
    ASSERT_GT(editor, 0);
    ASSERT_TRUE(w.WaitFor([&] { return w.ShownStartingWith("Monitoring my notes.txt "); }));
    EXPECT_TRUE(w.Close());
    EXPECT_EQ(::kill(editor, 0), 0);
    EXPECT_EQ(Ftpd.Count("QUIT"), 0);
    ::kill(-editor, SIGTERM);
    EXPECT_TRUE(ReapEditor(editor));
}
