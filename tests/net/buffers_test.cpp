// The consume-from-the-front input buffer.
#include "core/exceptions.h"
#include "net/buffers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ManagedBuffer, ExtractCountsOnlyUnreadBytesAndReportsRemovals) {
    TIdManagedBuffer buffer;
    int64_t removed = 0;
    buffer.RemovalHandler = [&](TIdSimpleBuffer&, int64_t n) { removed += n; };
    buffer.Append("hello world", 11);
    EXPECT_EQ(buffer.ExtractBytes(6), "hello ");
    EXPECT_EQ(buffer.Size(), 5);
    EXPECT_EQ(std::string(buffer.UnreadStart(), 5), "world");
    buffer.Append("!", 1);
    EXPECT_EQ(buffer.ExtractBytes(6), "world!");
    EXPECT_EQ(buffer.Size(), 0);
    EXPECT_EQ(removed, 12);
    EXPECT_THROW(buffer.ExtractBytes(1), EIdNotEnoughDataInBuffer);
}

TEST(ManagedBuffer, CompactsAfterTheThresholdWithoutLosingBytes) {
    TIdManagedBuffer buffer;
    std::string all;
    for (int i = 0; i < 5000; ++i)
        all += std::to_string(i) + ",";
    buffer.Append(all.data(), static_cast<int64_t>(all.size()));
    std::string out;
    while (buffer.Size() > 7) {
        out += buffer.ExtractBytes(7);
        EXPECT_LT(buffer.ConsumedCount(), buffer.CompactThreshold);
    }
    out += buffer.ExtractBytes(buffer.Size());
    EXPECT_EQ(out, all);
}

TEST(ManagedBuffer, SeekAndPositionAreRelativeToUnreadBytes) {
    TIdManagedBuffer buffer;
    buffer.Append("abcdef", 6);
    buffer.DiscardBytes(2);
    EXPECT_EQ(buffer.Seek(0, TSeekOrigin::soBeginning), 0);
    char c = 0;
    buffer.ReadBuffer(&c, 1);
    EXPECT_EQ(c, 'c');
    EXPECT_EQ(buffer.Seek(0, TSeekOrigin::soEnd), 4);
}

TEST(SimpleBuffer, DiscardMovesTheRestToTheFront) {
    TIdSimpleBuffer buffer;
    buffer.WriteBuffer("12345", 5);
    buffer.DiscardBytes(2);
    EXPECT_EQ(buffer.ToString(), "345");
    EXPECT_THROW(buffer.DiscardBytes(4), EIdNotEnoughDataInBuffer);
}

} // namespace
