// Every save reaches its own remote file, byte for byte, and nothing the user
// wrote is lost: against pyftpdlib through the window, with a scripted
// editor. Files of one name in two folders, a file opened twice, binary
// content, logins to another server, a listing that fails, an editor that
// returns at once, a server that drops idle connections, and a keep-alive
// that never waits for a worker's transfer.
#include "edit_harness.h"

#include "app/app_texts.h"
#include "app/client_lock.h"
#include "app/launch_file_thread.h"
#include "app/local_backups.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

namespace {

using namespace std::chrono_literals;

class SafetyTest : public ::testing::Test {
protected:
    SafetyTest() { WriteFileBytes(Ftpd.RootFile("notes.txt"), "remember\n"); }

    std::string Local(const LoggedFtpd& server, const std::string& relative) const {
        return Mirror.Path() + "/127.0.0.1:" + std::to_string(server.Port()) + "/" + relative;
    }
    std::string Signal(const std::string& name) const { return Scratch.File(name); }
    void Raise(const std::string& name) const { WriteFileBytes(Signal(name), ""); }

    LoggedFtpd Ftpd;
    TempDir Mirror;
    TempDir Scratch;
};

} // namespace

TEST_F(SafetyTest, FilesOfOneNameInTwoFoldersAreEditedApart) {
    WriteFileBytes(Ftpd.RootFile("a/index.html"), "a\n");
    WriteFileBytes(Ftpd.RootFile("b/index.html"), "b\n");
    EditWindow w(Mirror.Path(),
                 ScriptedEditor({"wait=" + Signal("go"), "append=edited\\n", "sleep=0.3"}));
    w.LogIn(Ftpd.Port());
    ASSERT_TRUE(w.DoubleClick("a"));
    ASSERT_TRUE(w.DoubleClick("index.html"));
    w.Form().Button1->click();
    ASSERT_TRUE(w.DoubleClick("b"));
    ASSERT_TRUE(w.DoubleClick("index.html"));
    ASSERT_TRUE(w.WaitFor([&] { return Ftpd.Count("RETR /b/index.html") == 1; }));
    Raise("go");
    const std::string localA = Local(Ftpd, "a/index.html");
    const std::string localB = Local(Ftpd, "b/index.html");
    ASSERT_TRUE(w.WaitFor(
        [&] { return w.Shown(AppText::Closed + localA) && w.Shown(AppText::Closed + localB); }));
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("a/index.html")), "a\nedited\n");
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("b/index.html")), "b\nedited\n");
    EXPECT_EQ(ReadFileBytes(localA), "a\nedited\n");
}

TEST_F(SafetyTest, AFileOpenTwiceIsNotDownloadedOverTheOpenCopy) {
    const std::string local = Local(Ftpd, "notes.txt");
    EditWindow w(Mirror.Path(),
                 ScriptedEditor({"wait=" + Signal("go"), "append=mine\\n", "sleep=0.3"}));
    w.LogIn(Ftpd.Port());
    ASSERT_TRUE(w.DoubleClick("notes.txt"));
    ASSERT_TRUE(w.WaitFor([&] { return w.ShownStartingWith("Monitoring notes.txt "); }));
    ASSERT_TRUE(w.DoubleClick("notes.txt"));
    EXPECT_EQ(w.Form().StatusText(), AppText::AlreadyOpen + local);
    EXPECT_EQ(TLaunchFileThread::Running(), 1);
    Raise("go");
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Closed + local); }));
    EXPECT_EQ(Ftpd.Count("RETR /notes.txt"), 1);
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("notes.txt")), "remember\nmine\n");
}

TEST_F(SafetyTest, ContentRoundTripsByteForByte) {
    const std::string content("line\r\nbytes \xe9\xff and a \0 NUL\n", 28);
    WriteFileBytes(Ftpd.RootFile("notes.txt"), content);
    const std::string local = Local(Ftpd, "notes.txt");
    EditWindow w(Mirror.Path(), ScriptedEditor({"mtime=1700000000.1", "touch"}));
    w.LogIn(Ftpd.Port());
    ASSERT_TRUE(w.DoubleClick("notes.txt"));
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Closed + local); }));
    EXPECT_EQ(Ftpd.Count("STOR /notes.txt"), 1);
    EXPECT_EQ(ReadFileBytes(local), content);
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("notes.txt")), content);
    EXPECT_EQ(Ftpd.Count("TYPE I"), 1);
}

TEST_F(SafetyTest, SavesWaitWhileTheWindowIsLoggedInElsewhere) {
    LoggedFtpd other;
    WriteFileBytes(other.RootFile("notes.txt"), "theirs\n");
    const std::string local = Local(Ftpd, "notes.txt");
    EditWindow w(Mirror.Path(), ScriptedEditor({"wait=" + Signal("save"), "append=mine\\n",
                                                "wait=" + Signal("close")}));
    w.LogIn(Ftpd.Port());
    ASSERT_TRUE(w.DoubleClick("notes.txt"));
    ASSERT_TRUE(w.WaitFor([&] { return w.ShownStartingWith("Monitoring notes.txt "); }));
    w.Form().CheckBox1->setChecked(false);
    w.LogIn(other.Port());
    Raise("save");
    const std::string waiting = AppText::NotLoggedInToUpload(
        local, PyFtpdServer::User, "127.0.0.1:" + std::to_string(Ftpd.Port()));
    ASSERT_TRUE(w.WaitFor([&] { return w.ShownStartingWith(waiting); }));
    EXPECT_NE(w.Form().Stat->currentMessage().toStdString().find(AppText::UnsyncedMarker(1)),
              std::string::npos);
    // Logged out: still nothing goes anywhere.
    w.Form().CheckBox1->setChecked(false);
    QTest::qWait(1200);
    EXPECT_EQ(other.Count("STOR /notes.txt"), 0);
    EXPECT_EQ(Ftpd.Count("STOR /notes.txt"), 0);

    w.LogIn(Ftpd.Port());
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Updated + local); }));
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("notes.txt")), "remember\nmine\n");
    EXPECT_EQ(ReadFileBytes(other.RootFile("notes.txt")), "theirs\n");
    Raise("close");
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Closed + local); }));
    EXPECT_EQ(other.Count("STOR /notes.txt"), 0);
}

TEST_F(SafetyTest, AFolderThatCannotBeListedLeavesCurrentDirOnTheFolderShown) {
    std::filesystem::create_directory(Ftpd.RootFile("gone"));
    const std::string local = Local(Ftpd, "notes.txt");
    EditWindow w(Mirror.Path(), ScriptedEditor({"append=mine\\n"}));
    w.LogIn(Ftpd.Port());
    std::filesystem::remove(Ftpd.RootFile("gone"));
    ASSERT_TRUE(w.DoubleClick("gone"));
    ASSERT_EQ(w.ErrorReports.size(), 1u);
    EXPECT_EQ(w.Form().State.CurrentDir, "/");
    ASSERT_TRUE(w.DoubleClick("notes.txt"));
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Closed + local); }));
    EXPECT_EQ(Ftpd.Count("RETR /notes.txt"), 1);
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("notes.txt")), "remember\nmine\n");
}

TEST_F(SafetyTest, AnEditorThatReturnsAtOnceLeavesTheCopyWatched) {
    const std::string local = Local(Ftpd, "notes.txt");
    EditWindow w(Mirror.Path(), ScriptedEditor({}));
    w.LogIn(Ftpd.Port());
    ASSERT_TRUE(w.DoubleClick("notes.txt"));
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::EditorReturnedAtOnce + local); }));
    // The instance the file was handed to saves it later.
    WriteFileBytes(local, "saved by another instance\n");
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Updated + local); }));
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("notes.txt")), "saved by another instance\n");
    EXPECT_FALSE(w.Shown(AppText::Closed + local));
    EXPECT_EQ(TLaunchFileThread::Running(), 1);
}

TEST(SafetyIdle, AConnectionTheServerDroppedIsLoggedInAgainForTheUpload) {
    LoggedFtpd ftpd({"--idle-timeout", "1"});
    WriteFileBytes(ftpd.RootFile("notes.txt"), "remember\n");
    TempDir mirror;
    TempDir scratch;
    const std::string local =
        mirror.Path() + "/127.0.0.1:" + std::to_string(ftpd.Port()) + "/notes.txt";
    EditWindow w(mirror.Path(), ScriptedEditor({"sleep=2.5", "append=mine\\n"}));
    w.LogIn(ftpd.Port());
    ASSERT_TRUE(w.DoubleClick("notes.txt"));
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Closed + local); }));
    EXPECT_TRUE(w.Shown(AppText::Updated + local));
    EXPECT_FALSE(w.ShownStartingWith("Could not upload "));
    EXPECT_EQ(ReadFileBytes(ftpd.RootFile("notes.txt")), "remember\nmine\n");
    EXPECT_EQ(ftpd.Count("USER brimol"), 2) << [&] {
        std::string all;
        for (const auto& s : ftpd.Commands())
            all += s + "\n";
        return all;
    }();
    EXPECT_EQ(ftpd.Count("TYPE I"), 2);
}

TEST_F(SafetyTest, TheKeepAliveSkipsATickWhileAWorkerHoldsTheClient) {
    std::atomic<uint32_t> now{0};
    EditWindow w(Mirror.Path(), {"true"}, [&now] { return now.load(); });
    w.Form().Timer1->stop();
    w.LogIn(Ftpd.Port());
    now = static_cast<uint32_t>(w.Form().State.LastActivity) + 20000;
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    std::thread worker([&] {
        TClientLockHold hold;
        held = true;
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!release && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
    });
    const auto heldBy = std::chrono::steady_clock::now() + 5s;
    while (!held && std::chrono::steady_clock::now() < heldBy)
        std::this_thread::sleep_for(1ms);
    if (!held) {
        release = true;
        worker.join();
        FAIL() << "the other thread never took the lock";
    }
    const auto before = std::chrono::steady_clock::now();
    w.Form().Timer1Timer();
    const auto waited = std::chrono::steady_clock::now() - before;
    release = true;
    worker.join();
    EXPECT_LT(waited, 500ms);
    EXPECT_EQ(Ftpd.Count("STOR /ping.ftp"), 0);
    w.Form().Timer1Timer();
    EXPECT_EQ(Ftpd.Count("STOR /ping.ftp"), 1);
}

TEST_F(SafetyTest, BackupsAreDatedAndOnlyConfirmedOnesBeyondTheNewestFiveGo) {
    const std::string local = Local(Ftpd, "notes.txt");
    // The oldest backup holds edits the server never had; six later ones
    // hold what it had.
    WriteFileBytes(BackupPath(local, 1600000000), "never uploaded\n");
    for (int i = 1; i <= 6; ++i) {
        const std::string backup = BackupPath(local, 1600000000 + i * 60);
        WriteFileBytes(backup, "confirmed " + std::to_string(i) + "\n");
        RecordConfirmed(local, *LocalFileStamp(backup));
    }
    WriteFileBytes(local, "edits of the last session\n");
    EditWindow w(Mirror.Path(), ScriptedEditor({"append=mine\\n"}));
    w.LogIn(Ftpd.Port());
    ASSERT_TRUE(w.DoubleClick("notes.txt"));
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Closed + local); }));
    Texts contents;
    for (const std::string& backup : BackupsOf(local))
        contents.push_back(ReadFileBytes(backup));
    EXPECT_EQ(contents, (Texts{"edits of the last session\n", "confirmed 6\n", "confirmed 5\n",
                               "confirmed 4\n", "confirmed 3\n", "never uploaded\n"}));
    // What was downloaded and uploaded is confirmed, so its backup may go
    // once it is old.
    EXPECT_TRUE(IsConfirmed(local, local));
}

TEST_F(SafetyTest, AChangeOnTheServerIsNeverOverwrittenWithoutAYes) {
    const std::string local = Local(Ftpd, "notes.txt");
    EditWindow w(
        Mirror.Path(),
        ScriptedEditor({"wait=" + Signal("1"), "append=one\\n", "wait=" + Signal("2"),
                        "append=two\\n", "wait=" + Signal("3"), "append=three\\n", "sleep=0.3"}));
    w.ConflictAnswers = {TConflictChoice::Cancel, TConflictChoice::KeepBoth,
                         TConflictChoice::Overwrite};
    w.LogIn(Ftpd.Port());
    ASSERT_TRUE(w.DoubleClick("notes.txt"));
    ASSERT_TRUE(w.WaitFor([&] { return w.ShownStartingWith("Monitoring notes.txt "); }));
    WriteFileBytes(Ftpd.RootFile("notes.txt"), "theirs\n");

    Raise("1");
    ASSERT_TRUE(w.WaitFor([&] { return w.ShownStartingWith(AppText::ConflictCancelled(local)); }));
    EXPECT_EQ(w.ConflictQuestions, (Texts{"/notes.txt"}));
    EXPECT_EQ(Ftpd.Count("STOR /notes.txt"), 0);
    // Cancelled: not asked again until the next save.
    QTest::qWait(1200);
    EXPECT_EQ(w.ConflictQuestions.size(), 1u);

    Raise("2");
    ASSERT_TRUE(w.WaitFor([&] { return w.ConflictQuestions.size() == 2; }));
    ASSERT_TRUE(w.WaitFor(
        [&] { return w.ShownStartingWith(std::string(AppText::Updated) + "/notes.mine-"); }));
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("notes.txt")), "theirs\n");
    Texts mine;
    for (const auto& entry : std::filesystem::directory_iterator(Ftpd.Server().Root()))
        if (entry.path().filename().string().rfind("notes.mine-", 0) == 0)
            mine.push_back(ReadFileBytes(entry.path().string()));
    EXPECT_EQ(mine, (Texts{"remember\none\ntwo\n"}));

    Raise("3");
    ASSERT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Closed + local); }));
    EXPECT_EQ(w.ConflictQuestions.size(), 3u);
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("notes.txt")), "remember\none\ntwo\nthree\n");
}

TEST_F(SafetyTest, ClosingUploadsTheLastSaveAndAsksWhileAnEditorIsOpen) {
    const std::string local = Local(Ftpd, "notes.txt");
    // Passes too far apart to see the save: only closing's last pass can.
    TEditTimings slow;
    slow.Pass = std::chrono::milliseconds(60000);
    EditWindow w(
        Mirror.Path(),
        ScriptedEditor({"wait=" + Signal("save"), "append=last\\n", "wait=" + Signal("end")}), {},
        slow);
    w.CloseAnswers = {false, true};
    w.LogIn(Ftpd.Port());
    ASSERT_TRUE(w.DoubleClick("notes.txt"));
    ASSERT_TRUE(w.WaitFor([&] { return Ftpd.Count("RETR /notes.txt") == 1; }));
    QTest::qWait(300);
    Raise("save");
    ASSERT_TRUE(w.WaitFor([&] { return ReadFileBytes(local) == "remember\nlast\n"; }));
    // No: the window stays, the save is on the server.
    EXPECT_FALSE(w.Form().close());
    EXPECT_EQ(w.CloseQuestions, (std::vector<int>{1}));
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("notes.txt")), "remember\nlast\n");
    EXPECT_TRUE(w.WaitFor([&] { return w.Shown(AppText::Updated + local); }));
    EXPECT_TRUE(w.Form().close());
    EXPECT_EQ(w.CloseQuestions, (std::vector<int>{1, 1}));
    Raise("end");
}

TEST_F(SafetyTest, EditsLeftUnsyncedByARunThatDiedAreOfferedAtTheNextLogin) {
    const std::string local = Local(Ftpd, "notes.txt");
    const auto served = std::filesystem::last_write_time(Ftpd.RootFile("notes.txt"));
    {
        // The server refuses the upload, and the run ends without a last
        // pass or a question, as a killed one does.
        EditWindow w(Mirror.Path(),
                     ScriptedEditor({"pid=" + Signal("pid"), "wait=" + Signal("save"),
                                     "append=mine\\n", "sleep=60"}));
        w.LogIn(Ftpd.Port());
        ASSERT_TRUE(w.DoubleClick("notes.txt"));
        ASSERT_TRUE(w.WaitFor([&] { return w.ShownStartingWith("Monitoring notes.txt "); }));
        std::filesystem::remove(Ftpd.RootFile("notes.txt"));
        std::filesystem::create_directory(Ftpd.RootFile("notes.txt"));
        Raise("save");
        ASSERT_TRUE(w.WaitFor([&] { return w.ShownStartingWith("Could not upload "); }));
        EXPECT_TRUE(w.Close());
        const pid_t editor = EditorPid(Signal("pid"));
        ::kill(-editor, SIGTERM);
        EXPECT_TRUE(ReapEditor(editor));
    }
    // The server's file back as it was, so that no conflict is asked about.
    std::filesystem::remove(Ftpd.RootFile("notes.txt"));
    WriteFileBytes(Ftpd.RootFile("notes.txt"), "remember\n");
    std::filesystem::last_write_time(Ftpd.RootFile("notes.txt"), served);

    EditWindow later(Mirror.Path(), {"true"});
    later.UnsyncedAnswers = {TUnsyncedChoice::Leave, TUnsyncedChoice::Upload};
    later.LogIn(Ftpd.Port());
    EXPECT_EQ(later.UnsyncedOffers, (Texts{"/notes.txt"}));
    // Left: offered again at the next login, and uploaded then.
    later.Form().CheckBox1->setChecked(false);
    later.LogIn(Ftpd.Port());
    EXPECT_EQ(later.UnsyncedOffers, (Texts{"/notes.txt", "/notes.txt"}));
    ASSERT_TRUE(later.WaitFor([&] { return later.Shown(AppText::Updated + local); }));
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("notes.txt")), "remember\nmine\n");
    ASSERT_TRUE(later.WaitFor([] { return TLaunchFileThread::Running() == 0; }));
    later.Form().CheckBox1->setChecked(false);
    later.LogIn(Ftpd.Port());
    EXPECT_EQ(later.UnsyncedOffers.size(), 2u);
}
