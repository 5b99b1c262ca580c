// Line reading: terminators, limits, split lines, partial lines at close.
#include "core/exceptions.h"
#include "net_test_util.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The same input fed whole, in 10-byte pieces and byte by byte must give the
// same lines.
class ReadLinePieces : public ::testing::TestWithParam<size_t> {
protected:
    void Feed(const std::string& bytes) {
        const size_t step = GetParam() == 0 ? bytes.size() : GetParam();
        for (size_t i = 0; i < bytes.size(); i += step)
            ASSERT_TRUE(pair.Peer.Send(bytes.substr(i, step)));
    }
    ConnectedPair pair;
};

TEST_P(ReadLinePieces, TerminatorsAndCarriageReturns) {
    Feed("abc\r\nabc\n\r\n\na\r\r\nlast\r\n");
    auto& c = pair.Client;
    EXPECT_EQ(c.ReadLine(), "abc");
    EXPECT_EQ(c.ReadLine(), "abc");
    EXPECT_EQ(c.ReadLine(), "");
    EXPECT_EQ(c.ReadLine(), "");
    EXPECT_EQ(c.ReadLine(), "a\r"); // only the CR right before LF goes
    EXPECT_EQ(c.ReadLine(), "last");
}

TEST_P(ReadLinePieces, NonEmptyLineSkipsBlankLinesAndTrims) {
    Feed("   \r\n\t\t\n  220 Ready \t\r\n");
    EXPECT_EQ(pair.Client.ReadNonEmptyLine(2147483647), "220 Ready");
}

INSTANTIATE_TEST_SUITE_P(Whole10AndByteByByte, ReadLinePieces, ::testing::Values(0, 10, 1));

TEST(ReadLineLimit, ExactLimitWithCrLfIsTooLongOneLessIsNot) {
    ConnectedPair pair;
    pair.Client.MaxLineLength = 10;
    ASSERT_TRUE(pair.Peer.Send(std::string(9, 'x') + "\r\n" + std::string(10, 'y') + "\r\n"));
    EXPECT_EQ(pair.Client.ReadLine(), std::string(9, 'x'));
    EXPECT_THROW(pair.Client.ReadLine(), EIdReadLnMaxLineLengthExceeded);
}

TEST(ReadLineLimit, DefaultLimitSplitGivesLimitThenRest) {
    ConnectedPair pair;
    auto& c = pair.Client;
    c.MaxLineAction = TIdMaxLineAction::maSplit;
    ASSERT_TRUE(pair.Peer.Send(std::string(16384, 'a') + "\r\n"));
    EXPECT_EQ(c.ReadLine(), std::string(16384, 'a'));
    EXPECT_TRUE(c.LastLineSplit());
    EXPECT_EQ(c.ReadLine(), "");
    EXPECT_FALSE(c.LastLineSplit());
}

TEST(ReadLineLimit, SplitLongLineIntoPieces) {
    ConnectedPair pair;
    auto& c = pair.Client;
    c.MaxLineAction = TIdMaxLineAction::maSplit;
    ASSERT_TRUE(pair.Peer.Send(std::string(40000, 'b') + "\r\n"));
    EXPECT_EQ(c.ReadLine().size(), 16384u);
    EXPECT_EQ(c.ReadLine().size(), 16384u);
    const std::string rest = c.ReadLine();
    EXPECT_EQ(rest.size(), 7232u);
    EXPECT_FALSE(c.LastLineSplit());
}

TEST(ReadLineLimit, OverlongWithoutLineEndRaisesBeforeWaitingForMore) {
    ConnectedPair pair;
    // No line end ever comes: the read must fail on the buffered bytes alone.
    ASSERT_TRUE(pair.Peer.Send(std::string(20000, 'c')));
    EXPECT_THROW(pair.Client.ReadLine(), EIdReadLnMaxLineLengthExceeded);
}

TEST(ReadLineLimit, ZeroMeansNoLimit) {
    ConnectedPair pair;
    pair.Client.MaxLineLength = 0;
    ASSERT_TRUE(pair.Peer.Send(std::string(100000, 'd') + "\n"));
    EXPECT_EQ(pair.Client.ReadLine().size(), 100000u);
    ASSERT_TRUE(pair.Peer.Send(std::string(50, 'e') + "\n"));
    EXPECT_EQ(pair.Client.ReadLine("\n", -1, 0).size(), 50u);
}

TEST(ReadLineClose, PartialLineThenCloseGivesEmptyThenClosedGracefully) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.Peer.Send("abc"));
    pair.Peer.Close();
    EXPECT_EQ(pair.Client.ReadLine(), "");
    EXPECT_TRUE(pair.Client.LastLineTimedOut());
    EXPECT_THROW(pair.Client.ReadLine(), EIdConnClosedGracefully);
}

TEST(ReadLineClose, CloseWhileWaitingRaisesAndNotifiesOnce) {
    ConnectedPair pair;
    int disconnects = 0;
    pair.Client.OnDisconnected = [&](TIdComponent*) { ++disconnects; };
    pair.Peer.Close();
    try {
        pair.Client.ReadLine();
        FAIL() << "no exception";
    } catch (const EIdConnClosedGracefully& e) {
        EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
    }
    EXPECT_EQ(disconnects, 1);
    EXPECT_FALSE(pair.Client.IsConnected());
}

TEST(ReadLineTimeout, ReadTimeoutRaisesAndKeepsThePartialLine) {
    ConnectedPair pair;
    pair.Client.ReadTimeout = 50;
    ASSERT_TRUE(pair.Peer.Send("par"));
    EXPECT_THROW(pair.Client.ReadLine(), EIdReadTimeout);
    EXPECT_TRUE(pair.Client.IsConnected());
    ASSERT_TRUE(pair.Peer.Send("tial\r\n"));
    EXPECT_EQ(pair.Client.ReadLine(), "partial");
}

TEST(ReadLineFilter, AsciiFilterClearsBitSeven) {
    ConnectedPair pair;
    pair.Client.ASCIIFilter = true;
    ASSERT_TRUE(pair.Peer.Send("\xC1\xE2\n"));
    EXPECT_EQ(pair.Client.ReadLine(), "Ab");
}

} // namespace
