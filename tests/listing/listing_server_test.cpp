// Parses what a real FTP server (pyftpdlib, over loopback) sends for LIST.

#include "listing_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace {

constexpr int64_t FiveGiB = int64_t{5} << 30;
// 2003-01-05 12:00:00 UTC: midday, so the day is the same in every time zone.
constexpr std::time_t OldStamp = 1041768000;

class RealServerListing : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/scrivlet-listing-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        FDir = pattern;
        WriteFile("notes.txt", "hello\n");
        WriteFile("my notes.txt", "abc");
        WriteFile("old.txt", "x");
        ASSERT_EQ(mkdir((FDir / "docs").c_str(), 0755), 0);
        // An inherited set-group-id bit would make the mode unrecognisable.
        ASSERT_EQ(chmod((FDir / "docs").c_str(), 0755), 0);
        ASSERT_EQ(symlink("notes.txt", (FDir / "link").c_str()), 0);
        const utimbuf old{OldStamp, OldStamp};
        ASSERT_EQ(utime((FDir / "old.txt").c_str(), &old), 0);
        WriteFile("big.iso", "");
        ASSERT_EQ(truncate((FDir / "big.iso").c_str(), FiveGiB), 0);
    }

    void TearDown() override {
        if (!FDir.empty())
            std::filesystem::remove_all(FDir);
    }

    void WriteFile(const std::string& name, const std::string& content) {
        std::ofstream(FDir / name, std::ios::binary) << content;
    }

    // The server's LIST lines; `timeout` bounds the whole capture.
    std::vector<std::string> CaptureListing() {
        const std::string command =
            "timeout 60 /usr/bin/python3 '" LISTING_CAPTURE_SCRIPT "' '" + FDir.string() + "'";
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) {
            ADD_FAILURE() << "cannot start " << command;
            return {};
        }
        std::vector<std::string> lines;
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            std::string line(buffer);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            lines.push_back(line);
        }
        const int status = pclose(pipe);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "capture status " << status;
        return lines;
    }

    std::filesystem::path FDir;
};

TEST_F(RealServerListing, EveryEntryParses) {
    const std::vector<std::string> lines = CaptureListing();
    ASSERT_EQ(lines.size(), 6u);
    TIdFTPListItems items;
    LoadAsClient(items, lines);
    ASSERT_EQ(items.Count(), 6) << lines[0];

    std::map<std::string, const TIdFTPListItem*> byName;
    for (int i = 0; i < items.Count(); ++i) {
        const TIdFTPListItem& item = items.Items(i);
        byName[item.EntryName] = &item;
        EXPECT_NE(item.OwnerAccount, "") << item.RawLine;
        EXPECT_NE(item.OwnerAccount, "????????") << item.RawLine;
        EXPECT_NE(item.GroupAccount, "") << item.RawLine;
        EXPECT_NE(item.GroupAccount, "????????") << item.RawLine;
    }
    const auto entry = [&](const std::string& name) -> const TIdFTPListItem& {
        static const TIdFTPListItem missing;
        const auto it = byName.find(name);
        EXPECT_NE(it, byName.end()) << "no entry " << name;
        return it == byName.end() ? missing : *it->second;
    };

    EXPECT_EQ(entry("notes.txt").EntryKind, fekFile);
    EXPECT_EQ(entry("notes.txt").EntrySize, 6);
    EXPECT_EQ(entry("my notes.txt").EntrySize, 3);
    EXPECT_EQ(entry("docs").EntryKind, fekDirectory);
    EXPECT_EQ(entry("docs").OwnerRights + entry("docs").GroupRights + entry("docs").OtherRights,
              "rwxr-xr-x");
    EXPECT_EQ(entry("link").EntryKind, fekSymbolicLink);
    EXPECT_EQ(entry("link").LinkTarget, "notes.txt");
    EXPECT_EQ(entry("big.iso").EntrySize, FiveGiB);

    int year, month, day;
    DecodeDate(entry("old.txt").LastModified, year, month, day);
    EXPECT_EQ(year * 10000 + month * 100 + day, 20030105);
    // Recent files come with a time instead of a year; the year we infer must
    // put them at about now (the server writes UTC, so allow a day).
    EXPECT_LT(std::fabs(entry("notes.txt").LastModified - Now()), 1.5);
}

} // namespace
