#include "listing_test_util.h"

#include <gtest/gtest.h>

namespace {

TIdFTPListItem ParseDos(const std::string& line, TClock clock = FixedClock(2026, 6, 1)) {
    TIdFTPListItems items;
    items.Clock = std::move(clock);
    TIdFTPListItem item;
    item.RawLine = line;
    items.ParseEntry(flfDos, item);
    return item;
}

TEST(DosLine, DirectoryLine) {
    const auto item = ParseDos("01-31-99  10:20AM       <DIR>          Program Files");
    EXPECT_EQ(item.EntryKind, fekDirectory);
    EXPECT_EQ(item.EntryName, "Program Files");
    EXPECT_EQ(item.EntrySize, 0);
    EXPECT_EQ(Stamp(item.LastModified), "1999-01-31 10:20:00.000");
    EXPECT_EQ(item.OwnerAccount, "????????");
    EXPECT_EQ(item.OtherRights, "???");
}

TEST(DosLine, FileLineWithGroupedSizeAndAfternoonTime) {
    const auto item = ParseDos("01-31-99  10:20PM            1,234 a.txt");
    EXPECT_EQ(item.EntryKind, fekFile);
    EXPECT_EQ(item.EntryName, "a.txt");
    EXPECT_EQ(item.EntrySize, 1234);
    EXPECT_EQ(Stamp(item.LastModified), "1999-01-31 22:20:00.000");
    EXPECT_EQ(ParseDos("06-05-03  03:19PM           5,368,709,120 disk.img").EntrySize,
              int64_t{5368709120});
}

TEST(DosLine, TwelveOClockOnTheTwelveHourClock) {
    EXPECT_EQ(Stamp(ParseDos("01-31-99  12:05AM  1 a").LastModified), "1999-01-31 00:05:00.000");
    EXPECT_EQ(Stamp(ParseDos("01-31-99  12:05PM  1 a").LastModified), "1999-01-31 12:05:00.000");
    EXPECT_EQ(Stamp(ParseDos("01-31-99  17:05    1 a").LastModified), "1999-01-31 17:05:00.000");
}

TEST(DosLine, TwoDigitYearsFallInTheHundredYearsFromFiftyYearsAgo) {
    EXPECT_EQ(Stamp(ParseDos("02-01-05  09:00AM  1 a").LastModified), "2005-02-01 09:00:00.000");
    EXPECT_EQ(Stamp(ParseDos("02-01-76  09:00AM  1 a").LastModified), "1976-02-01 09:00:00.000");
    EXPECT_EQ(Stamp(ParseDos("02-01-75  09:00AM  1 a").LastModified), "2075-02-01 09:00:00.000");
    EXPECT_EQ(Stamp(ParseDos("02-01-73  09:00AM  1 a", FixedClock(2124, 1, 1)).LastModified),
              "2173-02-01 09:00:00.000");
}

TEST(DosLine, DateThatDoesNotConvertGivesZeroButKeepsTheEntry) {
    EXPECT_EQ(ParseDos("02-30-99  09:00AM  1 a").LastModified, 0);
    EXPECT_EQ(ParseDos("01-31-99  13:05PM  1 a").LastModified, 0);
    EXPECT_EQ(ParseDos("01-31-99  00:05AM  1 a").LastModified, 0);
    EXPECT_EQ(ParseDos("xx-31-99  10:20AM  1 a").LastModified, 0);

    TIdFTPListItems items;
    items.ListFormat = flfDos;
    items.LoadListing({"13-45-99  10:20AM       <DIR>          odd", "01-31-99  10:20AM  7 b"});
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Items(0).EntryName, "odd");
    EXPECT_EQ(items.Items(0).LastModified, 0);
}

} // namespace
