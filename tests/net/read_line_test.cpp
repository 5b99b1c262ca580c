// Line reading: terminators, limits, split lines, partial lines at close.
#include "core/exceptions.h"
#include "support/connected_pair.h"
#include "support/memory_io_handler.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// The same input read whole, in 10-byte pieces and byte by byte must give the
// same lines. The bytes come from memory one piece per read: over loopback
// the pieces of a small input would arrive as one read.
class ReadLinePieces : public ::testing::TestWithParam<size_t> {
protected:
    TIdTCPConnection& Feed(const std::string& bytes) {
        FFeed = std::make_unique<TInputFeed>(TInputFeed::InPiecesOf(bytes, GetParam()));
        FHandler = std::make_unique<TMemoryIOHandler>(*FFeed);
        FConnection.SetIOHandler(FHandler.get());
        return FConnection;
    }
    // Each piece took a read of its own.
    void ExpectReadInPieces(size_t size) const {
        const size_t piece = GetParam() == 0 ? size : GetParam();
        EXPECT_EQ(FFeed->PiecesServed(), static_cast<int64_t>((size + piece - 1) / piece));
    }

private:
    std::unique_ptr<TInputFeed> FFeed;
    std::unique_ptr<TMemoryIOHandler> FHandler;
    // Declared last: it lets go of the handler before the handler goes.
    TIdTCPConnection FConnection;
};

TEST_P(ReadLinePieces, TerminatorsAndCarriageReturns) {
    const std::string bytes = "abc\r\nabc\n\r\n\na\r\r\nlast\r\n";
    auto& c = Feed(bytes);
    EXPECT_EQ(c.ReadLine(), "abc");
    EXPECT_EQ(c.ReadLine(), "abc");
    EXPECT_EQ(c.ReadLine(), "");
    EXPECT_EQ(c.ReadLine(), "");
    EXPECT_EQ(c.ReadLine(), "a\r"); // only the CR right before LF goes
    EXPECT_EQ(c.ReadLine(), "last");
    ExpectReadInPieces(bytes.size());
}

TEST_P(ReadLinePieces, NonEmptyLineSkipsBlankLinesAndTrims) {
    const std::string bytes = "   \r\n\t\t\n  220 Ready \t\r\n";
    EXPECT_EQ(Feed(bytes).ReadNonEmptyLine(2147483647), "220 Ready");
    ExpectReadInPieces(bytes.size());
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
