// The plain rules of editing: the stamp's rounding, the editor command's
// words, which names may name a local copy, the old copy moved aside, the
// editor's process and the keep-alive's idle time.
#include "app/app_texts.h"
#include "app/editor_command.h"
#include "app/editor_process.h"
#include "app/keep_alive.h"
#include "app/local_backups.h"
#include "app/local_file_stamp.h"
#include "app/mirror_path.h"
#include "app/upload_snapshot.h"
#include "core/exceptions.h"
#include "edit_harness.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

TEST(LocalFileStamp, CutsToMillisecondsThenRoundsToTheNearestSecondWithTiesToEven) {
    EXPECT_EQ(RoundToStampSeconds(10499), 10);
    EXPECT_EQ(RoundToStampSeconds(10501), 11);
    EXPECT_EQ(RoundToStampSeconds(10500), 10);
    EXPECT_EQ(RoundToStampSeconds(11500), 12);
    EXPECT_EQ(RoundToStampSeconds(500), 0);
    EXPECT_EQ(RoundToStampSeconds(-500), 0);
    EXPECT_EQ(RoundToStampSeconds(-1500), -2);
    EXPECT_EQ(RoundToStampSeconds(-1501), -2);
    EXPECT_EQ(RoundToStampSeconds(-1499), -1);
    // 10.4999999 s is 10499 ms, not a tie.
    EXPECT_EQ(StampOfWriteTime({10, 499999999}, 0), 10);
    EXPECT_EQ(StampOfWriteTime({10, 500999999}, 0), 10);
    EXPECT_EQ(StampOfWriteTime({11, 500000000}, 0), 12);
    EXPECT_EQ(StampOfWriteTime({10, 500000000}, 3600), 3610);
    EXPECT_EQ(StampOfWriteTime({10, 500000000}, -3601), -3590);
}

TEST(LocalFileStamp, ReadsAFilesTimeAndHasNoneForWhatCannotBeRead) {
    TempDir dir;
    const std::string file = dir.File("copy.txt");
    WriteFileBytes(file, "text");
    const timespec written[2] = {{1700000000, 500000000}, {1700000000, 500000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), written, 0), 0);
    ASSERT_TRUE(LocalFileStamp(file));
    EXPECT_EQ(LocalFileStamp(file)->LocalSeconds, StampOfWriteTime(written[1], CurrentUtcOffset()));
    EXPECT_EQ(LocalFileStamp(dir.File("missing.txt")), std::nullopt);
    EXPECT_EQ(LocalFileStamp(dir.Path()), std::nullopt);
    if (::geteuid() != 0) {
        ::chmod(file.c_str(), 0);
        EXPECT_EQ(LocalFileStamp(file), std::nullopt);
    }
}

TEST(EditorCommand, SplitsIntoWordsWithoutAShell) {
    EXPECT_EQ(SplitCommandWords(" \t "), Texts{});
    EXPECT_EQ(SplitCommandWords("xterm -e 'nano -w'"), (Texts{"xterm", "-e", "nano -w"}));
    EXPECT_EQ(SplitCommandWords("\"/opt/My Editor/ed\"  --block"),
              (Texts{"/opt/My Editor/ed", "--block"}));
    EXPECT_EQ(SplitCommandWords("ed $HOME *.txt a\"b c\"d"),
              (Texts{"ed", "$HOME", "*.txt", "ab cd"}));
}

TEST(MirrorPath, MirrorsTheRemoteTreePerServerAndRefusesNamesThatLeaveIt) {
    EXPECT_EQ(MirrorPath("/opt/tools", "srv:2121", "/", "notes.txt"),
              "/opt/tools/srv:2121/notes.txt");
    EXPECT_EQ(MirrorPath("/opt/tools", "srv", "/a/b", "index.html"),
              "/opt/tools/srv/a/b/index.html");
    EXPECT_THROW(MirrorPath("/m", "srv", "/a/../..", "x.txt"), Exception);
    EXPECT_THROW(MirrorPath("/m", "srv", "/a\nb", "x.txt"), Exception);
    for (const std::string name : {"", ".", "..", "../x", "a/b", "/etc", "a\rb", "a\nb"})
        EXPECT_FALSE(IsPlainEntryName(name)) << name;
    EXPECT_FALSE(IsPlainEntryName(std::string("a\0b", 3)));
    for (const std::string name : {"...", ".profile", "my notes.txt", "a\\b", "..x"})
        EXPECT_TRUE(IsPlainEntryName(name)) << name;
    EXPECT_EQ(AppText::NotAPlainFileName(std::string("a\0/b", 4)),
              "Cannot open \"a\\0/b\": the server gave a name that is not a plain file name");
}

TEST(MirrorPath, IsBesideTheExecutableWhenWritableElseInTheUsersDataFolder) {
    TempDir dir;
    EXPECT_EQ(MirrorRootFor(dir.Path(), "/data", "/home/u"), dir.Path());
    const std::string notWritable = dir.File("missing/bin");
    EXPECT_EQ(MirrorRootFor(notWritable, "/data", "/home/u"), "/data/scrivlet/mirror");
    EXPECT_EQ(MirrorRootFor(notWritable, "", "/home/u"), "/home/u/.local/share/scrivlet/mirror");
    EXPECT_EQ(MirrorRootFor(notWritable, nullptr, "/home/u"),
              "/home/u/.local/share/scrivlet/mirror");
}

TEST(LocalBackups, MovesAnOldCopyAsideToADatedBackup) {
    TempDir dir;
    const std::string copy = dir.File("notes.txt");
    MoveAsideOldCopy(copy);
    EXPECT_TRUE(BackupsOf(copy).empty());
    WriteFileBytes(copy, "older");
    MoveAsideOldCopy(copy);
    WriteFileBytes(copy, "newer");
    MoveAsideOldCopy(copy);
    EXPECT_FALSE(std::filesystem::exists(copy));
    const Texts backups = BackupsOf(copy);
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_EQ(ReadFileBytes(backups[0]), "newer");
    EXPECT_EQ(ReadFileBytes(backups[1]), "older");
    EXPECT_EQ(std::filesystem::path(backups[0]).parent_path(), dir.Path());
    EXPECT_EQ(BackupPath("/m/notes.txt", 0).rfind("/m/notes.txt.scrivlet-backup-19", 0), 0u);
    // A link is moved itself, its target left alone: the download must not
    // write through it.
    WriteFileBytes(dir.File("elsewhere.txt"), "keep");
    std::filesystem::create_symlink(dir.File("elsewhere.txt"), copy);
    MoveAsideOldCopy(copy);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(copy)));
    EXPECT_EQ(ReadFileBytes(dir.File("elsewhere.txt")), "keep");
}

TEST(UploadSnapshot, IsAHiddenCopyBesideTheFileRemovedAfterTheUpload) {
    TempDir dir;
    const std::string file = dir.File("notes.txt");
    WriteFileBytes(file, "saved");
    std::string copy;
    {
        const TUploadSnapshot snapshot(file);
        copy = snapshot.Path();
        EXPECT_EQ(ReadFileBytes(copy), "saved");
        EXPECT_EQ(snapshot.Size(), 5);
        EXPECT_EQ(snapshot.Stamp(), LocalFileStamp(file));
        EXPECT_EQ(std::filesystem::path(copy).parent_path(), dir.Path());
        EXPECT_EQ(std::filesystem::path(copy).filename().string().front(), '.');
    }
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_THROW(TUploadSnapshot(dir.File("missing.txt")), Exception);
}

TEST(EditorProcess, GetsThePathAsOneArgumentInItsOwnGroupWithOnlyTheStandardDescriptors) {
    TempDir dir;
    const std::string path = dir.File("my 'notes' $(touch x).txt");
    const std::string seen = dir.File("seen");
    const std::string fds = dir.File("fds");
    int leaked[2];
    ASSERT_EQ(::pipe(leaked), 0);
    TEditorProcess editor;
    ASSERT_TRUE(editor.Start(
        {"/bin/sh", "-c", "printf %s \"$0\" > " + seen + "; exec > " + fds + "; ls /proc/$$/fd"},
        path));
    ::close(leaked[0]);
    ::close(leaked[1]);
    // Not collected yet, so the group stays readable even once it has ended.
    EXPECT_EQ(::getpgid(editor.Pid()), editor.Pid());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!editor.HasEnded() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(editor.HasEnded());
    EXPECT_EQ(ReadFileBytes(seen), path);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x")));
    std::ifstream listing(fds);
    Texts lines;
    for (std::string line; std::getline(listing, line);)
        lines.push_back(line);
    EXPECT_EQ(lines, (Texts{"0", "1", "2"}));
}

TEST(EditorProcess, ReportsAProgramThatCannotBeStarted) {
    TEditorProcess editor;
    EXPECT_FALSE(editor.Start({"/nonexistent/scrivlet-editor", "--wait"}, "/tmp/x"));
    EXPECT_FALSE(editor.Start({}, "/tmp/x"));
}

TEST(KeepAlive, IdleTimeIsSignedModulo2To32) {
    EXPECT_EQ(TKeepAlive::IdleTime(15001, 0), 15001);
    EXPECT_EQ(TKeepAlive::IdleTime(14901, -100), 15001);
    EXPECT_EQ(TKeepAlive::IdleTime(0x80000000u + 14994, INT32_MAX - 5), 15000);
    // A stamp ahead (after login) reads as negative, and so does one more
    // than 2^31 ms old.
    EXPECT_EQ(TKeepAlive::IdleTime(1000, 16000), -15000);
    EXPECT_LT(TKeepAlive::IdleTime(0x80000001u, 0), 0);
}
