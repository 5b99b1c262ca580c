// Date-time values: days since 1899-12-30 plus the fraction of the day.
#include "core/datetime.h"
#include "core/exceptions.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::string ConvertErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const EConvertError& e) {
        return e.what();
    }
    return "(no EConvertError)";
}

} // namespace

TEST(EncodeDate, CountsDaysFromDecember30th1899) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1899, 12, 31), 1.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
}

TEST(EncodeDate, KnowsLeapYears) {
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(EncodeDate(2000, 3, 1) - EncodeDate(2000, 2, 28), 2.0);
    EXPECT_EQ(EncodeDate(1900, 3, 1) - EncodeDate(1900, 2, 28), 1.0);
    EXPECT_EQ(EncodeDate(2024, 2, 29) + 1, EncodeDate(2024, 3, 1));
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2023, 4), 30);
}

TEST(EncodeDate, RefusesDatesOutsideTheCalendar) {
    const std::string message = "Invalid argument to date encode";
    EXPECT_EQ(ConvertErrorOf([] { EncodeDate(1900, 2, 29); }), message);
    EXPECT_EQ(ConvertErrorOf([] { EncodeDate(2023, 2, 29); }), message);
    EXPECT_EQ(ConvertErrorOf([] { EncodeDate(2023, 4, 31); }), message);
    EXPECT_EQ(ConvertErrorOf([] { EncodeDate(2023, 0, 1); }), message);
    EXPECT_EQ(ConvertErrorOf([] { EncodeDate(2023, 13, 1); }), message);
    EXPECT_EQ(ConvertErrorOf([] { EncodeDate(2023, 1, 0); }), message);
    EXPECT_EQ(ConvertErrorOf([] { EncodeDate(2023, 1, 32); }), message);
    EXPECT_EQ(ConvertErrorOf([] { EncodeDate(0, 1, 1); }), message);
    EXPECT_EQ(ConvertErrorOf([] { EncodeDate(10000, 1, 1); }), message);
    TDateTime out = 123;
    EXPECT_FALSE(TryEncodeDate(2023, 2, 29, out));
    EXPECT_TRUE(TryEncodeDate(2024, 2, 29, out));
    EXPECT_EQ(out, EncodeDate(2024, 2, 29));
}

TEST(EncodeTime, GivesTheFractionOfTheDay) {
    EXPECT_EQ(EncodeTime(0, 0, 0, 0), 0.0);
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    EXPECT_LT(EncodeTime(23, 59, 59, 999), 1.0);
}

TEST(EncodeTime, RefusesTimesOutsideTheDay) {
    const std::string message = "Invalid argument to time encode";
    EXPECT_EQ(ConvertErrorOf([] { EncodeTime(24, 0, 0, 0); }), message);
    EXPECT_EQ(ConvertErrorOf([] { EncodeTime(0, 60, 0, 0); }), message);
    EXPECT_EQ(ConvertErrorOf([] { EncodeTime(0, 0, 60, 0); }), message);
    EXPECT_EQ(ConvertErrorOf([] { EncodeTime(0, 0, 0, 1000); }), message);
    EXPECT_EQ(ConvertErrorOf([] { EncodeTime(-1, 0, 0, 0); }), message);
}

TEST(DecodeDate, RoundTripsEveryDayAcrossTheEpochAndLeapDays) {
    struct Range {
        int year, month, day, days;
    };
    for (const Range& r : {Range{1899, 12, 1, 100}, Range{1900, 2, 20, 15}, Range{1999, 12, 1, 500},
                           Range{2096, 2, 1, 400}, Range{1, 1, 1, 40}, Range{9999, 11, 25, 37}}) {
        const TDateTime first = EncodeDate(r.year, r.month, r.day);
        int expectYear = r.year, expectMonth = r.month, expectDay = r.day;
        for (int i = 0; i < r.days; ++i) {
            int y = 0, m = 0, d = 0;
            DecodeDate(first + i, y, m, d);
            ASSERT_EQ(y, expectYear) << "day " << first + i;
            ASSERT_EQ(m, expectMonth) << "day " << first + i;
            ASSERT_EQ(d, expectDay) << "day " << first + i;
            ASSERT_EQ(EncodeDate(y, m, d), first + i);
            if (++expectDay > DaysInMonth(expectYear, expectMonth)) {
                expectDay = 1;
                if (++expectMonth > 12) {
                    expectMonth = 1;
                    ++expectYear;
                }
            }
        }
    }
}

TEST(DecodeDate, TakesTheDateOfAValueWithATime) {
    int y = 0, m = 0, d = 0;
    DecodeDate(EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 59, 0), y, m, d);
    EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{2024, 2, 29}));
    DecodeDate(0, y, m, d);
    EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{1899, 12, 30}));
}

TEST(DecodeTime, RoundTripsToTheMillisecond) {
    int h = 0, n = 0, s = 0, ms = 0;
    DecodeTime(EncodeDate(2001, 9, 9) + EncodeTime(13, 45, 30, 250), h, n, s, ms);
    EXPECT_EQ((std::vector<int>{h, n, s, ms}), (std::vector<int>{13, 45, 30, 250}));
    DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
    EXPECT_EQ((std::vector<int>{h, n, s, ms}), (std::vector<int>{23, 59, 59, 999}));
    DecodeTime(EncodeDate(2001, 9, 9), h, n, s, ms);
    EXPECT_EQ((std::vector<int>{h, n, s, ms}), (std::vector<int>{0, 0, 0, 0}));
}

TEST(DateTimeToText, LeavesOutAMidnightTime) {
    EXPECT_EQ(DateTimeToText(EncodeDate(2003, 7, 4)), "2003-07-04");
    EXPECT_EQ(DateTimeToText(EncodeDate(2003, 7, 4) + EncodeTime(9, 5, 7, 0)),
              "2003-07-04 09:05:07");
}
