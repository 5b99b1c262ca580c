// Text helpers: 1-based positions, 0 = not found, and the run-time library's
// integer conversion rules.
#include "core/exceptions.h"
#include "core/text.h"

#include <gtest/gtest.h>

#include <limits>

TEST(CutToken, ReturnsTheHeadAndKeepsTheTailWhenRemoving) {
    std::string text = "USER brimol extra";
    EXPECT_EQ(CutToken(text, " "), "USER");
    EXPECT_EQ(text, "brimol extra");
    EXPECT_EQ(CutToken(text, " "), "brimol");
    EXPECT_EQ(text, "extra");
}

TEST(CutToken, LeavesTheTextAloneWithoutRemove) {
    std::string text = "a.b.c";
    EXPECT_EQ(CutToken(text, ".", false), "a");
    EXPECT_EQ(text, "a.b.c");
}

TEST(CutToken, AbsentDelimiterGivesTheWholeTextAndEmptiesItWhenRemoving) {
    std::string text = "no-delimiter";
    EXPECT_EQ(CutToken(text, ";", false), "no-delimiter");
    EXPECT_EQ(text, "no-delimiter");
    EXPECT_EQ(CutToken(text, ";"), "no-delimiter");
    EXPECT_EQ(text, "");
}

TEST(CutToken, HandlesMultiByteDelimitersAndEmptyParts) {
    std::string text = "\r\nfirst\r\nsecond";
    EXPECT_EQ(CutToken(text, "\r\n"), "");
    EXPECT_EQ(CutToken(text, "\r\n"), "first");
    EXPECT_EQ(text, "second");
    std::string trailing = "end.";
    EXPECT_EQ(CutToken(trailing, "."), "end");
    EXPECT_EQ(trailing, "");
}

TEST(CutToken, CaseInsensitiveFormComparesUpperCasedCopies) {
    std::string text = "alphaANDbeta";
    EXPECT_EQ(CutToken(text, "and", false, true), "alphaANDbeta");
    EXPECT_EQ(CutToken(text, "and", true, false), "alpha");
    // The original letters of the rest are kept.
    EXPECT_EQ(text, "beta");
    std::string mixed = "Key: Value";
    EXPECT_EQ(CutToken(mixed, "KEY: ", true, false), "");
    EXPECT_EQ(mixed, "Value");
}

TEST(SubstringPos, CountsFromOneAndStartsWhereAsked) {
    EXPECT_EQ(SubstringPos("abc", "xxabc"), 3);
    EXPECT_EQ(SubstringPos("abd", "xxabc"), 0);
    EXPECT_EQ(SubstringPosFrom("b", "abcabc", 0), 2);
    EXPECT_EQ(SubstringPosFrom("b", "abcabc", 1), 2);
    EXPECT_EQ(SubstringPosFrom("b", "abcabc", 2), 2);
    EXPECT_EQ(SubstringPosFrom("b", "abcabc", 3), 5);
    EXPECT_EQ(SubstringPosFrom("b", "abcabc", 6), 0);
    EXPECT_EQ(SubstringPosFrom("b", "abcabc", 100), 0);
    EXPECT_EQ(SubstringPosFrom("", "abc", 0), 0);
    EXPECT_EQ(SubstringPosFrom("abcd", "abc", 0), 0);
}

TEST(LastSubstringPos, FindsTheLastOccurrenceAtOrBeforeFromIgnoringCase) {
    EXPECT_EQ(LastSubstringPos("AbC", "abcabc"), 4);
    EXPECT_EQ(LastSubstringPos("abc", "abcabc", -1), 4);
    EXPECT_EQ(LastSubstringPos("abc", "abcabc", 6), 4);
    EXPECT_EQ(LastSubstringPos("abc", "abcabc", 4), 4);
    EXPECT_EQ(LastSubstringPos("abc", "abcabc", 3), 1);
    EXPECT_EQ(LastSubstringPos("abc", "abcabc", 1), 1);
    EXPECT_EQ(LastSubstringPos("xyz", "abcabc"), 0);
    EXPECT_EQ(LastSubstringPos("abcabcd", "abcabc"), 0);
    EXPECT_EQ(LastSubstringPos("", "abc"), 0);
    EXPECT_EQ(LastSubstringPos(" ", "drwxr-xr-x 1 a b"), 15);
}

TEST(BufferPos, SearchesRawBytesWithinTheGivenSize) {
    const std::string buffer("ab\r\ncd\r\n", 8);
    EXPECT_EQ(BufferPos("\r\n", buffer.data(), 8), 3);
    EXPECT_EQ(BufferPos("cd\r\n", buffer.data(), 8), 5);
    // Only the first `size` bytes count.
    EXPECT_EQ(BufferPos("cd", buffer.data(), 5), 0);
    const std::string binary("a\0b\r\n", 5);
    EXPECT_EQ(BufferPos("\r\n", binary.data(), 5), 4);
    EXPECT_EQ(BufferPos(std::string_view("\0b", 2), binary.data(), 5), 2);
}

TEST(BufferPos, EmptyOrLongerSubIsNotFound) {
    const char buffer[] = "abc";
    EXPECT_EQ(BufferPos("", buffer, 3), 0);
    EXPECT_EQ(BufferPos("abcd", buffer, 3), 0);
    EXPECT_EQ(BufferPos("a", buffer, 0), 0);
    EXPECT_EQ(BufferPos("abc", buffer, 3), 1);
}

TEST(IndexInList, FindsTheFirstEqualElement) {
    const std::vector<std::string> list = {"Unix", "DOS", "unix", "VMS"};
    EXPECT_EQ(IndexInList("unix", list), 2);
    EXPECT_EQ(IndexInList("UNIX", list), -1);
    EXPECT_EQ(IndexInList("UNIX", list, false), 0);
    EXPECT_EQ(IndexInList("vms", list, false), 3);
    EXPECT_EQ(IndexInList("Uni", list, false), -1);
    EXPECT_EQ(IndexInList("x", {}), -1);
}

TEST(MonthFromAbbrev, KnowsTheTwelveAbbreviationsInAnyCase) {
    const char* months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                            "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(MonthFromAbbrev(months[i]), i + 1) << months[i];
    EXPECT_EQ(MonthFromAbbrev("jan"), 1);
    EXPECT_EQ(MonthFromAbbrev("Dec"), 12);
    EXPECT_EQ(MonthFromAbbrev("January"), 0);
    EXPECT_EQ(MonthFromAbbrev("Sept"), 0);
    EXPECT_EQ(MonthFromAbbrev("JA"), 0);
    EXPECT_EQ(MonthFromAbbrev(""), 0);
}

TEST(Trim, RemovesBlanksAndControlCharactersAtBothEnds) {
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a \r"), "  a");
    EXPECT_EQ(Trim(" \r\n"), "");
    EXPECT_EQ(UpperCase("abc-XyZ 1"), "ABC-XYZ 1");
}

TEST(StrToInt, AcceptsTheRunTimeLibraryForms) {
    EXPECT_EQ(TryStrToInt("42"), 42);
    EXPECT_EQ(TryStrToInt("-7"), -7);
    EXPECT_EQ(TryStrToInt("+7"), 7);
    EXPECT_EQ(TryStrToInt("  12"), 12);
    EXPECT_EQ(TryStrToInt("$1F"), 31);
    EXPECT_EQ(TryStrToInt("0x1f"), 31);
    EXPECT_EQ(TryStrToInt("007"), 7);
    EXPECT_EQ(TryStrToInt("2147483647"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(TryStrToInt("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(TryStrToInt64("9223372036854775807"), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(TryStrToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(TryStrToInt64("4294967296"), 4294967296LL);
}

TEST(StrToInt, RefusesAnythingElse) {
    for (const char* bad : {"", " ", "x", "12 ", "1.5", "12a", "-", "+", "$", "0x", "--1",
                            "2147483648", "-2147483649"})
        EXPECT_FALSE(TryStrToInt(bad).has_value()) << '"' << bad << '"';
    EXPECT_FALSE(TryStrToInt64("9223372036854775808").has_value());
    EXPECT_EQ(StrToIntDef("junk", -1), -1);
    EXPECT_EQ(StrToIntDef("17", -1), 17);
    EXPECT_EQ(StrToInt64Def("", 5), 5);
}

TEST(StrToInt, RaisesEConvertErrorNamingTheText) {
    EXPECT_EQ(StrToInt("123"), 123);
    try {
        StrToInt("x");
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
    }
    try {
        StrToInt("");
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
}

TEST(SmallerOf, PicksTheSmaller) {
    EXPECT_EQ(SmallerOf(3, 5), 3);
    EXPECT_EQ(SmallerOf<int64_t>(-1, -2), -2);
}
