#include "listing_test_util.h"

#include "core/exceptions.h"
#include "ftp/list_columns.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>

using testing::StrEq;
using testing::ThrowsMessage;

namespace {

TIdFTPListItem ParseUnix(const std::string& line, TClock clock = FixedClock(2026, 11, 15)) {
    TIdFTPListItems items;
    items.Clock = std::move(clock);
    TIdFTPListItem item;
    item.RawLine = line;
    items.ParseEntry(flfUnix, item);
    return item;
}

TEST(UnixLine, DirectoryLineFillsEveryField) {
    const auto item = ParseUnix("drwxr-xr-x 2 owner group 4096 Jan 5 12:34 docs");
    EXPECT_EQ(item.EntryKind, fekDirectory);
    EXPECT_EQ(item.EntryName, "docs");
    EXPECT_EQ(item.LinkCount, 2);
    EXPECT_EQ(item.OwnerRights, "rwx");
    EXPECT_EQ(item.GroupRights, "r-x");
    EXPECT_EQ(item.OtherRights, "r-x");
    EXPECT_EQ(item.OwnerAccount, "owner");
    EXPECT_EQ(item.GroupAccount, "group");
    EXPECT_EQ(item.EntrySize, 4096);
    EXPECT_EQ(Stamp(item.LastModified), "2026-01-05 12:34:00.999");
    EXPECT_EQ(item.LinkTarget, "");
}

TEST(UnixLine, TimeColumnMeansThisYearUnlessTheMonthIsStillAhead) {
    const std::string head = "-rw-r--r-- 1 o g 1 ";
    EXPECT_EQ(Stamp(ParseUnix(head + "Dec 5 12:34 f").LastModified), "2025-12-05 12:34:00.999");
    EXPECT_EQ(Stamp(ParseUnix(head + "Nov 5 12:34 f").LastModified), "2026-11-05 12:34:00.999");
    EXPECT_EQ(Stamp(ParseUnix(head + "Dec 5 12:34 f", FixedClock(2026, 12, 1)).LastModified),
              "2026-12-05 12:34:00.999");
}

TEST(UnixLine, YearColumnGivesMidnightOfThatDay) {
    const auto item = ParseUnix("-rw-r--r-- 1 o g 1 Jan 5 2003 old.txt");
    EXPECT_EQ(Stamp(item.LastModified), "2003-01-05 00:00:00.999");
}

TEST(UnixLine, MissingGroupMovesOwnerToGroupColumn) {
    const auto item = ParseUnix("-rw-r--r--   1 ftp          1234 Jan 05 12:34 notes.txt");
    EXPECT_EQ(item.OwnerAccount, "");
    EXPECT_EQ(item.GroupAccount, "ftp");
    EXPECT_EQ(item.EntrySize, 1234);
    EXPECT_EQ(item.EntryName, "notes.txt");
}

TEST(UnixLine, NameIsTheRestOfTheLineAsSent) {
    EXPECT_EQ(ParseUnix("-rw-r--r-- 1 o g 1 Jan 5 2003 my file.txt").EntryName, "my file.txt");
    EXPECT_EQ(ParseUnix("-rw-r--r-- 1 o g 1 Jan 5 2003 my  file  .txt  ").EntryName,
              "my  file  .txt");
    // One blank separates the year or time from the name; more belong to it.
    EXPECT_EQ(ParseUnix("-rw-r--r-- 1 o g 1 Jan  5 12:34   lead.txt").EntryName, "  lead.txt");
    const auto link = ParseUnix("lrwxrwxrwx 1 root root 7 Jan 5 2003 my  bin -> usr/ my bin");
    EXPECT_EQ(link.EntryName, "my  bin");
    EXPECT_EQ(link.LinkTarget, "usr/ my bin");
}

TEST(UnixLine, SymbolicLinkSplitsAtTheArrow) {
    const auto link = ParseUnix("lrwxrwxrwx 1 root root 7 Jan 5 2003 bin -> usr/bin");
    EXPECT_EQ(link.EntryKind, fekSymbolicLink);
    EXPECT_EQ(link.EntryName, "bin");
    EXPECT_EQ(link.LinkTarget, "usr/bin");
    const auto noArrow = ParseUnix("lrwxrwxrwx 1 root root 7 Jan 5 2003 my link");
    EXPECT_EQ(noArrow.EntryName, "my link");
    EXPECT_EQ(noArrow.LinkTarget, "");
}

TEST(UnixLine, SizeBeyondFourGigabytesKeepsAllBits) {
    EXPECT_EQ(ParseUnix("-rw-r--r-- 1 o g 5368709120 Jan 5 2003 big.iso").EntrySize,
              int64_t{5368709120});
}

TEST(UnixLine, InvalidDateOrTimeRaisesTheConversionError) {
    EXPECT_THAT([] { ParseUnix("-rw-r--r-- 1 o g 1 Feb 30 2003 f"); },
                ThrowsMessage<EConvertError>(StrEq("Invalid argument to date encode")));
    EXPECT_THAT([] { ParseUnix("-rw-r--r-- 1 o g 1 Foo 3 2003 f"); },
                ThrowsMessage<EConvertError>(StrEq("Invalid argument to date encode")));
    EXPECT_THAT([] { ParseUnix("-rw-r--r-- 1 o g 1 Jan 3 24:00 f"); },
                ThrowsMessage<EConvertError>(StrEq("Invalid argument to time encode")));
}

TEST(UnixLine, TooFewColumnsFailsAndLeavesTheEntryAlone) {
    TIdFTPListItems items;
    TIdFTPListItem item;
    item.RawLine = "drwxr-xr-x 2 owner group 4096 Jan";
    EXPECT_THROW(items.ParseEntry(flfVax, item), EListError);
    EXPECT_EQ(item.EntryKind, fekFile);
    EXPECT_EQ(item.OwnerAccount, "????????");
}

TEST(Columns, RunsOfBlanksSeparateButTabOnlyPiecesStay) {
    EXPECT_THAT(SplitColumns("  a   b\t  c \r\n"), testing::ElementsAre("a", "b", "c"));
    EXPECT_THAT(SplitColumns("a \t b"), testing::ElementsAre("a", "", "b"));
    EXPECT_TRUE(SplitColumns(" \t ").empty());
}

// The column views of every length around the 16- and 64-byte steps of the
// splitter, with blanks, tabs and CRs anywhere, match the plain split, and
// each column's end is where its untrimmed piece stops.
TEST(Columns, ViewsMatchThePlainSplitAtAnyLength) {
    const char alphabet[] = {'a', 'b', ' ', ' ', '\t', '\r', 'c', ' '};
    uint32_t seed = 7;
    for (size_t length = 0; length <= 200; ++length) {
        for (int round = 0; round < 8; ++round) {
            std::string text;
            for (size_t i = 0; i < length; ++i) {
                seed = seed * 1103515245u + 12345u;
                text += alphabet[(seed >> 16) % sizeof alphabet];
            }
            TListColumn columns[200];
            const size_t count = SplitColumnViews(text, ' ', columns, 200);
            const std::vector<std::string> expected = SplitColumns(text);
            ASSERT_EQ(count, expected.size()) << '"' << text << '"';
            const size_t end = TrimRightView(text).size();
            for (size_t i = 0; i < count; ++i) {
                ASSERT_EQ(columns[i].Text(), expected[i]) << '"' << text << "\" column " << i;
                const size_t at = columns[i].End;
                ASSERT_TRUE(at == end || (at < end && text[at] == ' ')) << '"' << text << '"';
            }
        }
    }
}

} // namespace
