#include "listing_test_util.h"

#include "core/exceptions.h"
#include "ftp/list_lines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

using testing::StrEq;
using testing::ThrowsMessage;

namespace {

const std::string DirLine = "drwxr-xr-x   2 ftp      ftp          4096 Jan 05 12:34 docs";
const std::string FileLine = "-rw-r--r--   1 ftp      ftp        120586 Jan 05  2003 README";
const std::string IisDir = "01-16-02  11:14AM       <DIR>          epsgroup";
const std::string IisFile = "06-05-03  03:19PM                 1973 readme.txt";

std::vector<std::string> Names(const TIdFTPListItems& items) {
    std::vector<std::string> names;
    for (int i = 0; i < items.Count(); ++i)
        names.push_back(items.Items(i).EntryName);
    return names;
}

TEST(Detect, FormatFromTheFirstLine) {
    TIdFTPListItems items;
    EXPECT_EQ(items.DetectListFormat("total 42", true), flfUnix);
    EXPECT_EQ(items.DetectListFormat("Total 0", true), flfUnix);
    EXPECT_EQ(items.DetectListFormat(DirLine, true), flfUnix);
    EXPECT_EQ(items.DetectListFormat("drwxrwxrwt  2 root root 4096 Jan 05 12:34 tmp", true),
              flfUnknown);
    EXPECT_EQ(items.DetectListFormat("Directory DSK:[ANONYMOUS.PUB]", true), flfVax);
    EXPECT_EQ(items.DetectListFormat(IisDir, true), flfDos);
    EXPECT_EQ(items.DetectListFormat(IisFile, true), flfDos);
    EXPECT_EQ(items.DetectListFormat("06-05-03  03:19PM  readme.txt", true), flfUnknown);
    EXPECT_EQ(items.DetectListFormat(DirLine, false), flfNoDetails);
}

TEST(Load, LeadingTotalLineIsSkippedInAnyCase) {
    for (const std::string total : {"total 42", "TOTAL 42", "Total 3"}) {
        TIdFTPListItems items;
        LoadAsClient(items, {total, DirLine, FileLine});
        EXPECT_THAT(Names(items), testing::ElementsAre("docs", "README")) << total;
    }
}

TEST(Load, BlankAndTabOnlyLinesNeverBecomeEntries) {
    TIdFTPListItems items;
    items.LoadListing({"", DirLine, "   ", "\t", " \t ", FileLine, ""});
    EXPECT_THAT(Names(items), testing::ElementsAre("docs", "README"));
}

TEST(Load, StickyBitFirstLineLeavesTheListingEmpty) {
    TIdFTPListItems items;
    LoadAsClient(items, {"drwxrwxrwt  2 root root 4096 Jan 05 12:34 tmp", DirLine, FileLine});
    EXPECT_EQ(items.ListFormat, flfUnknown);
    EXPECT_EQ(items.Count(), 0);
}

TEST(Load, VaxListingIsReadAsUnixLines) {
    TIdFTPListItems items;
    LoadAsClient(items, {"DSK:[ANONYMOUS.PUB]", DirLine, FileLine});
    EXPECT_EQ(items.ListFormat, flfVax);
    EXPECT_THAT(Names(items), testing::ElementsAre("docs", "README"));
}

TEST(Load, FailingLineIsLeftOutAndTheOthersStay) {
    TIdFTPListItems items;
    LoadAsClient(items, {"total 9", DirLine, FileLine,
                         "-rw-r--r--   1 ftp      ftp          12 Foo 05  2003 bad",
                         "drwxr-xr-x   2 ftp      ftp", DirLine});
    EXPECT_THAT(Names(items), testing::ElementsAre("docs", "README", "docs"));
    EXPECT_EQ(items.Items(2).RawLine, DirLine);
    EXPECT_EQ(items.Items(2).EntryKind, fekDirectory);
}

TEST(Load, TheClockIsReadOncePerListing) {
    TIdFTPListItems items;
    int readings = 0;
    items.Clock = [&readings] {
        ++readings;
        return EncodeDate(2026, 11, 15);
    };
    LoadAsClient(items, {"total 9", DirLine, FileLine,
                         "-rw-r--r--   1 ftp      ftp          12 Dec 05 10:00 old"});
    EXPECT_EQ(readings, 1);
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(Stamp(items.Items(2).LastModified), "2025-12-05 10:00:00.999");
}

TEST(Lines, ListingTextEndsLinesAtCrLfLfOrCr) {
    EXPECT_THAT(SplitListingLines("a\r\nb\nc\rd\r\n\r\ne"),
                testing::ElementsAre("a", "b", "c", "d", "", "e"));
    EXPECT_THAT(SplitListingLines("one\r\n"), testing::ElementsAre("one"));
    EXPECT_THAT(SplitListingLines("cr at end\r"), testing::ElementsAre("cr at end"));
    EXPECT_TRUE(SplitListingLines("").empty());
}

TEST(Load, NoneKeepsRawLinesWithDefaults) {
    TIdFTPListItems items;
    items.ListFormat = flfNone;
    items.LoadListing({"total 42", " \t", DirLine});
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Items(0).RawLine, "total 42");
    EXPECT_EQ(items.Items(1).RawLine, DirLine);
    EXPECT_EQ(items.Items(1).EntryName, "");
    EXPECT_EQ(items.Items(1).EntryKind, fekFile);
    EXPECT_EQ(items.Items(1).GroupAccount, "????????");
}

TEST(Load, NoDetailsTakesTheTrimmedLineAsName) {
    TIdFTPListItems items;
    items.ListFormat = items.DetectListFormat("anything", false);
    items.LoadListing({"  read me.txt \r", "docs"});
    EXPECT_THAT(Names(items), testing::ElementsAre("read me.txt", "docs"));
    EXPECT_EQ(items.Items(0).OwnerRights, "???");
}

TEST(Load, UnknownFormatFailsEveryLine) {
    TIdFTPListItems items;
    items.ListFormat = flfUnknown;
    items.LoadListing({DirLine});
    EXPECT_EQ(items.Count(), 0);
    TIdFTPListItem item;
    EXPECT_THAT([&] { items.ParseEntry(flfUnknown, item); },
                ThrowsMessage<EIdInvalidFTPListingFormat>(StrEq("Unknown FTP listing format")));
}

TEST(Custom, HandlerParsesEachLineAndItsFailuresDropOnlyThatLine) {
    TIdFTPListItems items;
    items.ListFormat = flfCustom;
    items.OnParseCustomListFormat = [](TIdFTPListItem& AItem) {
        if (AItem.RawLine == "bad")
            throw std::runtime_error("handler refused");
        AItem.EntryName = AItem.RawLine.substr(0, AItem.RawLine.find(';'));
    };
    items.LoadListing({"A.TXT;1", "bad", "B.TXT;3", "C.DIR;1"});
    EXPECT_THAT(Names(items), testing::ElementsAre("A.TXT", "B.TXT", "C.DIR"));
}

TEST(Custom, WithoutHandlerTheFormatIsUnknown) {
    TIdFTPListItems items;
    items.ListFormat = flfCustom;
    items.LoadListing({"A.TXT;1"});
    EXPECT_EQ(items.Count(), 0);
    TIdFTPListItem item;
    EXPECT_THAT([&] { items.ParseEntry(flfCustom, item); },
                ThrowsMessage<EIdInvalidFTPListingFormat>(StrEq("Unknown FTP listing format")));
}

// Every field of every entry, as text, for comparing two ways of reading.
std::vector<std::string> Fields(const TIdFTPListItem& item) {
    return {item.RawLine,
            item.EntryName,
            item.LinkTarget,
            item.OwnerRights,
            item.GroupRights,
            item.OtherRights,
            item.OwnerAccount,
            item.GroupAccount,
            std::to_string(item.EntrySize),
            std::to_string(item.LinkCount),
            std::to_string(item.EntryKind),
            Stamp(item.LastModified)};
}

TEST(Read, HandsOverTheEntriesLoadListingKeepsInEveryFormat) {
    const std::vector<std::vector<std::string>> listings = {
        {"total 9", DirLine, "", FileLine,
         "-rw-r--r--   1 ftp      ftp          12 Foo 05  2003 bad",
         "lrwxrwxrwx 1 root root 7 Jan 5 2003 bin -> usr/bin",
         "-rw-r--r--   1 ftp  1234 Jan 05 12:34 n"},
        {IisDir, " ", IisFile, "06-05-03  03:19PM                 1,973 b.txt"},
        {"A.TXT;1", "bad", "B.TXT;3"},
    };
    for (const TIdFTPListFormat format : {flfUnix, flfDos, flfNoDetails, flfNone, flfCustom}) {
        for (const auto& lines : listings) {
            TIdFTPListItems loaded, read;
            for (TIdFTPListItems* items : {&loaded, &read}) {
                items->ListFormat = format;
                items->Clock = FixedClock(2026, 3, 1);
                items->OnParseCustomListFormat = [](TIdFTPListItem& AItem) {
                    if (AItem.RawLine == "bad")
                        throw std::runtime_error("handler refused");
                    AItem.EntryName = AItem.RawLine.substr(0, AItem.RawLine.find(';'));
                    AItem.EntrySize = static_cast<int64_t>(AItem.RawLine.size());
                };
            }
            loaded.LoadListing(lines);
            std::vector<std::vector<std::string>> visited;
            read.ReadListing(lines,
                             [&](const TIdFTPListItem& item) { visited.push_back(Fields(item)); });
            ASSERT_EQ(visited.size(), static_cast<size_t>(loaded.Count())) << int{format};
            for (int i = 0; i < loaded.Count(); ++i)
                EXPECT_EQ(visited[static_cast<size_t>(i)], Fields(loaded.Items(i))) << int{format};
            EXPECT_EQ(read.Count(), 0);
        }
    }
}

TEST(Collection, ItemsOutsideTheRangeRaiseTheListIndexError) {
    TIdFTPListItems items;
    items.AddEntry().EntryName = "only";
    EXPECT_EQ(items.Items(0).EntryName, "only");
    EXPECT_THROW(items.Items(1), EListError);
    EXPECT_THROW(items.Items(-1), EListError);
    items.Clear();
    EXPECT_THROW(items.Items(0), EListError);
}

TEST(Collection, CopyEntryTakesEveryField) {
    TIdFTPListItems items;
    items.Clock = FixedClock(2026, 3, 1);
    TIdFTPListItem source;
    source.RawLine = "lrwxrw-r-- 3 alice staff 5368709120 Feb 2 10:11 a b -> c";
    items.ParseUnixEntry(source);
    TIdFTPListItem copy;
    copy.CopyEntry(source);
    EXPECT_EQ(copy.RawLine, source.RawLine);
    EXPECT_EQ(copy.EntryName, "a b");
    EXPECT_EQ(copy.LinkTarget, "c");
    EXPECT_EQ(copy.EntryKind, fekSymbolicLink);
    EXPECT_EQ(copy.EntrySize, int64_t{5368709120});
    EXPECT_EQ(copy.LinkCount, 3);
    EXPECT_EQ(copy.OwnerAccount, "alice");
    EXPECT_EQ(copy.GroupAccount, "staff");
    EXPECT_EQ(copy.OwnerRights + copy.GroupRights + copy.OtherRights, "rwxrw-r--");
    EXPECT_EQ(Stamp(copy.LastModified), "2026-02-02 10:11:00.999");
}

} // namespace
